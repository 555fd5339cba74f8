// Files for the tests, made here: firmware with a chosen marker and size byte, calibration data,
// and a scratch folder per test.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// Never 0x00 or 0xFF, so that zero fill and erased bytes cannot pass for data.
inline Bytes Pattern(std::size_t size, unsigned seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(1 + (i * 131 + seed * 17 + (i >> 8)) % 253);
    }
    return bytes;
}

inline Bytes Firmware(std::size_t size, int sizeByte = 0x00, int marker = 0xFA) {
    Bytes bytes = Pattern(size, 1);
    if (size > 0x200) {
        bytes[0x200] = static_cast<std::uint8_t>(marker);
    }
    if (size > 0x201) {
        bytes[0x201] = static_cast<std::uint8_t>(sizeByte);
    }
    return bytes;
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(file.good()) << path;
}

inline Bytes ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline bool Exists(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

// A fresh folder for each test, removed afterwards.
class ScratchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char name[] = "/tmp/korvane-test-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir_ = name;
    }
    void TearDown() override {
        std::string command = "rm -rf '" + dir_ + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }
    std::string Path(const std::string& name) const {
        return dir_ + "/" + name;
    }
    std::string dir_;
};
