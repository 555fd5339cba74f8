// Checking images, comparing them with their inputs and taking their calibration out. The images
// are laid out here byte by byte at their fixed offsets, not by the program.
#include <gtest/gtest.h>

#include "e2e/program_runner.h"
#include "test_files.h"

namespace {

const Bytes kCalibration = Pattern(32768, 5);

// Blank area, calibration or none, prefix, firmware, then zeros up to length (0: as long as
// written, else cut there).
Bytes Layout(const Bytes& firmware, bool calibrated, std::size_t length = 0) {
    Bytes image(0x10010 + firmware.size(), 0xFF);
    if (calibrated) {
        std::copy(kCalibration.begin(), kCalibration.end(), image.begin() + 0x8000);
    }
    image[0x10000] = 0x90;
    image[0x10001] = 0x48;
    image[0x10002] = 0x24;
    image[0x10003] = 0x42;
    std::copy(firmware.begin(), firmware.end(), image.begin() + 0x10010);
    if (length != 0) {
        image.resize(length, 0x00);
    }
    return image;
}

Bytes Spoiled(Bytes image, std::size_t offset) {
    image[offset] ^= 0x01;
    return image;
}

struct Expected {
    int status;
    std::string out;
    std::string err;
};

class CheckTest : public ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        WriteBytes(Path("fw"), firmware_);
        WriteBytes(Path("cal"), kCalibration);
    }
    // Writes the image, runs the program on it with the arguments after it and compares.
    void Expect(const Bytes& image, const std::vector<std::string>& after, const Expected& want) {
        WriteBytes(Path("img"), image);
        std::vector<std::string> arguments = {"--check", Path("img")};
        for (const std::string& argument : after) {
            arguments.push_back(argument.empty() || argument == "-" ? argument : Path(argument));
        }
        Outcome outcome = RunKorvane(arguments, "", dir_);
        EXPECT_EQ(outcome.status, want.status) << want.err;
        EXPECT_EQ(outcome.out, want.out) << want.err;
        EXPECT_EQ(outcome.err, want.err);
    }
    const Bytes firmware_ = Firmware(3000, 0x05);
    const Bytes image_ = Layout(firmware_, true, 262144);
};

Expected Fault(const std::string& text, const std::string& where) {
    return {1, "", "Ошибка: " + text + ": смещение " + where + "\n"};
}

Expected Report(const std::string& length, const std::string& calibration,
                const std::string& sizeByte, const std::string& firmware) {
    return {0,
            "Длина образа: " + length + " байт\nКалибровки: " + calibration +
                "\nБайт размера: " + sizeByte + "\n" + firmware + " байт\n",
            ""};
}

TEST_F(CheckTest, LayoutCheckReportsASoundImageAndNamesTheFirstWrongByte) {
    const std::string blank = "Пустая область не стёрта", prefix = "Неверный префикс микропрограммы";
    const std::string length = "Неверная длина образа";
    Bytes tooLong = image_;
    tooLong.push_back(0x00);
    const struct {
        Bytes image;
        Expected want;
    } cases[] = {
        {image_, Report("262144", "есть", "0x05, длина по байту размера",
                        "Микропрограмма и заполнение: 196592")},
        {Layout(Firmware(600, 0x20), false),
         Report("66152", "нет", "0x20, длина как записано", "Микропрограмма: 600")},
        {Layout(Firmware(513), false),
         Report("66065", "нет", "нет (микропрограмма 513 байт)", "Микропрограмма: 513")},
        {Layout(Firmware(3000, 0x0F), true, 524288),
         Report("524288", "есть", "0x0F, длина по байту размера",
                "Микропрограмма и заполнение: 458736")},
        {Spoiled(image_, 0x00000), Fault(blank, "0x00000")},
        {Spoiled(image_, 0x07FFF), Fault(blank, "0x07FFF")},
        {Spoiled(image_, 0x10003), Fault(prefix, "0x10003")},
        {Spoiled(image_, 0x1000F), Fault(prefix, "0x1000F")},
        {Spoiled(image_, 0x10210), Fault("Таблица прерываний не найдена", "0x10210")},
        {Bytes(image_.begin(), image_.end() - 1), Fault(length, "0x3FFFF")},
        {tooLong, Fault(length, "0x40000")},
        {Bytes(image_.begin(), image_.begin() + 0x10210), Fault(length, "0x10210")},
        {Bytes(0x9000, 0xFF), Fault(length, "0x09000")},
    };
    for (const auto& c : cases) {
        Expect(c.image, {}, c.want);
    }
}

// The same sequence as the conversion, compared instead of written: the first difference with
// its area, or the length.
TEST_F(CheckTest, ComparisonWithTheInputsNamesTheFirstDifferenceAndItsArea) {
    const std::string differs = "Образ отличается от входных файлов";
    const std::string length = "Длина образа отличается от ожидаемой";
    Bytes dump = image_;
    dump.resize(524288, 0xFF);
    const Expected equal = {0, "Образ совпадает с входными файлами.\n", ""};
    const struct {
        Bytes image;
        std::vector<std::string> inputs;
        Expected want;
    } cases[] = {
        {image_, {"fw", "cal"}, equal},
        {Layout(firmware_, false, 262144), {"fw"}, equal},
        {Layout(firmware_, false, 262144), {"fw", "-"}, equal},
        {image_, {"fw"}, Fault(differs, "0x08000, калибровки")},
        {Spoiled(image_, 0x00100), {"fw", "cal"}, Fault(differs, "0x00100, пустая область")},
        {Spoiled(image_, 0x10001), {"fw", "cal"}, Fault(differs, "0x10001, префикс")},
        {Spoiled(image_, 0x10BC7), {"fw", "cal"}, Fault(differs, "0x10BC7, микропрограмма")},
        {Spoiled(image_, 0x10BC8), {"fw", "cal"}, Fault(differs, "0x10BC8, заполнение")},
        {Bytes(image_.begin(), image_.end() - 5), {"fw", "cal"}, Fault(length, "0x3FFFB")},
        {dump, {"fw", "cal"}, Fault(length, "0x40000")},
        {image_,
         {"none", "cal"},
         {1, "", "Ошибка: Ошибка открытия микропрограммы: No such file or directory\n"}},
        {image_, {"img"}, {1, "", "Ошибка: Таблица прерываний не найдена\n"}},
    };
    for (const auto& c : cases) {
        Expect(c.image, c.inputs, c.want);
    }
}

TEST_F(CheckTest, CalibrationComesOutOfAnImageOrALongerDumpAndNowhereElse) {
    Bytes dump = image_;
    dump.resize(524288, 0xFF);
    WriteBytes(Path("dump"), dump);
    WriteBytes(Path("blank"), Layout(firmware_, false, 262144));
    WriteBytes(Path("short"), Bytes(image_.begin(), image_.begin() + 65535));
    auto run = [&](const std::string& image, const std::string& output) {
        return RunKorvane({"--extract-calibration", Path(image), output}, "", dir_);
    };
    EXPECT_EQ(run("dump", Path("out")).status, 0);
    EXPECT_EQ(ReadBytes(Path("out")), kCalibration);
    const struct {
        const char* image;
        const char* text;
    } refusals[] = {{"blank", "В образе нет калибровок"},
                    {"short", "Образ короче 65536 байт"},
                    {"dump", "Выходной файл совпадает с входным"}};
    for (const auto& r : refusals) {
        std::string output = r.image == std::string("dump") ? Path("dump") : Path("new");
        Outcome outcome = run(r.image, output);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.err, std::string("Ошибка: ") + r.text + "\n");
        EXPECT_FALSE(Exists(Path("new")));
    }
    EXPECT_EQ(ReadBytes(Path("dump")), dump);
    Outcome outcome = RunShell("$K --extract-calibration dump /dev/stdout | cat > piped", dir_);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(ReadBytes(Path("piped")), kCalibration);
    EXPECT_EQ(RunKorvane({"--extract-calibration", Path("dump")}, "", dir_).err,
              "Ошибка: Неверные аргументы ключа, см. korvane --help\n");
}

// The round trip a technician makes, on flashrom's emulated 512 KiB chip: write, read back,
// check the dump against its inputs, take its calibration for the next image.
TEST_F(CheckTest, ImageSurvivesARoundTripThroughAnEmulatedChip) {
    if (RunShell("command -v flashrom", dir_).status != 0) {
        GTEST_SKIP() << "flashrom is not installed";
    }
    WriteBytes(Path("fw"), Firmware(3000, 0x08));
    Outcome outcome = RunShell(
        "chip='-p dummy:emulate=SST25VF040.REMS,image=chip -c SST25VF040'\n"
        "$K fw cal img 2> /dev/null && flashrom $chip -w img > /dev/null && "
        "flashrom $chip -r dump > /dev/null && $K --check dump fw cal && "
        "$K --extract-calibration dump cal2",
        dir_);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "Образ совпадает с входными файлами.\n");
    EXPECT_EQ(ReadBytes(Path("cal2")), kCalibration);
}

}  // namespace
