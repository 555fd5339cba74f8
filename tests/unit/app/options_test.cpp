#include "app/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "unit/core/throwing_fatal_stop.h"

namespace {

// What the parser made of the arguments after the program's name: the command, the paths it
// took and the chip size, or the text it stopped with.
std::string Parse(std::vector<std::string> words, Program program = Program::Terminal) {
    words.insert(words.begin(), "korvane");
    std::vector<char*> arguments;
    for (std::string& word : words) {
        arguments.push_back(word.data());
    }
    try {
        Options options =
            ParseOptions(static_cast<int>(arguments.size()), arguments.data(), program);
        std::string seen = std::to_string(static_cast<int>(options.command));
        for (int i = 0; i < options.pathCount; ++i) {
            seen += " " + std::string(options.paths[i]);
        }
        return options.chipSize == 0 ? seen : seen + " @" + std::to_string(options.chipSize);
    } catch (const StopSignal& stop) {
        return stop.text;
    }
}

const std::string kBadArguments = "Неверные аргументы ключа, см. korvane --help";

TEST(ParseOptionsTest, OptionsCountOnlyAsTheFirstArgument) {
    const std::string longPath(260, 'p');
    const struct {
        std::vector<std::string> arguments;
        Program program;
        std::string parsed;  // "0" convert, "1" check, "2" extract, "3" help, "4" version
    } cases[] = {
        {{}, Program::Terminal, "0"},
        {{"--help"}, Program::Desktop, "3"},
        {{"--version"}, Program::Windows, "4"},
        {{"--help", "-", "out"}, Program::Terminal, "0 --help - out"},
        {{"--", "--help"}, Program::Terminal, "0 --help"},
        {{"fw", "-", "out", "fourth"}, Program::Terminal, "0 fw - out"},
        {{"--check"}, Program::Desktop, "1"},
        {{"--check", "img", "fw", "cal"}, Program::Windows, "1 img fw cal"},
        {{"--check", "img", "fw", "cal", "x"}, Program::Terminal, kBadArguments},
        {{"--extract-calibration", "img"}, Program::Desktop, "2 img"},
        {{"--pad-to", "512K", "fw"}, Program::Terminal, "0 fw @524288"},
        {{"--pad-to", "512K"}, Program::Terminal, kBadArguments},
        {{"--pad-to", "512KB", "fw"}, Program::Terminal, "Неверный размер микросхемы"},
        {{"--pad-to", "512K", "fw"}, Program::Desktop, "0 --pad-to 512K fw"},
        {{"fw", "", "out"}, Program::Terminal, "Пустой путь в командной строке"},
        {{"", "-", "out"}, Program::Windows, "0  - out"},
        {{"fw", "-", longPath}, Program::Windows, "Путь длиннее 259 байт"},
        {{"--check", longPath.substr(1)}, Program::Terminal, "1 " + longPath.substr(1)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Parse(c.arguments, c.program), c.parsed)
            << (c.arguments.empty() ? "" : c.arguments[0]);
    }
}

TEST(ParseChipSizeTest, BytesKibOrMibUpToTheLargestImage) {
    const struct {
        const char* text;
        long long size;
    } cases[] = {{"524288", 524288},
                 {"512K", 524288},
                 {"512k", 524288},
                 {"4M", 4194304},
                 {"2047M", 2146435072},
                 {"2147483647", 2147483647},
                 {"2048M", -1},
                 {"2147483648", -1},
                 {"99999999999999999999", -1},
                 {"0", -1},
                 {"", -1},
                 {"K", -1},
                 {"-1", -1},
                 {"4 M", -1},
                 {"0x100", -1}};
    for (const auto& c : cases) {
        EXPECT_EQ(ParseChipSize(c.text), c.size) << c.text;
    }
}

}  // namespace
