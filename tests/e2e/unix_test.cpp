// The program among ordinary Unix plumbing: pipes, FIFOs and devices as files, standard streams
// closed or carrying the image, file size limits, readers that go away, terminals, locks, loop
// devices and overlay mounts.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "e2e/program_runner.h"
#include "test_files.h"

namespace {

const std::string kDone = "Сообщение: Преобразование завершено!\n";

std::string Stop(const std::string& text, const std::string& reason = "") {
    return "Ошибка: " + text + (reason.empty() ? "" : ": " + reason) + "\n";
}

class UnixTest : public ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        WriteBytes(Path("fw"), Firmware(100000, 0x05));
        WriteBytes(Path("plain"), Firmware(3000, 0x00));
        WriteBytes(Path("nomarker"), Firmware(3000, 0x05, 0xFB));
        WriteBytes(Path("cal"), Pattern(32768, 3));
        ASSERT_EQ(Sh("$K fw - fw.img && $K plain - plain.img").status, 0);
    }
    Outcome Sh(const std::string& script) {
        return RunShell(script, dir_);
    }
    // Runs each script and compares its status, its standard error and, where given, a file's
    // bytes with the bytes the test names: a file of the scratch folder or a literal text.
    struct Case {
        std::string script;
        int status;
        std::string err;
        std::string file;
        std::string expected;  // "@name" for the bytes of a file, else the text itself
    };
    void RunCases(const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            Outcome outcome = Sh(c.script);
            EXPECT_EQ(outcome.status, c.status) << c.script;
            EXPECT_EQ(outcome.err, c.err) << c.script;
            if (c.file.empty()) {
                continue;
            }
            Bytes expected(c.expected.begin(), c.expected.end());
            if (c.expected.rfind('@', 0) == 0) {
                expected = ReadBytes(Path(c.expected.substr(1)));
            }
            EXPECT_EQ(ReadBytes(Path(c.file)), expected) << c.script;
        }
    }
    // Skips, visibly, where the system does not allow what the case needs.
    void Need(const std::string& probe, const std::string& what) {
        if (Sh(probe).status != 0) {
            GTEST_SKIP() << what;
        }
    }
};

// Known from the kind of file before it is opened, so nothing waits for a writer; the
// calibration named here does not exist, so opening it first would give another text.
TEST_F(UnixTest, FirmwareWithoutALengthStopsAtOnceBeforeCalibrationAndOutput) {
    const std::string readError = Stop("Ошибка чтения микропрограммы");
    RunCases({{"echo 42 > out; cat fw | $K /dev/stdin nocal out", 1, readError, "out", "42\n"},
              {"$K <(cat fw) nocal out", 1, readError, "out", "42\n"},
              {"$K /dev/zero nocal out", 1, readError, "out", "42\n"},
              {"mkfifo fifo; timeout 10 $K fifo nocal out", 1, readError, "out", "42\n"}});
}

// A FIFO without a partner gives its error at once; one with a partner works as a file does.
TEST_F(UnixTest, CalibrationAndOutputFifosNeverWaitForAPartner) {
    RunCases({{"mkfifo c; timeout 10 $K fw c out", 1, Stop("Ошибка чтения калибровок"), "", ""},
              {"mkfifo o; timeout 10 $K fw - o", 1,
               Stop("Ошибка открытия выходного файла", "No such device or address"), "", ""},
              {"mkfifo d; exec 3<>d; cat cal >&3; $K fw d out; $K fw cal ref", 0, kDone + kDone,
               "out", "@ref"}});
}

// Written where the stream stands, never cut, with the fill written out: what others wrote
// before and after stays; on the error stream, what the program says comes after the image.
TEST_F(UnixTest, StandardStreamOutputKeepsWhatIsAroundTheImage) {
    RunCases(
        {{"printf 'header\\n' > out; $K fw - /dev/stdout >> out; (echo header; cat fw.img) > want",
          0, kDone, "out", "@want"},
         {"{ echo header; $K fw - /dev/fd/1; echo trailer; } > out; (echo header; cat fw.img; "
          "echo trailer) > want",
          0, kDone, "out", "@want"},
         {"{ echo header >&2; $K fw - /proc/self/fd/2; } 2> out; (echo header; cat fw.img; "
          "printf '" +
              kDone + "') > want",
          0, "", "out", "@want"},
         {"set -o pipefail; $K fw - /dev/stdout | cat > out", 0, kDone, "out", "@fw.img"},
         {"$K fw - /dev/stdout > out", 0, kDone, "out", "@fw.img"},
         {"set -o pipefail; $K plain - /dev/stdout | cat > out", 0, kDone, "out", "@plain.img"},
         {"$K fw - /dev/null", 0, kDone, "", ""},
         // Left non-blocking by another program, a slow reader's pipe is waited on.
         {"set -o pipefail; /usr/bin/python3 -c 'import os, sys; os.set_blocking(1, False); "
          "os.execv(sys.argv[1], sys.argv[1:])' $K fw - /dev/stdout | { sleep 0.5; cat; } > out",
          0, kDone, "out", "@fw.img"}});
}

TEST_F(UnixTest, ClosedStandardDescriptorsAreNeverGivenToAFile) {
    // Closed, the firmware would take descriptor 0 and the output 2, where the error text goes.
    EXPECT_EQ(Sh("ulimit -f 100; $K fw - out <&- 2>&-").status, 1);
    Bytes image = ReadBytes(Path("fw.img"));
    EXPECT_EQ(ReadBytes(Path("out")), Bytes(image.begin(), image.begin() + 102400));
    EXPECT_EQ(Sh("$K fw - out <&- >&- 2>&-").status, 0);
    EXPECT_EQ(ReadBytes(Path("out")), image);
}

// The reader of the FIFO takes one byte and goes away.
TEST_F(UnixTest, FailedWriteIsAnErrorWithItsReasonNotADeathBySignal) {
    RunCases(
        {{"ulimit -f 100; $K fw - out", 1, Stop("Ошибка записи файла", "File too large"), "", ""},
         {"mkfifo p; exec 3<>p; { head -c 1 <&3 > /dev/null 3<&- & }; exec 3<&-; $K fw - p", 1,
          Stop("Ошибка записи файла", "Broken pipe"), "", ""},
         {"ulimit -n 4; $K fw cal out", 1,
          Stop("Ошибка открытия калибровок", "Too many open files"), "", ""},
         {"exec 3> >(true); wait $!; $K nomarker - out 2>&3", 1, "", "", ""},
         {"exec 3> >(true); wait $!; $K fw - out 2>&3", 0, "", "", ""}});
}

// No write that the cut would undo is made, so the image fits where it fits; the firmware bytes
// left out are counted, and nothing is said where none are.
TEST_F(UnixTest, SizeClassStopsTheCopyAndSaysWhatItLeftOut) {
    WriteBytes(Path("big"), Firmware(1048576, 0x04));
    RunCases(
        {{"ulimit -f 300; $K big - out && [ $(stat -c %s out) = 262144 ] && cmp <(tail -c "
          "+65553 out) <(head -c 196592 big) && $K fw - out",
          0, kDone + "Отброшено байт микропрограммы: 851984\n" + kDone, "", ""}});
}

TEST_F(UnixTest, HelpAndVersionAreSoleArgumentsAndDoubleHyphenEndsOptions) {
    Outcome outcome = RunKorvane({"--help"}, "", dir_);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out.rfind("Использование: korvane [--] [МИКРОПРОГРАММА", 0), 0u);
    EXPECT_EQ(outcome.err, "");
    outcome = RunKorvane({"--version"}, "", dir_);
    EXPECT_EQ(outcome.out + outcome.err, "KORVANE 1.0\n");
    for (const auto& arguments : {std::vector<std::string>{"--", "--help", "-", "out"},
                                  std::vector<std::string>{"--help", "-", "out"},
                                  std::vector<std::string>{"-x", "-", "out"}}) {
        outcome = RunKorvane(arguments, "", dir_);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.out + outcome.err,
                  Stop("Ошибка открытия микропрограммы", "No such file or directory"));
    }
    const std::string writeError = "Ошибка записи файла";
    RunCases({{"cp fw ./--help && $K -- --help - out", 0, kDone, "out", "@fw.img"},
              {"$K --version > /dev/full", 1, Stop(writeError, "No space left on device"), "", ""},
              {"$K --help >&-", 1, Stop(writeError, "Bad file descriptor"), "", ""},
              {"$K --version >&-", 1, Stop(writeError, "Bad file descriptor"), "", ""}});
}

// A failed read of an answer is no answer; a non-blocking input is waited on; at a terminal the
// end of input answers one question only.
TEST_F(UnixTest, AnswersAreReadFromWhateverStandardInputIs) {
    const std::string ask = "Выберите калибровки: ";
    const std::string nonBlocking =
        "import os, sys; os.set_blocking(0, False); os.execv(sys.argv[1], sys.argv[1:])";
    RunCases(
        {{"$K fw < .", 1, ask + Stop("Ошибка чтения ответа", "Is a directory"), "", ""},
         {"$K fw <&-", 0, ask + "\nВыберите выходной файл: \n", "", ""},
         {"$K fw 0> /dev/null", 1, ask + Stop("Ошибка чтения ответа", "Bad file descriptor"), "",
          ""},
         {"{ sleep 0.5; printf '\\nout\\n'; } | /usr/bin/python3 -c '" + nonBlocking + "' $K fw", 0,
          ask + "Выберите выходной файл: " + kDone, "out", "@fw.img"},
         {"rm out; printf '\\004out\\n' | timeout 20 script -qec \"$K fw\" /dev/null > /dev/null",
          0, "", "out", "@fw.img"}});
}

// Asked as an ordinary user: the system, not the mode bits, says who may write where.
TEST_F(UnixTest, OutputPromptAsksTheSystemWhetherTheUserMayWrite) {
    Need("[ \"$(id -u)\" = 0 ] && setpriv --reuid=65534 --regid=65534 --clear-groups $K --version",
         "needs root, setpriv and a program that another user may run");
    const std::string ask = "Выберите выходной файл: ", denied = "Сюда нельзя записать: ";
    const std::string dangling = "Ссылка ведёт к несуществующему файлу.\n";
    RunCases({{"chmod 755 .; mkdir locked; chmod 755 locked; echo x > owned; chmod 644 owned fw; "
               "ln -s nowhere/x dangling; ln -s loop loop; printf 'owned\\nlocked/new\\nloop\\n"
               "dangling\\n' | setpriv --reuid=65534 --regid=65534 --clear-groups $K fw -",
               0,
               ask + denied + "Permission denied\n" + ask + denied + "Permission denied\n" + ask +
                   denied + "Too many levels of symbolic links\n" + ask + dangling + ask + "\n",
               "owned", "x\n"},
              // On the command line the system says so when it makes the file, or would not.
              {"setpriv --reuid=65534 --regid=65534 --clear-groups $K fw - locked/new; [ ! -e "
               "locked/new ]",
               0, Stop("Ошибка открытия выходного файла", "Permission denied"), "", ""}});
}

// Two names of one device, a loop device and the file behind it: either way round, as firmware or
// calibration, refused and left as they were. A block device keeps every byte past the image.
TEST_F(UnixTest, LoopDevicesAreTheirBackingFilesAndKeepWhatLiesPastTheImage) {
    Need(
        "[ \"$(id -u)\" = 0 ] && head -c 1048576 /dev/zero | tr '\\0' '\\253' > disk && "
        "losetup -f --show disk > loop && cp fw fwdisk && losetup -f --show fwdisk > fwloop",
        "needs root and a loop device");
    const std::string same = Stop("Выходной файл совпадает с входным");
    RunCases(
        {{"L=$(cat fwloop); mknod twin b $(stat -c '%Hr %Lr' $L); "
          "$K $L - twin; $K $L - fwdisk; $K fwdisk - $L; $K fw $L fwdisk",
          1, same + same + same + same, "fwdisk", "@fw"},
         // Too small for the chip's image: refused before a byte is written.
         {"$K --pad-to 2M fw - $(cat loop) && exit 9; [ \"$(tr -d '\\253' < disk | wc -c)\" = 0 ]",
          0, Stop("Образ не помещается на устройство"), "", ""},
         {"$K fw - $(cat loop) && losetup -d $(cat loop) $(cat fwloop) && head -c 262144 disk "
          "> head && [ \"$(tail -c +262145 disk | tr -d '\\253' | wc -c)\" = 0 ]",
          0, kDone, "head", "@fw.img"}});
    // By the files behind them: a number detached above may already serve another test.
    Sh("losetup -j disk -nO NAME | xargs -r losetup -d; losetup -j fwdisk -nO NAME | xargs -r "
       "losetup -d");
}

// A block device that holds a mounted file system is refused before anything is written to it,
// as the output of a conversion and of an extraction.
TEST_F(UnixTest, MountedDiskIsNeverWritten) {
    Need(
        "[ \"$(id -u)\" = 0 ] && command -v mkfs.ext4 && head -c 4194304 /dev/zero > disk && "
        "mkfs.ext4 -q -E lazy_itable_init=0,lazy_journal_init=0 disk && losetup -f --show disk > "
        "loop && mkdir m && mount $(cat loop) m",
        "needs root, mkfs.ext4, a loop device and a mount");
    const std::string busy = Stop("Ошибка открытия выходного файла", "Device or resource busy");
    RunCases(
        {{"$K fw cal cal.img 2> /dev/null; L=$(cat loop); $K fw - $L; "
          "$K --extract-calibration cal.img $L; $K fw - /dev/stdout > $L; $K fw - $L 1<> $L; "
          "umount m; losetup -d $L; e2fsck -fn disk > fsck 2>&1 || { cat fsck >&2; exit 1; }",
          0, busy + busy + busy + busy, "", ""}});
    Sh("umount m; losetup -j disk -nO NAME | xargs -r losetup -d");
}

// The system's reasons come in the user's language, from the static program too, and in UTF-8
// like the texts around them whatever the locale's character set.
TEST_F(UnixTest, SystemReasonsFollowTheLocaleInUtf8) {
    Need("locale -a | grep -qx ru_RU.utf8 && locale -a | grep -qx ru_RU.koi8r",
         "needs the locales ru_RU.UTF-8 and ru_RU.KOI8-R");
    const std::string missing =
        Stop("Ошибка открытия микропрограммы", "Нет такого файла или каталога");
    RunCases({{"LC_ALL=ru_RU.UTF-8 $K none - out", 1, missing, "", ""},
              {"LC_ALL=ru_RU.KOI8-R $K none - out", 1, missing, "", ""},
              // A name in the locale's own character set shows as the desktop shows it.
              {"$K fw cal c.img 2> /dev/null; LC_ALL=ru_RU.KOI8-R $K --extract-calibration c.img "
               "\"$(printf '\\313\\301\\314.bin')\"",
               0, "Сообщение: Калибровки записаны: \uFFFD\uFFFD\uFFFD.bin\n", "", ""}});
}

// As installed, the program speaks English under an English locale, its reasons too, and Russian
// under every other, C included, byte for byte as it always did.
TEST_F(UnixTest, TextsFollowTheLocaleAsInstalled) {
    Need(
        "locale -a | grep -qx en_US.utf8 && locale -a | grep -qx ru_RU.utf8 && mkdir -p p/bin "
        "p/share/locale/en/LC_MESSAGES && cp $K p/bin/korvane && cp " KORVANE_CATALOGUE
        " p/share/locale/en/LC_MESSAGES/",
        "needs the locales en_US.UTF-8 and ru_RU.UTF-8");
    const std::string k = "env -u LANGUAGE -u LC_MESSAGES p/bin/korvane";
    const std::string en = "LANG=en_US.UTF-8 LC_ALL= " + k;
    RunCases(
        {{en + " none - out", 1, "Error: Cannot open the firmware: No such file or directory\n", "",
          ""},
         {"LC_ALL=ru_RU.UTF-8 " + k + " none - out", 1,
          Stop("Ошибка открытия микропрограммы", "Нет такого файла или каталога"), "", ""},
         {"LC_ALL=C LANGUAGE=en " + k + " none - out", 1,
          Stop("Ошибка открытия микропрограммы", "No such file or directory"), "", ""},
         {"LANG=en_US.UTF-8 LC_ALL= LANGUAGE=ru:en p/bin/korvane none - out", 1,
          Stop("Ошибка открытия микропрограммы", "Нет такого файла или каталога"), "", ""},
         {en + " --help > h && head -n 1 h >&2", 0,
          "Usage: korvane [--] [FIRMWARE [CALIBRATION [OUTPUT]]]\n", "", ""},
         {"LC_ALL=C " + k + " --help > h && head -n 1 h >&2", 0,
          "Использование: korvane [--] [МИКРОПРОГРАММА [КАЛИБРОВКИ [ВЫХОДНОЙ_ФАЙЛ]]]\n", "", ""}});
    // Whatever it says under English, a line holds no Russian word.
    for (const std::string script :
         {"nomarker - out", "fw - out", "--check fw.img", "--check fw.img plain", "--pad-to 1K fw",
          "--extract-calibration fw.img c", "--check nomarker", "fw fw out", "--bad"}) {
        Outcome outcome = Sh(en + " " + script + " < /dev/null");
        std::string said = outcome.out + outcome.err;
        EXPECT_EQ(said.find_first_of("\xD0\xD1"), std::string::npos) << script << ": " << said;
        EXPECT_FALSE(said.empty()) << script;
    }
}

// The overlay reports the upper file's inode number under a device number of its own.
TEST_F(UnixTest, OverlayViewOfTheFirmwareIsTheFirmware) {
    // A hard link in the lower layer is copied up under a new inode number once it is opened for
    // writing, so the output must be told from the inputs before that.
    Need(
        "mkdir -p l u w m && cp fw u/fw && cp fw l/lfw && ln l/lfw l/lfw2 && $K fw cal l/img 2> "
        "/dev/null && ln l/img l/img2 && mount -t overlay o -o lowerdir=l,upperdir=u,workdir=w m",
        "needs root and an overlay mount");
    const std::string same = Stop("Выходной файл совпадает с входным");
    RunCases({{"$K u/fw - m/fw", 1, same, "u/fw", "@fw"},
              {"cd l && { $K lfw - ../m/lfw; $K --extract-calibration img ../m/img; } ; s=$?; "
               "cd .. && umount m && [ ! -e u/lfw ] && [ ! -e u/img ] && exit $s",
               1, same + same, "l/lfw", "@fw"}});
}

// The second run says at once that it waits for the lock, then cuts and writes its own image
// whole.
TEST_F(UnixTest, RunWaitsForTheOutputLockBeforeItCutsTheOutput) {
    const std::string kWaiting = "Выходной файл занят другим запуском, ожидание…\n";
    RunCases(
        {{"printf old > out; exec 9>> out; flock 9; $K fw - out 9>&- 2> err & sleep 0.5; "
          "cat out err > during; flock -u 9; exec 9>&-; wait $! && cmp out fw.img && cat err >&2",
          0, kWaiting + kDone, "during", "old" + kWaiting}});
}

}  // namespace
