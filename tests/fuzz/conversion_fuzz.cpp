// The conversion on generated firmware and calibration files, against a model of the image
// written here from the README's table rather than from the product's code. Either the image is
// the model's, or the stop text is and the output is as it was before the run.
//
// Input: six header bytes, then the content that firmware and calibration are cut from, repeated
// as far as needed, so that short inputs stand for files of any length.
//   h[0] bits 0-1  calibration: none, shorter than its area, long enough, a missing file
//        bit 2     firmware byte 0x200 as the content has it, else the marker 0xFA
//        bit 3     firmware byte 0x201 as the content has it, else h[3] & 0x1F
//        bit 4     an output file exists beforehand
//        bits 5-6  firmware length: up to 1,099; up to 70,216; around the 256 KiB cut; up to 70,216
//   h[1] h[2]      firmware length within that range
//   h[4] h[5]      calibration length
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "unit/core/throwing_fatal_stop.h"
#include "unit/image/conversion_steps.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

enum CalibrationKind { kNone, kShort, kLong, kMissing };

struct Result {
    std::string stop;  // empty when the image was completed
    bool outputExists;
    Bytes output;
};

std::string Dir;

void Fail(const std::string& what) {
    std::fprintf(stderr, "conversion: %s\n", what.c_str());
    std::abort();
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        Fail("cannot write " + path);
    }
    close(fd);
}

bool ReadFile(const std::string& path, Bytes& bytes) {
    bytes.clear();
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        return false;
    }
    struct stat status {};
    fstat(fd, &status);
    bytes.resize(static_cast<std::size_t>(status.st_size));
    if (read(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        Fail("cannot read " + path);
    }
    close(fd);
    return true;
}

// Every fault of these inputs shows before they are copied, so the output is then as it was.
void Model(const Bytes& firmware, CalibrationKind kind, const Bytes& calibration,
           const Bytes* before, Result& result) {
    Bytes& image = result.output;
    auto untouched = [&](const char* stop) {
        result.stop = stop;
        result.outputExists = before != nullptr;
        image = before != nullptr ? *before : Bytes();
    };
    if (kind == kMissing) {
        return untouched("Ошибка открытия калибровок");
    }
    if (kind != kNone && calibration.size() < 0x8000) {
        return untouched("Ошибка чтения калибровок");
    }
    if (firmware.size() < 0x201 || firmware[0x200] != 0xFA) {
        return untouched("Таблица прерываний не найдена");
    }
    result.outputExists = true;
    image.assign(0x8000, 0xFF);
    if (kind == kNone) {
        image.insert(image.end(), 0x8000, 0xFF);
    } else {
        image.insert(image.end(), calibration.begin(), calibration.begin() + 0x8000);
    }
    image.insert(image.end(), {0x90, 0x48, 0x24, 0x42});
    image.insert(image.end(), 12, 0xFF);
    image.insert(image.end(), firmware.begin(), firmware.end());
    std::uint8_t sizeByte = firmware.size() > 0x201 ? firmware[0x201] : 0x00;
    if (sizeByte >= 0x04 && sizeByte <= 0x07) {
        image.resize(0x40000, 0x00);
    } else if (sizeByte >= 0x08 && sizeByte <= 0x0F) {
        image.resize(0x80000, 0x00);
    }
    result.stop.clear();
}

// A stop leaves the files open, as the real program leaves them to the system; the descriptors
// it took are the lowest free ones, so they lie just above the first free one before the run.
void CloseWhatTheRunLeftOpen(int firstFree) {
    for (int fd = firstFree; fd < firstFree + 4; ++fd) {
        if (fcntl(fd, F_GETFD) != -1) {
            close(fd);
        }
    }
}

// The content repeated to the length, each round one higher so that no misplaced byte can hide in
// the repetition. Left out of the coverage counting, which made this loop the slowest part.
__attribute__((no_sanitize("coverage"))) void Repeat(const Bytes& content, std::size_t length,
                                                     std::uint8_t mix, Bytes& out) {
    out.resize(length);
    std::uint8_t round = 0;
    for (std::size_t i = 0; i < length; ++round) {
        for (std::size_t j = 0; j < content.size() && i < length; ++i, ++j) {
            out[i] = static_cast<std::uint8_t>((content[j] ^ mix) + round);
        }
    }
}

void RemoveDir() {
    for (const char* name : {"/fw", "/cal", "/out"}) {
        unlink((Dir + name).c_str());
    }
    rmdir(Dir.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    const char* base = std::getenv("KORVANE_FUZZ_TMP");
    if (base == nullptr) {
        base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    }
    std::string pattern = std::string(base) + "/korvane-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        Fail("cannot make a folder under " + std::string(base));
    }
    Dir = pattern;
    std::atexit(RemoveDir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint8_t h[6] = {};
    std::memcpy(h, data, size < 6 ? size : 6);
    Bytes content(data + (size < 6 ? size : 6), data + size);
    if (content.empty()) {
        content.push_back(0x5A);
    }

    std::size_t length = static_cast<std::size_t>(h[1] << 8 | h[2]);
    switch ((h[0] >> 5) & 3) {
        case 0:
            length %= 1100;
            break;
        case 2:
            length = 0x40000 - 0x10010 - 2048 + length % 4096;
            break;
        default:
            length += length / 14;
    }
    // Kept from run to run: fresh large blocks would cost more than the conversion.
    static Bytes firmware, calibration;
    static Result expected, actual;
    Repeat(content, length, 0x00, firmware);
    if ((h[0] & 0x04) == 0 && length > 0x200) {
        firmware[0x200] = 0xFA;
    }
    if ((h[0] & 0x08) == 0 && length > 0x201) {
        firmware[0x201] = h[3] & 0x1F;
    }

    const auto kind = static_cast<CalibrationKind>(h[0] & 3);
    std::size_t calibrationLength = static_cast<std::size_t>(h[4] << 8 | h[5]);
    calibrationLength =
        kind == kShort ? calibrationLength % 0x8000 : 0x8000 + calibrationLength % 4096;
    Repeat(content, kind == kShort || kind == kLong ? calibrationLength : 0, 0xA5, calibration);

    const std::string firmwarePath = Dir + "/fw";
    const std::string calibrationPath = Dir + "/cal";
    const std::string outputPath = Dir + "/out";
    WriteFile(firmwarePath, firmware);
    unlink(calibrationPath.c_str());
    if (kind == kShort || kind == kLong) {
        WriteFile(calibrationPath, calibration);
    }
    // Longer than anything written before a stop, so a missing cut would show.
    static const Bytes before(70000, 0xC3);
    unlink(outputPath.c_str());
    if ((h[0] & 0x10) != 0) {
        WriteFile(outputPath, before);
    }

    Model(firmware, kind, calibration, (h[0] & 0x10) != 0 ? &before : nullptr, expected);
    actual.stop.clear();
    int firstFree = open("/dev/null", O_RDONLY);
    if (firstFree < 0) {
        Fail("cannot open /dev/null");
    }
    close(firstFree);
    try {
        ConvertImage(firmwarePath.c_str(), kind == kNone ? "" : calibrationPath.c_str(),
                     outputPath.c_str());
    } catch (const StopSignal& stop) {
        actual.stop = stop.text;
    }
    CloseWhatTheRunLeftOpen(firstFree);
    actual.outputExists = ReadFile(outputPath, actual.output);

    if (actual.stop != expected.stop) {
        Fail("stop \"" + actual.stop + "\", expected \"" + expected.stop + "\"");
    }
    if (actual.outputExists != expected.outputExists) {
        Fail(expected.outputExists ? "no output" : "an output where none should be");
    }
    if (actual.output != expected.output) {
        std::size_t at = 0;
        while (at < actual.output.size() && at < expected.output.size() &&
               actual.output[at] == expected.output[at]) {
            ++at;
        }
        Fail("output of " + std::to_string(actual.output.size()) + " bytes, expected " +
             std::to_string(expected.output.size()) + "; first difference at " +
             std::to_string(at));
    }
    return 0;
}
