// The program run with its paths on the command line.
#include <gtest/gtest.h>
#include <unistd.h>

#include "e2e/program_runner.h"
#include "test_files.h"

namespace {

const std::string kDone = "Сообщение: Преобразование завершено!\n";

class ProgramTest : public ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        firmware_ = Firmware(3000, 0x05);
        calibration_ = Pattern(32768, 9);
        WriteBytes(Path("fw"), firmware_);
        WriteBytes(Path("cal"), calibration_);
    }
    Outcome Run(const std::vector<std::string>& arguments, const std::string& input = "") {
        return RunKorvane(arguments, input, dir_);
    }
    // The system's reason, where the failure has one, follows the text.
    void ExpectStop(const Outcome& outcome, const std::string& text,
                    const std::string& reason = "") {
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.err, "Ошибка: " + text + (reason.empty() ? "" : ": " + reason) + "\n");
        EXPECT_EQ(outcome.out, "");
    }
    Bytes firmware_;
    Bytes calibration_;
};

TEST_F(ProgramTest, ThreePathsBuildTheImageAndSayDone) {
    Outcome outcome = Run({Path("fw"), Path("cal"), Path("out")});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, kDone);
    EXPECT_EQ(outcome.out, "");
    Bytes image = ReadBytes(Path("out"));
    ASSERT_EQ(image.size(), 262144u);
    EXPECT_EQ(image[0x7FFF], 0xFF);
    EXPECT_EQ(image[0x8000], calibration_[0]);
    EXPECT_EQ(image[0xFFFF], calibration_[32767]);
    EXPECT_EQ(image[0x10000], 0x90);
    EXPECT_EQ(image[0x10010], firmware_[0]);
    EXPECT_EQ(image[0x10211], 0x05);
    EXPECT_EQ(image[0x10010 + 2999], firmware_[2999]);
    EXPECT_EQ(image[0x10010 + 3000], 0x00);
}

TEST_F(ProgramTest, HyphenAloneMeansNoCalibrationAndFourthArgumentIsIgnored) {
    Outcome outcome = Run({Path("fw"), "-", Path("out"), Path("fourth")});
    EXPECT_EQ(outcome.err, kDone);
    Bytes image = ReadBytes(Path("out"));
    ASSERT_EQ(image.size(), 262144u);
    EXPECT_EQ(image[0x8000], 0xFF);
    EXPECT_EQ(image[0xFFFF], 0xFF);
    EXPECT_FALSE(Exists(Path("fourth")));

    ExpectStop(Run({Path("fw"), "--", Path("out2")}), "Ошибка открытия калибровок",
               "No such file or directory");
    EXPECT_FALSE(Exists(Path("out2")));
}

// An unset variable in a script, not a cancel: "-" is the way to say no calibration.
TEST_F(ProgramTest, EmptyPathArgumentIsRefusedBeforeAnyFileIsOpened) {
    for (const auto& arguments : {std::vector<std::string>{"", Path("cal"), Path("out")},
                                  std::vector<std::string>{Path("fw"), "", Path("out")},
                                  std::vector<std::string>{Path("fw"), Path("cal"), ""}}) {
        ExpectStop(Run(arguments), "Пустой путь в командной строке");
    }
    EXPECT_FALSE(Exists(Path("out")));
}

// A cut path would name another file: here the 259-byte one, which must stay as it is.
TEST_F(ProgramTest, PathArgumentOfMoreThan259BytesIsRefusedBeforeAnyFileIsOpened) {
    std::string path = Path(std::string(259 - dir_.size() - 1, 'f'));
    ASSERT_EQ(path.size(), 259u);
    WriteBytes(path, firmware_);
    EXPECT_EQ(Run({path, "-", Path("out")}).err, kDone);
    WriteBytes(Path("out"), {5});
    for (const auto& arguments : {std::vector<std::string>{path + "xxxx", "-", Path("out")},
                                  std::vector<std::string>{Path("fw"), path + "x", Path("out")},
                                  std::vector<std::string>{Path("fw"), "-", path + "xxxx"}}) {
        ExpectStop(Run(arguments), "Путь длиннее 259 байт");
    }
    EXPECT_EQ(ReadBytes(path), firmware_);
    EXPECT_EQ(ReadBytes(Path("out")), Bytes{5});
}

// None of these touches an existing output.
TEST_F(ProgramTest, EachFailureNamesItsCauseAndLeavesTheOutputAsItWas) {
    ASSERT_EQ(mkdir(Path("folder").c_str(), 0755), 0);
    WriteBytes(Path("short"), Pattern(32767, 2));
    WriteBytes(Path("nomarker"), Firmware(3000, 0x05, 0xFB));
    ASSERT_EQ(symlink("nowhere/x", Path("dangling").c_str()), 0);
    const std::string missing = "No such file or directory", folder = "Is a directory";
    const char* const outputOpen = "Ошибка открытия выходного файла";
    const struct {
        std::vector<std::string> arguments;
        const char* text;
        std::string reason;
    } cases[] = {
        {{Path("none"), "-", Path("out")}, "Ошибка открытия микропрограммы", missing},
        {{Path("folder"), "-", Path("out")}, "Ошибка открытия микропрограммы", folder},
        {{Path("none"), Path("cal"), Path("out")}, "Ошибка открытия микропрограммы", missing},
        {{Path("fw"), Path("none"), Path("out")}, "Ошибка открытия калибровок", missing},
        {{Path("fw"), Path("folder"), Path("out")}, "Ошибка открытия калибровок", folder},
        {{Path("fw"), "-", Path("folder")}, outputOpen, "Это папка, укажите файл."},
        {{Path("fw"), "-", Path("none/out")}, outputOpen, "Папка не найдена."},
        {{Path("fw"), "-", Path("dangling")}, outputOpen, "Ссылка ведёт к несуществующему файлу."},
        {{Path("fw"), Path("short"), Path("out")}, "Ошибка чтения калибровок", ""},
        {{Path("nomarker"), "-", Path("out")}, "Таблица прерываний не найдена", ""},
        {{Path("fw"), Path("cal"), Path("fw")}, "Выходной файл совпадает с входным", ""},
        {{Path("fw"), Path("fw"), Path("out")}, "Калибровки совпадают с микропрограммой", ""},
    };
    for (const auto& c : cases) {
        WriteBytes(Path("out"), {4, 2});
        ExpectStop(Run(c.arguments), c.text, c.reason);
        EXPECT_EQ(ReadBytes(Path("out")), (Bytes{4, 2})) << c.text;
    }
    EXPECT_EQ(ReadBytes(Path("fw")), firmware_);
    EXPECT_FALSE(Exists(Path("nowhere")));
}

TEST_F(ProgramTest, OutputThroughALinkToAnInputIsRefused) {
    ASSERT_EQ(link(Path("fw").c_str(), Path("hard").c_str()), 0);
    ASSERT_EQ(symlink(Path("cal").c_str(), Path("soft").c_str()), 0);
    ExpectStop(Run({Path("fw"), Path("cal"), Path("hard")}), "Выходной файл совпадает с входным");
    ExpectStop(Run({Path("fw"), Path("cal"), Path("soft")}), "Выходной файл совпадает с входным");
    EXPECT_EQ(ReadBytes(Path("fw")), firmware_);
    EXPECT_EQ(ReadBytes(Path("cal")), calibration_);
}

TEST_F(ProgramTest, OversizedFirmwareLeavesAnExistingOutputAlone) {
    ASSERT_EQ(truncate(Path("fw").c_str(), 2147483648LL), 0);
    WriteBytes(Path("out"), {7, 7});
    ExpectStop(Run({Path("fw"), "-", Path("out")}), "Микропрограмма слишком велика");
    EXPECT_EQ(ReadBytes(Path("out")), (Bytes{7, 7}));
}

TEST_F(ProgramTest, FullDiskIsAWriteError) {
    ExpectStop(Run({Path("fw"), "-", "/dev/full"}), "Ошибка записи файла",
               "No space left on device");
}

// A sysfs file claims a page-sized length but holds far fewer bytes.
TEST_F(ProgramTest, FirmwareThatEndsBeforeItsLengthIsAReadError) {
    const std::string liar = "/sys/kernel/mm/transparent_hugepage/enabled";
    struct stat status {};
    if (stat(liar.c_str(), &status) != 0 || status.st_size < 1024) {
        GTEST_SKIP() << "no sysfs file with a false length here";
    }
    ExpectStop(Run({liar, "-", Path("out")}), "Ошибка чтения микропрограммы");
    EXPECT_FALSE(Exists(Path("out")));
}

}  // namespace
