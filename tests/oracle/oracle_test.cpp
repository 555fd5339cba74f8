// Builds each image twice, with the program and with srec_cat from the srecord package, and
// demands the same bytes. srec_cat places every part by its own address arithmetic, so a slip in
// the program's offsets, crop, fill or length rule shows up as a difference.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <sstream>

#include "e2e/program_runner.h"
#include "test_files.h"

namespace {

constexpr std::size_t kNoCalibration = 0;

struct Case {
    std::size_t firmwareSize;
    int sizeByte;
    std::size_t calibrationSize;
    bool randomBytes;
    bool markedCalibration = false;  // 0xFA and 0x05 at calibration offsets 0x200 and 0x201
};

std::ostream& operator<<(std::ostream& out, const Case& c) {
    return out << "firmware " << c.firmwareSize << " bytes, size byte 0x" << std::hex << c.sizeByte
               << std::dec << ", calibration " << c.calibrationSize;
}

// Written from the size table alone, not from the program's constants; 0 keeps the image as long
// as it was written. A 513-byte firmware ends right after its marker and has no size byte.
std::size_t ImageLengthFor(int sizeByte, std::size_t firmwareSize) {
    struct Range {
        int first, last;
        std::size_t length;
    };
    static const Range kRanges[] = {{0x04, 0x07, 262144}, {0x08, 0x0F, 524288}};
    for (const Range& range : kRanges) {
        if (firmwareSize > 513 && sizeByte >= range.first && sizeByte <= range.last) {
            return range.length;
        }
    }
    return 0;
}

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

std::string SrecCatCommand(const std::string& firmware, const std::string& calibration,
                           const std::string& output, std::size_t length) {
    std::ostringstream command;
    command << "srec_cat '(' -generate 0 0x8000 -constant 0xFF ";
    if (calibration.empty()) {
        command << "-generate 0x8000 0x10000 -constant 0xFF ";
    } else {
        command << Quoted(calibration) << " -binary -crop 0 0x8000 -offset 0x8000 ";
    }
    command << "-generate 0x10000 0x10004 -repeat-data 0x90 0x48 0x24 0x42 "
            << "-generate 0x10004 0x10010 -constant 0xFF " << Quoted(firmware)
            << " -binary -offset 0x10010 ')' ";
    if (length != 0) {
        command << "-fill 0x00 0 " << length << " -crop 0 " << length << " ";
    }
    command << "-o " << Quoted(output) << " -binary";
    return command.str();
}

class OracleTest : public ScratchTest {
  protected:
    void Compare(const Case& c) {
        SCOPED_TRACE(::testing::Message() << c);
        Bytes firmware = Firmware(c.firmwareSize, c.sizeByte);
        if (c.randomBytes) {
            std::generate(firmware.begin(), firmware.end(),
                          [&] { return static_cast<std::uint8_t>(bytes_()); });
            firmware[0x200] = 0xFA;
            if (c.firmwareSize > 0x201) {
                firmware[0x201] = static_cast<std::uint8_t>(c.sizeByte);
            }
        }
        WriteBytes(Path("fw"), firmware);
        std::string calibration = "-";
        if (c.calibrationSize != kNoCalibration) {
            calibration = Path("cal");
            Bytes bytes = Pattern(c.calibrationSize, 9);
            if (c.markedCalibration) {
                bytes[0x200] = 0xFA;
                bytes[0x201] = 0x05;
            }
            WriteBytes(calibration, bytes);
        }

        Outcome outcome = RunKorvane({Path("fw"), calibration, Path("ours")}, "", dir_);
        if (c.firmwareSize <= 0x200) {  // no byte at the marker's offset, so no image at all
            EXPECT_EQ(outcome.status, 1);
            EXPECT_EQ(outcome.err, "Ошибка: Таблица прерываний не найдена\n");
            return;
        }
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        std::size_t length = ImageLengthFor(c.sizeByte, c.firmwareSize);
        std::string command =
            SrecCatCommand(Path("fw"), c.calibrationSize == kNoCalibration ? "" : calibration,
                           Path("theirs"), length) +
            " 2>" + Quoted(Path("srec.err"));
        if (std::system(command.c_str()) != 0) {
            Bytes why = ReadBytes(Path("srec.err"));
            FAIL() << "srec_cat is missing or failed; install the Debian package srecord.\n"
                   << command << "\n"
                   << std::string(why.begin(), why.end());
        }

        Bytes ours = ReadBytes(Path("ours"));
        Bytes theirs = ReadBytes(Path("theirs"));
        ASSERT_EQ(ours.size(), length != 0 ? length : 65552 + c.firmwareSize);
        ASSERT_EQ(theirs.size(), ours.size());
        std::size_t at =
            std::mismatch(ours.begin(), ours.end(), theirs.begin()).first - ours.begin();
        EXPECT_EQ(at, ours.size()) << "first difference at 0x" << std::hex << at << ": ours 0x"
                                   << int{ours[at]} << ", srec_cat 0x" << int{theirs[at]};
    }
    std::mt19937 bytes_{20240611};
};

// Sizes at the edges: the shortest firmware and the shortest with a size byte, one transfer chunk
// and a byte more, exactly filling the small and the large image, and cut by either.
const std::size_t kFirmwareSizes[] = {513, 514, 1000, 65536, 65537, 196592, 200000, 458736, 500000};
const int kSizeBytes[] = {0x00, 0x03, 0x04, 0x07, 0x08, 0x0A, 0x0F, 0x10, 0xFF};
const std::size_t kCalibrationSizes[] = {kNoCalibration, 32768, 40000};

class OracleGridTest : public OracleTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(OracleGridTest, EverySizeByteAndCalibrationGivesTheSameImage) {
    for (int sizeByte : kSizeBytes) {
        for (std::size_t calibrationSize : kCalibrationSizes) {
            Compare({GetParam(), sizeByte, calibrationSize, false});
        }
    }
}

INSTANTIATE_TEST_SUITE_P(FirmwareSize, OracleGridTest, ::testing::ValuesIn(kFirmwareSizes),
                         [](const auto& info) { return std::to_string(info.param); });

// The calibration passes through the transfer buffer before the firmware, so it leaves its own
// marker and size byte where a firmware of 512 or 513 bytes has none.
TEST_F(OracleTest, MarkerAndSizeByteLeftByTheCalibrationAreNeverTheFirmwares) {
    for (std::size_t size : {512u, 513u, 514u}) {
        Compare({size, 0x00, 32768, false, true});
    }
}

// Cases drawn once from a constant seed, so a failure repeats; the firmware holds every byte
// value, 0x00 and 0xFF included. Size bytes lean towards the low values where the classes lie.
std::vector<Case> RandomCases() {
    std::mt19937 draw(7);
    auto between = [&](std::size_t low, std::size_t high) {
        return std::uniform_int_distribution<std::size_t>(low, high)(draw);
    };
    std::vector<Case> cases;
    for (int i = 0; i < 48; ++i) {
        std::size_t firmwareSize = between(0, 3) == 0 ? between(513, 1200) : between(513, 700000);
        int sizeByte = static_cast<int>(between(0, 1) == 0 ? between(0, 0x12) : between(0, 255));
        std::size_t calibrationSize = between(0, 2) == 0 ? kNoCalibration : between(32768, 70000);
        cases.push_back({firmwareSize, sizeByte, calibrationSize, true});
    }
    return cases;
}

constexpr int kRandomBatches = 4;

class OracleRandomTest : public OracleTest, public ::testing::WithParamInterface<int> {};

TEST_P(OracleRandomTest, DrawnCasesGiveTheSameImage) {
    std::vector<Case> cases = RandomCases();
    for (std::size_t i = GetParam(); i < cases.size(); i += kRandomBatches) {
        Compare(cases[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(Batch, OracleRandomTest, ::testing::Range(0, kRandomBatches));

}  // namespace
