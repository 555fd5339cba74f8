#include "app/front_end_gtk.h"
#include "app/options.h"
#include "app/posix_start.h"
#include "app/run_program.h"
#include "core/fatal_stop.h"
#include "core/message_catalogue.h"

namespace {

constexpr ProgramRules kRules{false, false, CalibrationRule::NotTheFirmware,
                              MessageCatalogue::kDesktopHelpText};

}  // namespace

int main(int argc, char** argv) {
    // Before GTK opens anything, so that its display connection cannot take a standard stream.
    PrepareProcess();
    Options options = ParseOptions(argc, argv, kRules);
    // The help and version texts need no display, as in the terminal program.
    bool showsText = options.command == Command::Help || options.command == Command::Version;
    if (!showsText && !OpenDisplay()) {
        FatalStop(MessageCatalogue::kNoDisplay);
    }
    return RunCommand(kRules, options);
}
