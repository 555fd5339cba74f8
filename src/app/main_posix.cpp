#include <cstdio>
#include <cstring>

#include "app/posix_start.h"
#include "app/run_program.h"
#include "core/fatal_stop.h"
#include "core/message_catalogue.h"

namespace {

bool IsSoleArgument(int argumentCount, char** arguments, const char* option) {
    return argumentCount == 2 && std::strcmp(arguments[1], option) == 0;
}

// Standard output carries what the user asked to read there, so a failure to write it counts.
int Print(const char* text) {
    if (std::fputs(text, stdout) < 0 || std::fflush(stdout) != 0) {
        FatalStop(MessageCatalogue::kWriteError);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    PrepareProcess();
    if (IsSoleArgument(argc, argv, "--help")) {
        return Print(MessageCatalogue::kHelpText);
    }
    if (IsSoleArgument(argc, argv, "--version")) {
        return Print(MessageCatalogue::kVersionText);
    }
    // After "--" every argument is a path, even one that looks like an option.
    if (argc > 1 && std::strcmp(argv[1], "--") == 0) {
        argv[1] = argv[0];
        --argc;
        ++argv;
    }
    RefuseLongArguments(argc, argv);
    return RunProgram(argc, argv);
}
