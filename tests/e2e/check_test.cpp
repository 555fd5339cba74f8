// Checking images, comparing them with their inputs and taking their calibration out, on images
// laid out here byte by byte at their fixed offsets, not by the program.
#include <gtest/gtest.h>

#include "e2e/program_runner.h"
#include "test_files.h"

namespace {

const Bytes kCalibration = Pattern(32768, 5);

// Blank area, calibration or none, prefix, firmware, then zeros up to length (0: as written).
Bytes Layout(const Bytes& firmware, bool calibrated, std::size_t length = 0) {
    Bytes image(0x10010 + firmware.size(), 0xFF);
    if (calibrated) {
        std::copy(kCalibration.begin(), kCalibration.end(), image.begin() + 0x8000);
    }
    const Bytes prefix = {0x90, 0x48, 0x24, 0x42};
    std::copy(prefix.begin(), prefix.end(), image.begin() + 0x10000);
    std::copy(firmware.begin(), firmware.end(), image.begin() + 0x10010);
    image.resize(length == 0 ? image.size() : length, 0x00);
    return image;
}

// Erased up to 512 KiB, as a larger chip holds the image.
Bytes Padded(Bytes image) {
    image.resize(524288, 0xFF);
    return image;
}

// One bit changed at offset, or the image cut or grown to length.
Bytes Spoiled(Bytes image, std::size_t offset, std::size_t length = 0) {
    if (length == 0) {
        image[offset] ^= 0x01;
    }
    image.resize(length == 0 ? image.size() : length, 0x00);
    return image;
}

std::string At(const std::string& text, const std::string& where) {
    return "Ошибка: " + text + ": смещение " + where + "\n";
}

class CheckTest : public ScratchTest {
  protected:
    // Runs --check on image with the inputs after it; text is standard output on success, else
    // standard error.
    void Expect(const Bytes& image, const std::vector<std::string>& inputs,
                const std::string& text) {
        WriteBytes(Path("fw"), firmware_);
        WriteBytes(Path("cal"), kCalibration);
        WriteBytes(Path("img"), image);
        std::vector<std::string> arguments = {"--check", Path("img")};
        for (const std::string& input : inputs) {
            arguments.push_back(input == "-" ? input : Path(input));
        }
        Outcome outcome = RunKorvane(arguments, "", dir_);
        bool sound = text.rfind("Ошибка", 0) != 0;
        EXPECT_EQ(outcome.status, sound ? 0 : 1) << text;
        EXPECT_EQ(sound ? outcome.out : outcome.err, text);
    }
    const Bytes firmware_ = Firmware(3000, 0x05);
    const Bytes image_ = Layout(firmware_, true, 262144);
    const std::string report_ =
        "Длина образа: 262144 байт\nКалибровки: есть\nБайт размера: 0x05, длина по байту "
        "размера\nМикропрограмма и заполнение: 196592 байт";
};

// Alone, the image is judged by its layout: a report, or the first wrong byte. With its inputs it
// is compared with what the conversion's own sequence makes of them: the first difference with
// its area, or the length; a fault of the inputs as the conversion names it.
TEST_F(CheckTest, CheckNamesTheFirstWrongByteOrDifferenceWithItsOffset) {
    const std::string length = "Неверная длина образа",
                      differs = "Образ отличается от входных файлов",
                      tail = "Байты за образом не стёрты";
    const std::string equal = "Образ совпадает с входными файлами.\n";
    const std::vector<std::string> inputs = {"fw", "cal"};
    const struct {
        Bytes image;
        std::vector<std::string> inputs;
        std::string text;
    } cases[] = {
        {image_, {}, report_ + "\n"},
        {Layout(Firmware(513), false),
         {},
         "Длина образа: 66065 байт\nКалибровки: нет\nБайт "
         "размера: нет (микропрограмма 513 байт)\nМикропрограмма: "
         "513 байт\n"},
        {Spoiled(image_, 0x07FFF), {}, At("Пустая область не стёрта", "0x07FFF")},
        {Spoiled(image_, 0x1000F), {}, At("Неверный префикс микропрограммы", "0x1000F")},
        {Spoiled(image_, 0x10210), {}, At("Таблица прерываний не найдена", "0x10210")},
        {Spoiled(image_, 0, 0x40001), {}, At(tail, "0x40000")},
        {Spoiled(Padded(image_), 0x7FFFF), {}, At(tail, "0x7FFFF")},
        {Padded(image_), {}, report_ + "\nЗа образом стёрто: 262144 байт\n"},
        {Padded(image_), inputs,
         "Образ совпадает с входными файлами.\nЗа образом стёрто: 262144 байт\n"},
        {Padded(Layout(firmware_, true)), inputs, At(differs, "0x10BC8, заполнение")},
        {Spoiled(image_, 0, 0x3FFFF), {}, At(length, "0x3FFFF")},
        {Spoiled(image_, 0, 0x10210), {}, At(length, "0x10210")},
        {image_, inputs, equal},
        {Layout(firmware_, false, 262144), {"fw", "-"}, equal},
        {image_, {"fw"}, At(differs, "0x08000, калибровки")},
        {Spoiled(image_, 0x00100), inputs, At(differs, "0x00100, пустая область")},
        {Spoiled(image_, 0x10001), inputs, At(differs, "0x10001, префикс")},
        {Spoiled(image_, 0x10BC7), inputs, At(differs, "0x10BC7, микропрограмма")},
        {Spoiled(image_, 0x10BC8), inputs, At(differs, "0x10BC8, заполнение")},
        {Spoiled(image_, 0, 0x80000), inputs, At(tail, "0x40000")},
        {Spoiled(image_, 0, 0x3FFFF), inputs,
         At("Длина образа отличается от ожидаемой", "0x3FFFF")},
        {image_, {"none"}, "Ошибка: Ошибка открытия микропрограммы: No such file or directory\n"},
        {image_, {"img"}, "Ошибка: Таблица прерываний не найдена\n"},
        {image_, {"fw", "fw"}, "Ошибка: Калибровки совпадают с микропрограммой\n"},
    };
    for (const auto& c : cases) {
        Expect(c.image, c.inputs, c.text);
    }
}

// A dump longer than its image gives its calibration; nothing that fails the layout checks up to
// the marker gives one, and nothing is written then. A stream is read as cat reads it, up to the
// largest image and a byte. Last, the round trip a technician makes with a 256 KiB image on
// flashrom's emulated 512 KiB chip: pad, write, read back, verify, take the calibration out.
TEST_F(CheckTest, CalibrationComesOutOfAnImageOrADumpAndNowhereElse) {
    WriteBytes(Path("dump"), Spoiled(image_, 0, 524288));
    WriteBytes(Path("blank"), Layout(firmware_, false, 262144));
    WriteBytes(Path("short"), Spoiled(image_, 0, 65535));
    WriteBytes(Path("prefix"), Spoiled(image_, 0x10000));
    WriteBytes(Path("aa"), Bytes(524288, 0xAA));
    WriteBytes(Path("fw"), firmware_);
    WriteBytes(Path("cal"), kCalibration);
    WriteBytes(Path("plain"), Layout(Firmware(3000), true));
    const std::string extract = "$K --extract-calibration ",
                      refused = " || { [ -e new ] && exit 9; exit 1; }",
                      chip = "flashrom -p dummy:emulate=SST25VF040.REMS,image=chip -c SST25VF040";
    const struct {
        std::string script;
        int status;
        std::string err;
    } cases[] = {
        {"cp dump dump0 && " + extract + "dump out && " + extract +
             "dump /dev/stdout | cat > piped && cmp out cal && cmp piped cal && cmp dump dump0",
         0, "Сообщение: Калибровки записаны: out\nСообщение: Калибровки записаны: /dev/stdout\n"},
        {extract + "blank new" + refused, 1, "Ошибка: В образе нет калибровок\n"},
        {extract + "short new" + refused, 1, At("Неверная длина образа", "0x0FFFF")},
        {extract + "prefix new" + refused, 1, At("Неверный префикс микропрограммы", "0x10000")},
        {extract + "aa new" + refused, 1, At("Пустая область не стёрта", "0x00000")},
        {"head -c 524288 /dev/zero > zero; " + extract + "zero new" + refused, 1,
         At("Пустая область не стёрта", "0x00000")},
        {extract + "fw new" + refused, 1, At("Пустая область не стёрта", "0x00000")},
        {extract + "dump dump", 1, "Ошибка: Выходной файл совпадает с входным\n"},
        {extract + "dump /dev/full", 1, "Ошибка: Ошибка записи файла: No space left on device\n"},
        {extract + "dump out extra", 1, "Ошибка: Неверные аргументы ключа, см. korvane --help\n"},
        {"truncate -s 2G big; $K --check big fw", 1, "Ошибка: Образ слишком велик\n"},
        {"mkfifo p; { sleep 0.3; timeout 10 cat dump > p; } & timeout 10 $K --check p > /dev/null",
         1, At("Байты за образом не стёрты", "0x40000")},
        {"{ cat plain; cat /dev/zero; } | timeout 60 $K --check /dev/stdin", 1,
         "Ошибка: Образ слишком велик\n"},
        {"command -v flashrom > /dev/null || exit 77; $K --pad-to 512K fw cal img 2> /dev/null "
         "&& " +
             chip + " -w img > /dev/null && " + chip + " -r chipdump > /dev/null && " +
             "$K --check chipdump fw cal > /dev/null && $K --check chipdump > /dev/null && " +
             extract + "chipdump cal2 2> /dev/null && cmp cal2 cal && cmp img chipdump",
         0, ""},
    };
    for (const auto& c : cases) {
        Outcome outcome = RunShell(c.script, dir_);
        if (outcome.status == 77) {
            GTEST_SKIP() << "flashrom is not installed: no round trip through an emulated chip";
        }
        EXPECT_EQ(outcome.status, c.status) << c.script;
        EXPECT_EQ(outcome.err, c.err) << c.script;
    }
}

}  // namespace
