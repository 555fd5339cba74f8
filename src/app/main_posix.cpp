#include "app/options.h"
#include "app/posix_start.h"
#include "app/run_program.h"
#include "core/message_catalogue.h"

namespace {

// The terminal alone makes images the size of a chip, and refuses an empty path, which would
// otherwise read as one not given.
constexpr ProgramRules kRules{true, false, CalibrationRule::NotTheFirmware,
                              MessageCatalogue::kHelpText};

}  // namespace

int main(int argc, char** argv) {
    PrepareProcess();
    return RunCommand(kRules, ParseOptions(argc, argv, kRules));
}
