// The command-line splitter on any line and any lead-byte table. The first 32 bytes of the input
// are the table, one bit per byte value; the rest, up to a zero byte, is the line. Every array
// the splitter sees has exactly its stated size, so AddressSanitizer reports any step past it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"

namespace {

using Words = std::vector<std::string>;

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "splitter: %s\n", what);
        std::abort();
    }
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Also proves each argument a terminated piece of the storage, after the one before it.
Words Split(const char* line, const LeadByteTable lead, std::size_t storageSize, int maxArguments) {
    std::unique_ptr<char[]> storage(new char[storageSize]);
    std::unique_ptr<char*[]> arguments(new char*[static_cast<std::size_t>(maxArguments)]);
    // No zero byte to be found by chance where a terminator is missing.
    std::memset(storage.get(), 0x7F, storageSize);
    int count =
        SplitArguments(line, lead, storage.get(), storageSize, arguments.get(), maxArguments);
    Require(count >= 0 && count <= maxArguments, "count out of range");
    const char* next = storage.get();
    const char* end = storage.get() + storageSize;
    Words words;
    for (int i = 0; i < count; ++i) {
        const char* argument = arguments[static_cast<std::size_t>(i)];
        Require(argument >= next && argument < end, "argument outside the storage or out of order");
        const void* zero = std::memchr(argument, '\0', static_cast<std::size_t>(end - argument));
        Require(zero != nullptr, "argument without its terminator");
        words.emplace_back(argument);
        next = static_cast<const char*>(zero) + 1;
    }
    return words;
}

// Words between blanks, the way a line without quotes, backslashes or two-byte characters splits.
Words SplitOnBlanks(const char* line) {
    Words words;
    for (const char* p = line; *p != '\0';) {
        const char* start = p;
        while (*p != '\0' && !IsBlank(*p)) {
            ++p;
        }
        if (p != start) {
            words.emplace_back(start, p);
        }
        while (IsBlank(*p)) {
            ++p;
        }
    }
    return words;
}

bool IsSubsequence(const std::string& part, const char* line) {
    const char* p = line;
    for (char c : part) {
        p = std::strchr(p, c);
        if (c == '\0' || p == nullptr) {
            return false;
        }
        ++p;
    }
    return true;
}

void CheckSplit(const char* line, const LeadByteTable lead) {
    const std::size_t length = std::strlen(line);
    // Each argument with its terminator takes no more room than its text and the blank after it,
    // so these sizes always suffice; the Windows start-up relies on that.
    const std::size_t enoughStorage = length + 1;
    const int enoughArguments = static_cast<int>((length + 1) / 2);
    const Words all = Split(line, lead, enoughStorage, enoughArguments);
    Require(all == Split(line, lead, 4 * length + 16, static_cast<int>(length) + 8),
            "exactly sized arrays held an argument back");

    std::string joined;
    for (const std::string& word : all) {
        joined += word;
    }
    // Quotes, blanks between arguments and the backslash of \" drop out; nothing is made up.
    Require(IsSubsequence(joined, line), "argument bytes that are not the line's, in its order");

    // Too little room keeps exactly the arguments that fit whole, in order, and drops the rest.
    std::vector<std::size_t> room = {0, 1, length / 2, length};
    std::size_t needed = 0;
    for (std::size_t i = 0; i < all.size() && i < 3; ++i) {
        needed += all[i].size() + 1;
        room.push_back(needed - 1);
        room.push_back(needed);
    }
    for (std::size_t size : room) {
        Words kept = Split(line, lead, size, enoughArguments);
        std::size_t fit = 0;
        for (std::size_t used = 0; fit < all.size() && used + all[fit].size() + 1 <= size; ++fit) {
            used += all[fit].size() + 1;
        }
        Require(kept.size() == fit && std::equal(kept.begin(), kept.end(), all.begin()),
                "too small a storage did not keep exactly the arguments that fit");
    }
    for (int limit : {0, 1, enoughArguments / 2}) {
        Words kept = Split(line, lead, enoughStorage, limit);
        Require(kept.size() == std::min(all.size(), static_cast<std::size_t>(limit)) &&
                    std::equal(kept.begin(), kept.end(), all.begin()),
                "an argument limit did not keep the first arguments");
    }

    if (std::strpbrk(line, "\"\\") == nullptr) {
        const LeadByteTable none = {};
        const Words plain = SplitOnBlanks(line);
        Require(Split(line, none, enoughStorage, enoughArguments) == plain,
                "a plain line did not split at its blanks");
        bool anyLead = std::any_of(line, line + length,
                                   [&](char c) { return lead[static_cast<unsigned char>(c)]; });
        Require(anyLead || all == plain, "a line without lead bytes split apart from its blanks");
    }
}

void CheckSkipProgramName(const char* line) {
    const std::size_t length = std::strlen(line);
    const char* rest = SkipProgramName(line);
    Require(rest >= line && rest <= line + length, "program name skip left the line");
    // The name ends at a blank, behind its closing quote, or with the line.
    Require(*rest == '\0' || IsBlank(*rest) || (rest > line && rest[-1] == '"'),
            "program name ends in the middle of a word");
    if (std::strchr(line, '"') == nullptr) {
        Words words = SplitOnBlanks(line);
        Words after = SplitOnBlanks(rest);
        Require(words.empty() ? after.empty() : after == Words(words.begin() + 1, words.end()),
                "skipping an unquoted name took other than the first word");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    LeadByteTable lead = {};
    const std::size_t tableSize = std::min<std::size_t>(size, 32);
    for (std::size_t byte = 0; byte < 256; ++byte) {
        lead[byte] = byte / 8 < tableSize && ((data[byte / 8] >> (byte % 8)) & 1) != 0;
    }
    const char* text = reinterpret_cast<const char*>(data + tableSize);
    const std::size_t length = strnlen(text, size - tableSize);
    // Exactly the line and its terminator, so that reading one byte further is caught.
    std::unique_ptr<char[]> line(new char[length + 1]);
    std::memcpy(line.get(), text, length);
    line[length] = '\0';

    CheckSkipProgramName(line.get());
    CheckSplit(line.get(), lead);
    CheckSplit(SkipProgramName(line.get()), lead);
    return 0;
}
