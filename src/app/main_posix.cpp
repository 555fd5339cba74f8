#include "app/options.h"
#include "app/posix_start.h"
#include "app/run_program.h"

int main(int argc, char** argv) {
    PrepareProcess();
    return RunCommand(ParseOptions(argc, argv, Program::Terminal));
}
