#include "app/path_judge.h"

#include "core/message_catalogue.h"
#include "core/translation.h"
#include "image/file_access.h"
#include "image/image_files.h"
#include "image/path_facts.h"

namespace {

Judgement Refused(const Verdict& verdict) {
    return {RefusalNote(verdict.refusal), SystemReason(verdict.error)};
}

// True when path names the input already chosen. An input without a length is never opened
// here: opening a FIFO would release its writer into a pipe that nobody reads.
bool NamesInput(const char* path, const char* input) {
    if (input == nullptr || input[0] == '\0' ||
        FileInputVerdict(input, Needs::Length).refusal != Refusal::None) {
        return false;
    }
    Opened opened = FileOpenForReading(input, Partner::DoNotWait);
    bool same = opened.handle != kNoFile && FileIsSameAsPath(path, opened.handle);
    if (opened.handle != kNoFile) {
        FileClose(opened.handle);
    }
    return same;
}

}  // namespace

Judgement JudgePath(PathRole role, const char* path, const char* firstInput,
                    const char* secondInput) {
    if (role == PathRole::Output) {
        Verdict verdict = FileOutputVerdict(path);
        if (verdict.refusal != Refusal::None) {
            return Refused(verdict);
        }
        bool isInput = NamesInput(path, firstInput) || NamesInput(path, secondInput);
        return {isInput ? MessageCatalogue::kOutputIsInput : nullptr, nullptr};
    }
    Verdict verdict =
        FileInputVerdict(path, role == PathRole::Firmware ? Needs::Length : Needs::Bytes);
    if (verdict.refusal != Refusal::None) {
        return Refused(verdict);
    }
    bool isFirmware = role == PathRole::Calibration && NamesInput(path, firstInput);
    return {isFirmware ? MessageCatalogue::kCalibrationIsFirmware : nullptr, nullptr};
}
