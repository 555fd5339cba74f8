// Every system call of a conversion is made to fail in turn, and every transfer to come up short.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "fault/file_fault_seam.h"
#include "test_files.h"
#include "unit/core/throwing_fatal_stop.h"
#include "unit/image/conversion_steps.h"

namespace {

enum File { kFirmware, kCalibration, kOutput };

const char kCompleted[] = "";
const char kFirmwareOpen[] = "Ошибка открытия микропрограммы";
const char kFirmwareRead[] = "Ошибка чтения микропрограммы";
const char kCalibrationOpen[] = "Ошибка открытия калибровок";
const char kCalibrationRead[] = "Ошибка чтения калибровок";
const char kOutputOpen[] = "Ошибка открытия выходного файла";
const char kWrite[] = "Ошибка записи файла";
const char kOutputIsInput[] = "Выходной файл совпадает с входным";
const char kCalibrationIsFirmware[] = "Калибровки совпадают с микропрограммой";

// Several firmware chunks, a calibration longer than its area, and a final length change.
const struct Scenario {
    bool calibrated;
    int sizeByte;
    std::size_t imageLength;
} kScenarios[] = {{true, 0x05, 262144}, {false, 0x0A, 524288}};
constexpr std::size_t kFirmwareSize = 140000;

const char* const kCallNames[] = {"open",  "stat",      "fstat", "read", "pread",
                                  "write", "ftruncate", "flock", "close"};
const char* const kFaultNames[] = {"fail", "nothing", "short", "interrupt", "rewrite"};

bool Is(const Record& r, Call call, int file) {
    return r.call == call && r.file == file;
}

// The texts a failure of call k of the dry run may stop with: those of the file's role for that
// kind of call, whatever the order of the calls. Taking a file's status serves its open, the
// firmware's length, the output's claim or a same-file check, where a file that cannot be
// identified counts as the other; a stat that fails names no kind and no standard stream, and the
// conversion goes on, as after an input's failing close. The output's first length change is its
// cut, any later one its final length.
std::set<std::string> StopsFor(const std::vector<Record>& dry, std::size_t k) {
    const Record& step = dry[k];
    auto at = dry.begin() + static_cast<long>(k);
    bool written =
        std::any_of(dry.begin(), at, [](const Record& r) { return Is(r, Call::Write, kOutput); });
    const std::string open[] = {kFirmwareOpen, kCalibrationOpen, kOutputOpen};
    const std::string read[] = {kFirmwareRead, kCalibrationRead, kWrite};
    const std::string told[] = {kFirmwareRead, kCalibrationIsFirmware, kOutputIsInput};
    if (step.file < 0) {
        return {kCompleted};
    }
    const auto file = static_cast<std::size_t>(step.file);
    switch (step.call) {
        case Call::Open:
        case Call::Lock:
            return {open[file]};
        case Call::Stat:
            return {kCompleted, kOutputOpen};
        case Call::Fstat:
            return {open[file], told[file], file == kOutput ? kOutputOpen : kOutputIsInput,
                    file == kFirmware ? kCalibrationIsFirmware : told[file]};
        case Call::Read:
        case Call::Peek:
        case Call::Write:
            return {read[file]};
        case Call::Truncate:
            return {written ? kWrite : kOutputOpen};
        case Call::Close:
            return {step.file == kOutput ? kWrite : kCompleted};
    }
    return {};
}

bool Transfers(Call call) {
    return call == Call::Read || call == Call::Peek || call == Call::Write;
}

bool ChangesOutput(const Record& r) {
    return r.call == Call::Write || r.call == Call::Truncate ||
           (r.call == Call::Open && r.file == kOutput);
}

// The output as the logged calls leave it: untouched until cut, then the image as far as it was
// written, then extended with zeros.
Bytes OutputAfter(const std::vector<Record>& log, const Bytes& before, const Bytes& image) {
    Bytes file = before;
    std::size_t written = 0;
    for (const Record& r : log) {
        if (r.file != kOutput || r.result < 0) {
            continue;
        }
        if (r.call == Call::Write) {
            written += static_cast<std::size_t>(r.result);
            file.assign(image.begin(), image.begin() + static_cast<long>(written));
        } else if (r.call == Call::Truncate) {
            file.resize(static_cast<std::size_t>(r.asked), 0x00);
        }
    }
    return file;
}

class FaultTest : public ScratchTest {
  protected:
    void Prepare(const Scenario& s) {
        Bytes firmware = Firmware(kFirmwareSize, s.sizeByte);
        WriteBytes(Path("fw"), firmware);
        calibration_ = s.calibrated ? Path("cal") : "";
        Bytes calibration = Pattern(40000, 4);
        if (s.calibrated) {
            WriteBytes(calibration_, calibration);
        }
        // The image from fixed offsets.
        image_.assign(0x10010, 0xFF);
        if (s.calibrated) {
            std::copy_n(calibration.begin(), 0x8000, image_.begin() + 0x8000);
        }
        const Bytes prefix = {0x90, 0x48, 0x24, 0x42};
        std::copy(prefix.begin(), prefix.end(), image_.begin() + 0x10000);
        image_.insert(image_.end(), firmware.begin(), firmware.end());
        image_.resize(s.imageLength, 0x00);
    }

    // Returns the stop text, or kCompleted.
    std::string Run(long faultAt, Fault fault, std::vector<Record>& log) {
        WriteBytes(Path("out"), before_);
        std::string stop = kCompleted;
        ArmSeam({Path("fw"), calibration_, Path("out")}, faultAt, fault);
        try {
            ConvertImage(Path("fw").c_str(), calibration_.c_str(), Path("out").c_str());
        } catch (const StopSignal& signal) {
            stop = signal.text;
        }
        log = DisarmSeam();
        return stop;
    }

    std::vector<Record> DryRun() {
        std::vector<Record> log;
        EXPECT_EQ(Run(-1, Fault::Fail, log), kCompleted);
        EXPECT_EQ(ReadBytes(Path("out")), image_);
        auto count = [&log](Call call, int file) {
            return std::count_if(log.begin(), log.end(),
                                 [&](const Record& r) { return r.call == call && r.file == file; });
        };
        // Guards against a call the seam does not see, such as a renamed libc entry.
        EXPECT_EQ(count(Call::Open, kOutput), 1);
        EXPECT_GE(count(Call::Read, kFirmware), 3);
        EXPECT_GE(count(Call::Write, kOutput), 6);
        EXPECT_EQ(count(Call::Truncate, kOutput), 2);
        EXPECT_EQ(count(Call::Lock, kOutput), 1);
        EXPECT_EQ(count(Call::Peek, kFirmware), 1);
        EXPECT_EQ(count(Call::Close, kOutput), 1);
        return log;
    }

    static std::string Describe(const std::vector<Record>& log, std::size_t k, Fault fault) {
        const Record& r = log[k];
        return "call " + std::to_string(k) + ": " + kCallNames[static_cast<int>(r.call)] +
               " on file " + std::to_string(r.file) + " asking " + std::to_string(r.asked) +
               ", fault " + kFaultNames[static_cast<int>(fault)];
    }

    std::string calibration_;
    Bytes image_;
    const Bytes before_ = Pattern(600000, 9);
};

TEST_F(FaultTest, EachFailingCallStopsWithItsTextAndNothingIsWrittenAfterIt) {
    for (const Scenario& s : kScenarios) {
        Prepare(s);
        const std::vector<Record> dry = DryRun();
        for (std::size_t k = 0; k < dry.size(); ++k) {
            const std::set<std::string> allowed = StopsFor(dry, k);
            bool beforeTheCut =
                std::none_of(dry.begin(), dry.begin() + static_cast<long>(k),
                             [](const Record& r) { return Is(r, Call::Truncate, kOutput); });
            for (Fault fault : {Fault::Fail, Fault::Nothing}) {
                if (fault == Fault::Nothing && !Transfers(dry[k].call)) {
                    continue;
                }
                SCOPED_TRACE(Describe(dry, k, fault));
                std::vector<Record> log;
                const std::string stop = Run(static_cast<long>(k), fault, log);
                EXPECT_EQ(allowed.count(stop), 1u) << stop;
                ASSERT_GT(log.size(), k);
                EXPECT_EQ(log[k].call, dry[k].call);
                if (stop != kCompleted) {
                    EXPECT_TRUE(std::none_of(log.begin() + static_cast<long>(k) + 1, log.end(),
                                             ChangesOutput));
                }
                Bytes output = ReadBytes(Path("out"));
                EXPECT_EQ(output, OutputAfter(log, before_, image_));
                if (stop == kCompleted) {
                    EXPECT_EQ(output, image_);
                } else if (beforeTheCut) {
                    // Opening the files, reading what can be read of the inputs, the same-file
                    // check and the lock all come before the output is cut.
                    EXPECT_EQ(output, before_);
                }
            }
        }
    }
}

TEST_F(FaultTest, AnInterruptedOrPartialTransferIsResumedToTheExactImage) {
    for (const Scenario& s : kScenarios) {
        Prepare(s);
        const std::vector<Record> dry = DryRun();
        for (std::size_t k = 0; k < dry.size(); ++k) {
            for (Fault fault : {Fault::Short, Fault::Interrupt}) {
                bool retried = dry[k].call == Call::Truncate || dry[k].call == Call::Lock;
                if (!Transfers(dry[k].call) && !(retried && fault == Fault::Interrupt)) {
                    continue;
                }
                SCOPED_TRACE(Describe(dry, k, fault));
                std::vector<Record> log;
                EXPECT_EQ(Run(static_cast<long>(k), fault, log), kCompleted);
                EXPECT_GT(log.size(), dry.size());
                EXPECT_EQ(ReadBytes(Path("out")), image_);
            }
        }
    }
}

// The calibration is closed once, after the output is claimed and before the first write, the
// firmware only after the output; the firmware is read in chunks of 65,536 bytes.
TEST_F(FaultTest, InputsAreClosedOnceInTheirPlaceAndTheFirmwareIsReadInFullChunks) {
    WriteBytes(Path("fw"), Firmware(65537, 0x30));
    calibration_ = Path("cal");
    WriteBytes(calibration_, Pattern(40000, 4));
    std::vector<Record> log;
    ASSERT_EQ(Run(-1, Fault::Fail, log), kCompleted);
    std::vector<long> firmwareReads;
    std::vector<int> closes;
    for (const Record& r : log) {
        if (Is(r, Call::Read, kFirmware)) {
            firmwareReads.push_back(r.asked);
        }
        if (r.call == Call::Close) {
            closes.push_back(r.file);
        }
    }
    auto find = [&log](Call call, int file) {
        return std::find_if(log.begin(), log.end(),
                            [&](const Record& r) { return Is(r, call, file); });
    };
    EXPECT_LT(find(Call::Truncate, kOutput), find(Call::Close, kCalibration));
    EXPECT_LT(find(Call::Close, kCalibration), find(Call::Write, kOutput));
    EXPECT_EQ(firmwareReads, (std::vector<long>{65536, 1}));
    EXPECT_EQ(closes, (std::vector<int>{kCalibration, kOutput, kFirmware}));
}

// Rewritten between its head and its first chunk, as by a build, the firmware would have given an
// image of another size class than the one the chip size was checked against.
TEST_F(FaultTest, FirmwareRewrittenWhileItIsReadStopsTheCopy) {
    WriteBytes(Path("fw"), Firmware(100000, 0x05));
    ArmSeam({Path("fw")});
    ConvertImage(Path("fw").c_str(), "", Path("out").c_str(), 262144);
    std::vector<Record> dry = DisarmSeam();
    auto firstRead = std::find_if(dry.begin(), dry.end(),
                                  [](const Record& r) { return Is(r, Call::Read, kFirmware); });
    ASSERT_NE(firstRead, dry.end());
    unlink(Path("out").c_str());
    ArmSeam({Path("fw")}, firstRead - dry.begin(), Fault::Rewrite);
    std::string stop;
    try {
        ConvertImage(Path("fw").c_str(), "", Path("out").c_str(), 262144);
    } catch (const StopSignal& signal) {
        stop = signal.text;
    }
    DisarmSeam();
    EXPECT_EQ(stop, kFirmwareRead);
    EXPECT_LE(ReadBytes(Path("out")).size(), 65552u);
}

}  // namespace
