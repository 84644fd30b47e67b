// Matches arbitrary names against arbitrary patterns, the way the file-type
// filter applies whatever the user types in Text1 to whatever names a folder
// holds, and compares every answer with a plain dynamic-programming matcher
// written here from the pattern rules. Aborts on a different answer; a
// pattern that makes matching slow shows up as a libFuzzer timeout. The
// matcher must also read a name's bytes as the lists show them.

#include "platform/ByteText.h"
#include "platform/WildcardPattern.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

// "*" any run, "?" one character, over case-folded characters.
bool globMatches(const std::vector<char32_t>& pattern, const std::vector<char32_t>& name)
{
    // row[j]: the pattern read so far matches the first j characters.
    std::vector<char> row(name.size() + 1, 0);
    row[0] = 1;
    for (char32_t p : pattern) {
        std::vector<char> next(name.size() + 1, 0);
        for (std::size_t j = 0; j <= name.size(); ++j) {
            if (p == U'*')
                next[j] = row[j] || (j > 0 && next[j - 1]);
            else if (j > 0)
                next[j] = row[j - 1] && (p == U'?' || p == name[j - 1]);
        }
        row.swap(next);
    }
    return row[name.size()];
}

std::string utf8Of(const std::u32string& characters)
{
    std::string out;
    for (const char32_t c : characters) {
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += {char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))};
        } else if (c < 0x10000) {
            out += {char(0xE0 | (c >> 12)), char(0x80 | ((c >> 6) & 0x3F)),
                    char(0x80 | (c & 0x3F))};
        } else {
            out += {char(0xF0 | (c >> 18)), char(0x80 | ((c >> 12) & 0x3F)),
                    char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))};
        }
    }
    return out;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// The documented rules: parts split at ";" and trimmed; no parts at all
// takes every name; a part with "/" or NUL takes none; "x.*" also takes a
// name without a dot when "x" takes it.
bool expected(std::string_view pattern, std::string_view name)
{
    const std::vector<char32_t> folded = zelvo::foldedCharacters(name);
    const bool nameHasDot = name.find('.') != std::string_view::npos;
    bool anyPart = false;
    bool matched = false;
    std::size_t start = 0;
    while (start <= pattern.size()) {
        std::size_t end = pattern.find(';', start);
        if (end == std::string_view::npos)
            end = pattern.size();
        const std::string_view part = trimmed(pattern.substr(start, end - start));
        start = end + 1;
        if (part.empty())
            continue;
        anyPart = true;
        if (part.find('/') != std::string_view::npos || part.find('\0') != std::string_view::npos)
            continue;
        // A run of stars means what one star means, so "x.**" ends in ".*" too.
        std::vector<char32_t> compiled;
        for (char32_t c : zelvo::foldedCharacters(part))
            if (c != U'*' || compiled.empty() || compiled.back() != U'*')
                compiled.push_back(c);
        if (globMatches(compiled, folded))
            matched = true;
        const std::size_t n = compiled.size();
        if (!nameHasDot && n >= 2 && compiled[n - 2] == U'.' && compiled[n - 1] == U'*'
            && globMatches({compiled.begin(), compiled.end() - 2}, folded))
            matched = true;
    }
    return !anyPart || matched;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string pattern = input.ConsumeRandomLengthString(300);
    const std::string name = input.ConsumeRandomLengthString(600);

    // The characters the lists show, written out as valid UTF-8, must read
    // as the raw name does: stray bytes are their Windows-1252 characters.
    const std::string shown = utf8Of(zelvo::bytesToCharacters(name));
    if (zelvo::foldedCharacters(name) != zelvo::foldedCharacters(shown))
        std::abort();

    const zelvo::WildcardPattern compiled(pattern);
    if (compiled.matches(name) != expected(pattern, name))
        std::abort();

    // The order of the file list must be a strict weak order, or sorting a
    // folder is undefined behaviour.
    const std::string other = input.ConsumeRemainingBytesAsString();
    const bool less = zelvo::nameLessIgnoringCase(name, other);
    const bool greater = zelvo::nameLessIgnoringCase(other, name);
    if (zelvo::nameLessIgnoringCase(name, name) || (less && greater) || (!less && !greater && name != other))
        std::abort();
    return 0;
}
