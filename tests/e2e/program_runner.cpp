#include "e2e/program_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Runs words with input as standard input; a death by a signal is told as a shell tells it.
Outcome Spawn(std::vector<std::string> words, const std::string& input,
              const std::string& scratch) {
    const std::string in = scratch + "/.stdin", out = scratch + "/.stdout",
                      err = scratch + "/.stderr";
    std::ofstream(in, std::ios::binary) << input;
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    // The system's reasons, which follow some texts, in one language whatever the caller's.
    setenv("LC_ALL", "C", 1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // Nothing of the test runner's own reaches the program, so its descriptors are its own, and
    // whatever it writes under a relative name stays in the scratch folder.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawn_file_actions_addchdir_np(&actions, scratch.c_str());
    Outcome outcome;
    pid_t pid = 0;
    int wait = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
        waitpid(pid, &wait, 0) == pid) {
        outcome.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : 128 + WTERMSIG(wait);
    }
    posix_spawn_file_actions_destroy(&actions);
    outcome.out = Slurp(out);
    outcome.err = Slurp(err);
    return outcome;
}

}  // namespace

Outcome RunKorvane(const std::vector<std::string>& arguments, const std::string& input,
                   const std::string& scratch) {
    std::vector<std::string> words = {KORVANE_PROGRAM};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return Spawn(words, input, scratch);
}

Outcome RunShell(const std::string& script, const std::string& scratch) {
    return Spawn({"bash", "-c", "K=$1\n" + script, "bash", KORVANE_PROGRAM}, "", scratch);
}
