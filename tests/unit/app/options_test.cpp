#include "app/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "unit/core/throwing_fatal_stop.h"

namespace {

// The rules as the three programs set them: the terminal takes a chip size, korvane.exe an empty
// path as one not given.
constexpr ProgramRules kTerminal{true, false, CalibrationRule::NotTheFirmware, ""};
constexpr ProgramRules kDesktop{false, false, CalibrationRule::NotTheFirmware, ""};
constexpr ProgramRules kWindows{false, true, CalibrationRule::MayBeTheFirmware, ""};

// What the parser made of the arguments after the program's name: the command, the paths it
// took and the chip size, or the text it stopped with.
std::string Parse(std::vector<std::string> words, const ProgramRules& rules = kTerminal) {
    words.insert(words.begin(), "korvane");
    std::vector<char*> arguments;
    for (std::string& word : words) {
        arguments.push_back(word.data());
    }
    try {
        Options options = ParseOptions(static_cast<int>(arguments.size()), arguments.data(), rules);
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
        const ProgramRules& rules;
        std::string parsed;  // "0" convert, "1" check, "2" extract, "3" help, "4" version
    } cases[] = {
        {{}, kTerminal, "0"},
        {{"--help"}, kDesktop, "3"},
        {{"--version"}, kWindows, "4"},
        {{"--help", "-", "out"}, kTerminal, "0 --help - out"},
        {{"--", "--help"}, kTerminal, "0 --help"},
        {{"fw", "-", "out", "fourth"}, kTerminal, "0 fw - out"},
        {{"--check"}, kDesktop, "1"},
        {{"--check", "img", "fw", "cal"}, kWindows, "1 img fw cal"},
        {{"--check", "img", "fw", "cal", "x"}, kTerminal, kBadArguments},
        {{"--extract-calibration", "img"}, kDesktop, "2 img"},
        {{"--pad-to", "512K", "fw"}, kTerminal, "0 fw @524288"},
        {{"--pad-to", "512K"}, kTerminal, kBadArguments},
        {{"--pad-to", "512KB", "fw"}, kTerminal, "Неверный размер микросхемы"},
        {{"--pad-to", "512K", "fw"}, kDesktop, "0 --pad-to 512K fw"},
        {{"fw", "", "out"}, kTerminal, "Пустой путь в командной строке"},
        {{"", "-", "out"}, kWindows, "0  - out"},
        {{"fw", "-", longPath}, kWindows, "Путь длиннее 259 байт"},
        {{"--check", longPath.substr(1)}, kTerminal, "1 " + longPath.substr(1)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Parse(c.arguments, c.rules), c.parsed)
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
