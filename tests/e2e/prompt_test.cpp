// The program asking for the paths it was not given, answered on standard input.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "e2e/program_runner.h"
#include "test_files.h"

namespace {

const std::string kAbout = "О программе: KORVANE v1.0 ";
const std::string kAskFirmware = "Выберите микропрограмму: ";
const std::string kAskCalibration = "Выберите калибровки: ";
const std::string kAskOutput = "Выберите выходной файл: ";
const std::string kAskReplace = "Файл уже существует. Заменить? (да/нет): ";
const std::string kDone = "Сообщение: Преобразование завершено!\n";

class PromptTest : public ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        WriteBytes(Path("fw"), Firmware(2000, 0x08));
        WriteBytes(Path("cal"), Pattern(32768, 4));
    }
    Outcome Run(const std::vector<std::string>& arguments, const std::string& input) {
        return RunKorvane(arguments, input, dir_);
    }
};

TEST_F(PromptTest, NoArgumentsShowsAboutThenAsksForAllThreeInOrder) {
    Outcome outcome = Run({}, Path("fw") + "\n" + Path("cal") + "\n" + Path("out") + "\n");
    EXPECT_EQ(outcome.status, 0);
    ASSERT_EQ(outcome.out.rfind(kAbout, 0), 0u) << outcome.out;
    std::size_t aboutEnd = outcome.out.find('\n');
    EXPECT_EQ(outcome.out.substr(aboutEnd - 1, 2), ".\n");
    EXPECT_EQ(outcome.out.substr(aboutEnd + 1),
              kAskFirmware + kAskCalibration + kAskOutput + kDone);
    Bytes image = ReadBytes(Path("out"));
    ASSERT_EQ(image.size(), 524288u);
    EXPECT_EQ(image[0x8000], Pattern(32768, 4)[0]);
}

TEST_F(PromptTest, OneArgumentAsksForCalibrationAndOutputAndAnEmptyCalibrationMeansNone) {
    Outcome outcome = Run({Path("fw")}, "\n" + Path("out") + "\n");
    EXPECT_EQ(outcome.out, kAskCalibration + kAskOutput + kDone);
    Bytes image = ReadBytes(Path("out"));
    ASSERT_EQ(image.size(), 524288u);
    EXPECT_EQ(image[0x8000], 0xFF);
}

TEST_F(PromptTest, CarriageReturnBeforeTheLineEndIsNoPartOfTheAnswer) {
    Outcome outcome = Run({Path("fw")}, "\r\n" + Path("out") + "\r\n");
    EXPECT_EQ(outcome.out, kAskCalibration + kAskOutput + kDone);
    EXPECT_EQ(ReadBytes(Path("out")).size(), 524288u);
}

TEST_F(PromptTest, CancelledOutputEndsSilentlyWithoutAFile) {
    for (const std::string& input : {std::string("\n"), std::string()}) {
        Outcome outcome = Run({Path("fw"), Path("cal")}, input);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.out.rfind(kAskOutput, 0), 0u);
        EXPECT_EQ(outcome.out.find(kDone), std::string::npos);
        EXPECT_EQ(outcome.err, "");
    }
    Outcome outcome = Run({}, "");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out.find(kAskCalibration), std::string::npos);
    EXPECT_FALSE(Exists(Path("out")));
}

TEST_F(PromptTest, OpenAsksAgainUntilAnExistingFileIsNamed) {
    ASSERT_EQ(mkdir(Path("folder").c_str(), 0755), 0);
    Outcome outcome = Run({}, Path("none") + "\n" + Path("folder") + "\n" + Path("fw") + "\n-\n\n" +
                                  Path("out") + "\n");
    EXPECT_EQ(outcome.status, 0);
    const std::string notFound = "Файл не найден.\n";
    EXPECT_NE(outcome.out.find(kAskFirmware + notFound + kAskFirmware + notFound + kAskFirmware +
                               kAskCalibration + notFound + kAskCalibration + kAskOutput + kDone),
              std::string::npos)
        << outcome.out;
    EXPECT_EQ(ReadBytes(Path("out")).size(), 524288u);
}

TEST_F(PromptTest, SaveFollowsTheSaveDialogRules) {
    WriteBytes(Path("old"), {1});
    WriteBytes(Path("locked"), {2});
    ASSERT_EQ(chmod(Path("locked").c_str(), 0444), 0);
    ASSERT_EQ(mkdir(Path("folder").c_str(), 0755), 0);
    std::string input = Path("none/out") + "\n" + Path("folder") + "\n" + Path("locked") + "\n" +
                        Path("old") + "\nнет\n" + Path("old") + "\nда\n";
    Outcome outcome = Run({Path("fw"), "-"}, input);
    EXPECT_EQ(outcome.out, kAskOutput + "Папка не найдена.\n" + kAskOutput +
                               "Это папка, укажите файл.\n" + kAskOutput +
                               "Файл только для чтения.\n" + kAskOutput + kAskReplace + kAskOutput +
                               kAskReplace + kDone);
    EXPECT_EQ(ReadBytes(Path("old")).size(), 524288u);
    EXPECT_EQ(ReadBytes(Path("locked")), Bytes{2});
}

TEST_F(PromptTest, RefusedReplacementAtEndOfInputIsACancel) {
    WriteBytes(Path("old"), {1});
    Outcome outcome = Run({Path("fw"), "-"}, Path("old") + "\n");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(ReadBytes(Path("old")), Bytes{1});
}

TEST_F(PromptTest, PathLongerThan259BytesIsACancel) {
    Outcome outcome = Run({Path("fw"), "-"}, "/tmp/" + std::string(255, 'o') + "\n");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, kAskOutput);
    outcome = Run({Path("fw")}, "/tmp/" + std::string(255, 'c') + "\n" + Path("out") + "\n");
    EXPECT_EQ(outcome.out, kAskCalibration + kAskOutput + kDone);
    EXPECT_EQ(ReadBytes(Path("out"))[0x8000], 0xFF);
}

}  // namespace
