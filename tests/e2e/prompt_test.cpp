// The program asking for the paths it was not given, answered on standard input.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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
    ASSERT_EQ(outcome.err.rfind(kAbout, 0), 0u) << outcome.err;
    std::size_t aboutEnd = outcome.err.find('\n');
    EXPECT_EQ(outcome.err.substr(aboutEnd - 1, 2), ".\n");
    EXPECT_EQ(outcome.err.substr(aboutEnd + 1),
              kAskFirmware + kAskCalibration + kAskOutput + kDone);
    Bytes image = ReadBytes(Path("out"));
    ASSERT_EQ(image.size(), 524288u);
    EXPECT_EQ(image[0x8000], Pattern(32768, 4)[0]);
}

TEST_F(PromptTest, OneArgumentAsksForCalibrationAndOutputAndAnEmptyCalibrationMeansNone) {
    Outcome outcome = Run({Path("fw")}, "\n" + Path("out") + "\n");
    EXPECT_EQ(outcome.err, kAskCalibration + kAskOutput + kDone);
    Bytes image = ReadBytes(Path("out"));
    ASSERT_EQ(image.size(), 524288u);
    EXPECT_EQ(image[0x8000], 0xFF);
}

// Only the command line knows "-" as no calibration; typed at the prompt it names a file.
TEST_F(PromptTest, HyphenTypedAtThePromptIsAFileName) {
    WriteBytes(Path("-"), Pattern(32768, 8));
    Outcome outcome = Run({Path("fw")}, "-\n" + Path("out") + "\n");
    EXPECT_EQ(outcome.err, kAskCalibration + kAskOutput + kDone);
    EXPECT_EQ(ReadBytes(Path("out"))[0x8000], Pattern(32768, 8)[0]);
}

TEST_F(PromptTest, CarriageReturnBeforeTheLineEndIsNoPartOfTheAnswer) {
    Outcome outcome = Run({Path("fw")}, "\r\n" + Path("out") + "\r\n");
    EXPECT_EQ(outcome.err, kAskCalibration + kAskOutput + kDone);
    EXPECT_EQ(ReadBytes(Path("out")).size(), 524288u);
}

TEST_F(PromptTest, CancelledOutputEndsSilentlyWithoutAFile) {
    for (const std::string& input : {std::string("\n"), std::string()}) {
        Outcome outcome = Run({Path("fw"), Path("cal")}, input);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.err.rfind(kAskOutput, 0), 0u);
        EXPECT_EQ(outcome.err.find(kDone), std::string::npos);
        EXPECT_EQ(outcome.out, "");
    }
    Outcome outcome = Run({}, "");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err.find(kAskCalibration), std::string::npos);
    EXPECT_FALSE(Exists(Path("out")));
}

TEST_F(PromptTest, OpenAsksAgainUntilAnExistingFileIsNamed) {
    ASSERT_EQ(mkdir(Path("folder").c_str(), 0755), 0);
    Outcome outcome = Run({}, Path("none") + "\n" + Path("folder") + "\n" + Path("fw") + "\n-\n\n" +
                                  Path("out") + "\n");
    EXPECT_EQ(outcome.status, 0);
    const std::string notFound = "Файл не найден.\n", folder = "Это папка, укажите файл.\n";
    EXPECT_NE(outcome.err.find(kAskFirmware + notFound + kAskFirmware + folder + kAskFirmware +
                               kAskCalibration + notFound + kAskCalibration + kAskOutput + kDone),
              std::string::npos)
        << outcome.err;
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
    EXPECT_EQ(outcome.err, kAskOutput + "Папка не найдена.\n" + kAskOutput +
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

// Only an empty line or the end of input cancels. An answer that a path buffer would cut, at 259
// bytes and a carriage return, or that a NUL byte would cut, is refused and asked again.
TEST_F(PromptTest, AnswerThatWouldBeCutIsAskedAgain) {
    std::string calibrationPath = Path(std::string(259 - dir_.size() - 1, 'c'));
    ASSERT_EQ(calibrationPath.size(), 259u);
    Bytes calibration = Pattern(32768, 6);
    WriteBytes(calibrationPath, calibration);
    WriteBytes(Path("old"), {1});
    const std::string nul(1, '\0');
    Outcome outcome = Run({Path("fw")}, calibrationPath + "x\n" + calibrationPath + "\rx\n" +
                                            Path("cal") + nul + "x\n" + calibrationPath + "\r\n" +
                                            Path("old") + "\nда" + nul + "x\nда\n");
    const std::string tooLong = "Путь длиннее 259 байт\n", hasNul = "Путь содержит нулевой байт\n";
    EXPECT_EQ(outcome.err, kAskCalibration + tooLong + kAskCalibration + tooLong + kAskCalibration +
                               hasNul + kAskCalibration + kAskOutput + kAskReplace + hasNul +
                               kAskReplace + kDone);
    Bytes image = ReadBytes(Path("old"));
    ASSERT_EQ(image.size(), 524288u);
    EXPECT_EQ(Bytes(image.begin() + 0x8000, image.begin() + 0x10000), calibration);
}

// Yes and no in any case and with blanks around them; anything else is asked again.
TEST_F(PromptTest, ReplaceAnswersAreTakenInAnyCaseAndOthersAskedAgain) {
    const std::string again = "Ответьте «да» или «нет».\n";
    for (const char* yes : {"Да", "ДА", "Y", "Yes", "да "}) {
        WriteBytes(Path("old"), {1});
        Outcome outcome = Run({Path("fw"), "-"}, Path("old") + "\nmaybe\n Нет\t\n" + Path("old") +
                                                     "\n" + std::string(yes) + "\n");
        EXPECT_EQ(outcome.err,
                  kAskOutput + kAskReplace + again + kAskReplace + kAskOutput + kAskReplace + kDone)
            << yes;
        EXPECT_EQ(ReadBytes(Path("old")).size(), 524288u) << yes;
    }
}

// A calibration dialog offers the firmware, which would make its head the calibration.
TEST_F(PromptTest, FirmwareIsRefusedAsTheCalibration) {
    ASSERT_EQ(link(Path("fw").c_str(), Path("hard").c_str()), 0);
    Outcome outcome = Run({Path("fw")}, Path("hard") + "\n\n" + Path("out") + "\n");
    EXPECT_EQ(outcome.err, kAskCalibration + "Калибровки совпадают с микропрограммой\n" +
                               kAskCalibration + kAskOutput + kDone);
    EXPECT_EQ(ReadBytes(Path("out"))[0x8000], 0xFF);
}

}  // namespace
