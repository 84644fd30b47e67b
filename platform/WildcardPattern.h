#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zelvo {

// A file-name wildcard as a user types it: "*" any run of characters, "?" one
// character, letter case ignored. Names are raw bytes, read as the lists show
// them (platform/ByteText.h): where they are valid UTF-8 a character is a code
// point, elsewhere a single byte read as Windows-1252, so an old Latin-1 "É"
// and a UTF-8 "é" still meet, and so do a stray "Š" byte and a UTF-8 "š".
//
// The conveniences users know from other systems hold too: several patterns
// separated by ";" are all applied, "*.*" (or any pattern ending in ".*")
// also takes names without a dot, and an empty or blank pattern takes every
// name. A part holding a character no file name can hold ("/" or NUL)
// matches nothing.
//
// Matching is iterative and bounded by the product of the two lengths, so a
// hostile pattern such as "*a*a*a*b" cannot make it explode.
class WildcardPattern {
public:
    explicit WildcardPattern(std::string_view text);

    bool matches(std::string_view name) const;

private:
    std::vector<std::vector<char32_t>> m_parts;
    bool m_matchesEverything = false;
};

// True when a sorts before b ascending with letter case ignored. Names equal
// but for case are ordered by their bytes, so the order is total and the same
// on every run.
bool nameLessIgnoringCase(std::string_view a, std::string_view b);

// The character sequence of a name with letter case folded, as the matching
// sees it. Exposed for tests.
std::vector<char32_t> foldedCharacters(std::string_view name);

} // namespace zelvo
