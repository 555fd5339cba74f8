// The program among ordinary Unix plumbing: pipes and devices as files, standard streams closed
// or carrying the image, file size limits and readers that go away.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "e2e/program_runner.h"
#include "test_files.h"

namespace {

const std::string kDone = "Сообщение: Преобразование завершено!\n";

std::string Stop(const std::string& text) {
    return "Ошибка: " + text + "\n";
}

class UnixTest : public ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        WriteBytes(Path("fw"), Firmware(100000, 0x05));
        WriteBytes(Path("plain"), Firmware(3000, 0x00));
        WriteBytes(Path("nomarker"), Firmware(3000, 0x05, 0xFB));
        ASSERT_EQ(Sh("$K fw - fw.img && $K plain - plain.img").status, 0);
    }
    Outcome Sh(const std::string& script) {
        return RunShell(script, dir_);
    }
};

// The calibration named here does not exist, so opening it first would give another text.
TEST_F(UnixTest, FirmwareOfUnknownLengthStopsBeforeCalibrationAndOutput) {
    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
    for (const char* script :
         {"cat fw | $K /dev/stdin nocal out", "$K <(cat fw) nocal out", "$K /dev/zero nocal out",
          "cat fw > fifo 2>/dev/null & $K fifo nocal out"}) {
        WriteBytes(Path("out"), {4, 2});
        Outcome outcome = Sh(script);
        EXPECT_EQ(outcome.status, 1) << script;
        EXPECT_EQ(outcome.err, Stop("Ошибка чтения микропрограммы")) << script;
        EXPECT_EQ(ReadBytes(Path("out")), (Bytes{4, 2})) << script;
    }
}

TEST_F(UnixTest, StandardOutputCarriesTheImageAndNothingElse) {
    Outcome outcome = Sh("$K fw - /dev/stdout > out");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, kDone);
    EXPECT_EQ(ReadBytes(Path("out")), ReadBytes(Path("fw.img")));
    outcome = Sh("set -o pipefail; $K plain - /dev/stdout | cat > out");
    EXPECT_EQ(outcome.err, kDone);
    EXPECT_EQ(ReadBytes(Path("out")), ReadBytes(Path("plain.img")));
    // A pipe cannot be given the image's final length.
    outcome = Sh("set -o pipefail; $K fw - /dev/stdout | cat > out");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, Stop("Ошибка записи файла"));
    EXPECT_EQ(ReadBytes(Path("out")).size(), 165552u);
}

TEST_F(UnixTest, ClosedStandardDescriptorsAreNeverGivenToAFile) {
    // Closed, the firmware would take descriptor 0 and the output 2, where the error text goes.
    EXPECT_EQ(Sh("$K nomarker - out <&- 2>&-").status, 1);
    EXPECT_EQ(ReadBytes(Path("out")).size(), 65552u);
    EXPECT_EQ(Sh("$K fw - out <&- >&- 2>&-").status, 0);
    EXPECT_EQ(ReadBytes(Path("out")), ReadBytes(Path("fw.img")));
}

TEST_F(UnixTest, FailedWriteIsAnErrorNotADeathBySignal) {
    for (const char* script :
         {"ulimit -f 100; $K fw - out", "mkfifo p && { head -c 1 p > /dev/null & } && $K fw - p"}) {
        Outcome outcome = Sh(script);
        EXPECT_EQ(outcome.status, 1) << script;
        EXPECT_EQ(outcome.err, Stop("Ошибка записи файла")) << script;
    }
    // Standard error a pipe that nobody reads any more.
    EXPECT_EQ(Sh("exec 3> >(true); wait $!; $K nomarker - out 2>&3").status, 1);
    EXPECT_EQ(Sh("exec 3> >(true); wait $!; $K fw - out 2>&3").status, 0);
}

TEST_F(UnixTest, HelpAndVersionAreSoleArgumentsAndDoubleHyphenEndsOptions) {
    Outcome outcome = RunKorvane({"--help"}, "", dir_);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out.rfind("Использование: korvane [МИКРОПРОГРАММА", 0), 0u);
    EXPECT_EQ(outcome.err, "");
    outcome = RunKorvane({"--version"}, "", dir_);
    EXPECT_EQ(outcome.out + outcome.err, "KORVANE 1.0\n");
    for (const auto& arguments : {std::vector<std::string>{"--", "--help", "-", "out"},
                                  std::vector<std::string>{"--help", "-", "out"},
                                  std::vector<std::string>{"-x", "-", "out"}}) {
        outcome = RunKorvane(arguments, "", dir_);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.out + outcome.err, Stop("Ошибка открытия микропрограммы"));
    }
    EXPECT_EQ(Sh("$K --version > /dev/full").err, Stop("Ошибка записи файла"));
}

}  // namespace
