#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "test_files.h"
#include "unit/core/throwing_fatal_stop.h"
#include "unit/image/conversion_steps.h"

namespace {

const Bytes kPrefix = {0x90, 0x48, 0x24, 0x42, 0xFF, 0xFF, 0xFF, 0xFF,
                       0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

class ConvertImageTest : public ScratchTest {
  protected:
    // The stop text, or empty when the image was completed.
    std::string Convert(const std::string& firmware, const std::string& calibration,
                        const std::string& output, std::int64_t chipSize = 0,
                        CalibrationRule rule = CalibrationRule::NotTheFirmware) {
        try {
            ConvertImage(firmware.c_str(), calibration.c_str(), output.c_str(), chipSize, rule);
        } catch (const StopSignal& stop) {
            return stop.text;
        }
        return "";
    }
    Bytes ConvertFirmware(const Bytes& firmware, const std::string& calibration = "") {
        WriteBytes(Path("fw"), firmware);
        EXPECT_EQ(Convert(Path("fw"), calibration, Path("out")), "");
        return ReadBytes(Path("out"));
    }
    std::string StopOn(const Bytes& firmware) {
        WriteBytes(Path("fw"), firmware);
        return Convert(Path("fw"), "", Path("out"));
    }
};

bool AllAre(const Bytes& bytes, std::size_t from, std::size_t to, std::uint8_t value) {
    for (std::size_t i = from; i < to; ++i) {
        if (bytes[i] != value) {
            return false;
        }
    }
    return true;
}

bool HoldsAt(const Bytes& image, std::size_t offset, const Bytes& part, std::size_t size) {
    return image.size() >= offset + size &&
           std::equal(part.begin(), part.begin() + static_cast<long>(size),
                      image.begin() + static_cast<long>(offset));
}

TEST_F(ConvertImageTest, WithoutCalibrationEverythingBeforeThePrefixIsErased) {
    Bytes firmware = Firmware(1000);
    Bytes image = ConvertFirmware(firmware);
    ASSERT_EQ(image.size(), 66552u);
    EXPECT_TRUE(AllAre(image, 0x0000, 0x10000, 0xFF));
    EXPECT_TRUE(HoldsAt(image, 0x10000, kPrefix, 16));
    EXPECT_TRUE(HoldsAt(image, 0x10010, firmware, 1000));
    EXPECT_EQ(image[0x10210], 0xFA);
}

TEST_F(ConvertImageTest, CalibrationFillsItsAreaWithItsFirst32KiB) {
    for (std::size_t size : {32768u, 40000u}) {
        Bytes calibration = Pattern(size, 7);
        WriteBytes(Path("cal"), calibration);
        Bytes image = ConvertFirmware(Firmware(600), Path("cal"));
        ASSERT_EQ(image.size(), 65552u + 600) << size;
        EXPECT_TRUE(AllAre(image, 0, 0x8000, 0xFF)) << size;
        EXPECT_TRUE(HoldsAt(image, 0x8000, calibration, 32768)) << size;
        EXPECT_TRUE(HoldsAt(image, 0x10000, kPrefix, 16)) << size;
    }
}

// Every fault the inputs show before they are copied leaves an existing output as it was and
// creates none.
TEST_F(ConvertImageTest, FaultsOfTheInputsStopBeforeTheOutputIsTouched) {
    WriteBytes(Path("short"), Pattern(32767, 7));
    const std::string smallChip = "Образ больше размера микросхемы";
    const struct {
        Bytes firmware;
        std::string calibration;
        const char* text;
        std::int64_t chipSize;
    } cases[] = {
        {Firmware(0), "", "Таблица прерываний не найдена", 0},
        {Firmware(512), "", "Таблица прерываний не найдена", 0},
        {Firmware(4096, 0x05, 0xFB), "", "Таблица прерываний не найдена", 0},
        {Firmware(600), Path("short"), "Ошибка чтения калибровок", 0},
        {Firmware(600, 0x05), "", smallChip.c_str(), 262143},
        {Firmware(600), "", smallChip.c_str(), 65552 + 599},
    };
    for (const auto& c : cases) {
        WriteBytes(Path("fw"), c.firmware);
        WriteBytes(Path("out"), {4, 2});
        EXPECT_EQ(Convert(Path("fw"), c.calibration, Path("out"), c.chipSize), c.text);
        EXPECT_EQ(ReadBytes(Path("out")), (Bytes{4, 2})) << c.text;
        EXPECT_EQ(Convert(Path("fw"), c.calibration, Path("new"), c.chipSize), c.text);
        EXPECT_FALSE(Exists(Path("new"))) << c.text;
    }
}

TEST_F(ConvertImageTest, SizeByteChoosesTheImageLength) {
    const struct {
        int sizeByte;
        std::size_t length;
    } cases[] = {{0x00, 165552}, {0x03, 165552}, {0x04, 262144}, {0x07, 262144},
                 {0x08, 524288}, {0x0F, 524288}, {0x10, 165552}, {0xFF, 165552}};
    for (const auto& c : cases) {
        Bytes firmware = Firmware(100000, c.sizeByte);
        Bytes image = ConvertFirmware(firmware);
        ASSERT_EQ(image.size(), c.length) << c.sizeByte;
        EXPECT_TRUE(HoldsAt(image, 0x10010, firmware, 100000)) << c.sizeByte;
        EXPECT_TRUE(AllAre(image, 165552, image.size(), 0x00)) << c.sizeByte;
    }
}

TEST_F(ConvertImageTest, FirmwareThatFillsItsClassExactlyGetsNoZeroFill) {
    for (auto [size, sizeByte, length] :
         {std::tuple{196592u, 0x05, 262144u}, std::tuple{458736u, 0x0A, 524288u}}) {
        Bytes firmware = Firmware(size, sizeByte);
        Bytes image = ConvertFirmware(firmware);
        ASSERT_EQ(image.size(), length);
        EXPECT_EQ(image.back(), firmware.back());
        EXPECT_TRUE(HoldsAt(image, 0x10010, firmware, size));
    }
}

TEST_F(ConvertImageTest, FirmwareLongerThanItsClassIsCut) {
    Bytes firmware = Firmware(262144, 0x07);
    Bytes image = ConvertFirmware(firmware);
    ASSERT_EQ(image.size(), 262144u);
    EXPECT_TRUE(HoldsAt(image, 0x10010, firmware, 196592));

    // The cut falls inside the last chunk here, not at a chunk boundary.
    Bytes longer = Firmware(500000, 0x04);
    EXPECT_EQ(ConvertFirmware(longer).size(), 262144u);
}

TEST_F(ConvertImageTest, ExistingOutputIsReplacedWhole) {
    WriteBytes(Path("out"), Pattern(900000, 3));
    Bytes image = ConvertFirmware(Firmware(700, 0x20));
    EXPECT_EQ(image.size(), 65552u + 700);
}

TEST_F(ConvertImageTest, MarkerMustSitAtOffset0x200) {
    EXPECT_EQ(StopOn(Firmware(512)), "Таблица прерываний не найдена");
    EXPECT_EQ(StopOn(Firmware(4096, 0x05, 0xFB)), "Таблица прерываний не найдена");
}

TEST_F(ConvertImageTest, MarkerWithoutSizeByteLeavesTheLengthAlone) {
    Bytes image = ConvertFirmware(Firmware(513));
    ASSERT_EQ(image.size(), 65552u + 513);
    EXPECT_EQ(image[0x10210], 0xFA);
    image = ConvertFirmware(Firmware(514, 0x05));
    EXPECT_EQ(image.size(), 262144u);
}

// The calibration leaves 0xFA and 0x05 where a firmware too short for them would be read.
TEST_F(ConvertImageTest, MarkerAndSizeByteComeFromTheFirmwareAlone) {
    Bytes calibration = Pattern(32768, 7);
    calibration[0x200] = 0xFA;
    calibration[0x201] = 0x05;
    WriteBytes(Path("cal"), calibration);
    WriteBytes(Path("fw"), Firmware(512));
    EXPECT_EQ(Convert(Path("fw"), Path("cal"), Path("out")), "Таблица прерываний не найдена");
    EXPECT_EQ(ConvertFirmware(Firmware(513), Path("cal")).size(), 65552u + 513);
}

TEST_F(ConvertImageTest, FirmwareStreamsInChunksAndOnlyTheFirstIsChecked) {
    for (std::size_t size : {65536u, 65537u, 140000u}) {
        Bytes firmware = Firmware(size, 0x30);
        if (size > 0x10201) {
            firmware[0x10200] = 0x00;
        }
        Bytes image = ConvertFirmware(firmware);
        ASSERT_EQ(image.size(), 65552u + size) << size;
        EXPECT_TRUE(HoldsAt(image, 0x10010, firmware, size)) << size;
    }
}

TEST_F(ConvertImageTest, FilesThatCannotBeOpenedStopBeforeTheOutputIsTouched) {
    WriteBytes(Path("fw"), Firmware(600));
    WriteBytes(Path("out"), {1, 2, 3});
    ASSERT_EQ(mkdir(Path("folder").c_str(), 0755), 0);
    EXPECT_EQ(Convert(Path("none"), "", Path("out")), "Ошибка открытия микропрограммы");
    EXPECT_EQ(Convert(Path("folder"), "", Path("out")), "Ошибка открытия микропрограммы");
    EXPECT_EQ(Convert(Path("fw"), Path("none"), Path("out")), "Ошибка открытия калибровок");
    EXPECT_EQ(Convert(Path("fw"), Path("folder"), Path("out")), "Ошибка открытия калибровок");
    EXPECT_EQ(ReadBytes(Path("out")), (Bytes{1, 2, 3}));
    EXPECT_EQ(Convert(Path("fw"), "", Path("folder")), "Ошибка открытия выходного файла");
    EXPECT_EQ(Convert(Path("fw"), "", Path("none/out")), "Ошибка открытия выходного файла");
}

TEST_F(ConvertImageTest, FirmwareOf2GiBOrMoreIsRefusedBeforeAnythingElse) {
    int fd = open(Path("fw").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 2147483648LL), 0);
    WriteBytes(Path("out"), {9});
    EXPECT_EQ(Convert(Path("fw"), Path("no-calibration"), Path("out")),
              "Микропрограмма слишком велика");
    EXPECT_EQ(ReadBytes(Path("out")), Bytes{9});

    // One byte less passes the length check and meets the marker check (the file is all zero).
    ASSERT_EQ(ftruncate(fd, 2147483647LL), 0);
    close(fd);
    EXPECT_EQ(Convert(Path("fw"), "", Path("out")), "Таблица прерываний не найдена");
}

TEST_F(ConvertImageTest, OutputMayNotBeAnInputUnderAnyName) {
    Bytes firmware = Firmware(600);
    Bytes calibration = Pattern(32768, 5);
    WriteBytes(Path("fw"), firmware);
    WriteBytes(Path("cal"), calibration);
    ASSERT_EQ(link(Path("fw").c_str(), Path("hard").c_str()), 0);
    ASSERT_EQ(symlink(Path("cal").c_str(), Path("soft").c_str()), 0);
    const std::string same = "Выходной файл совпадает с входным";
    EXPECT_EQ(Convert(Path("fw"), Path("cal"), Path("fw")), same);
    EXPECT_EQ(Convert(Path("fw"), Path("cal"), dir_ + "/./fw"), same);
    EXPECT_EQ(Convert(Path("fw"), Path("cal"), Path("hard")), same);
    EXPECT_EQ(Convert(Path("fw"), Path("cal"), Path("soft")), same);
    EXPECT_EQ(ReadBytes(Path("fw")), firmware);
    EXPECT_EQ(ReadBytes(Path("cal")), calibration);
    EXPECT_FALSE(Exists(Path("out")));
}

// A calibration dialog offers the firmware, which would make its head the calibration; the
// Windows program has always taken it all the same.
TEST_F(ConvertImageTest, FirmwareIsRefusedAsItsOwnCalibrationUnderAnyName) {
    Bytes firmware = Firmware(40000, 0x04);
    WriteBytes(Path("fw"), firmware);
    ASSERT_EQ(link(Path("fw").c_str(), Path("hard").c_str()), 0);
    for (const std::string& calibration : {Path("fw"), Path("hard"), dir_ + "/./fw"}) {
        EXPECT_EQ(Convert(Path("fw"), calibration, Path("out")),
                  "Калибровки совпадают с микропрограммой");
        EXPECT_FALSE(Exists(Path("out")));
    }
    ASSERT_EQ(Convert(Path("fw"), Path("hard"), Path("out"), 0, CalibrationRule::MayBeTheFirmware),
              "");
    EXPECT_TRUE(HoldsAt(ReadBytes(Path("out")), 0x8000, firmware, 32768));
}

// Written where the stream stands, the first output is no file to lock and cut; the second, a
// longer file, must be cut all the same, whatever descriptor it gets.
TEST_F(ConvertImageTest, EachOutputKeepsItsOwnKind) {
    WriteBytes(Path("fw"), Firmware(1000));
    WriteBytes(Path("stream"), {});
    int saved = dup(STDERR_FILENO);
    int stream = open(Path("stream").c_str(), O_WRONLY);
    ASSERT_EQ(dup2(stream, STDERR_FILENO), STDERR_FILENO);
    close(stream);
    std::string first = Convert(Path("fw"), "", "/dev/stderr");
    dup2(saved, STDERR_FILENO);
    close(saved);
    EXPECT_EQ(first, "");
    EXPECT_EQ(ReadBytes(Path("stream")).size(), 65552u + 1000);
    WriteBytes(Path("out"), Pattern(600000, 3));
    EXPECT_EQ(ConvertFirmware(Firmware(1000)).size(), 65552u + 1000);
}

// A chip larger than the image holds erased bytes after it, behind the image's own zero fill.
TEST_F(ConvertImageTest, ChipSizeFillsTheRestWithErasedBytes) {
    const struct {
        Bytes firmware;
        std::int64_t chipSize;
        std::size_t imageEnd;  // where the zero fill, if any, ends
    } cases[] = {{Firmware(3000, 0x05), 262144, 262144},
                 {Firmware(3000, 0x05), 262145, 262144},
                 {Firmware(3000, 0x0A), 1048576, 524288},
                 {Firmware(3000), 524288, 65552 + 3000}};
    for (const auto& c : cases) {
        WriteBytes(Path("fw"), c.firmware);
        ASSERT_EQ(Convert(Path("fw"), "", Path("out"), c.chipSize), "");
        Bytes image = ReadBytes(Path("out"));
        ASSERT_EQ(image.size(), static_cast<std::size_t>(c.chipSize)) << c.chipSize;
        EXPECT_TRUE(HoldsAt(image, 0x10010, c.firmware, 3000)) << c.chipSize;
        EXPECT_TRUE(AllAre(image, 65552 + 3000, c.imageEnd, 0x00)) << c.chipSize;
        EXPECT_TRUE(AllAre(image, c.imageEnd, image.size(), 0xFF)) << c.chipSize;
    }
}

}  // namespace
