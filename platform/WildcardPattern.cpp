#include "WildcardPattern.h"

#include "ByteText.h"

#include <algorithm>

namespace zelvo {

namespace {

// Values beyond the last code point stand for the two wildcards, so a literal
// character can never be mistaken for one.
constexpr char32_t kAnyRun = 0x110000;
constexpr char32_t kAnyOne = 0x110001;

// Small letters for the capitals a Spanish, Western European, Greek or
// Cyrillic name is likely to hold. Anything else stays as it is.
char32_t foldCase(char32_t c)
{
    if (c >= U'A' && c <= U'Z')
        return c + 0x20;
    if (c < 0xC0)
        return c;
    if (c <= 0xDE && c != 0xD7) // À..Þ except ×
        return c + 0x20;
    if (c >= 0x100 && c <= 0x137 && c % 2 == 0) // Ā..Ķ
        return c + 1;
    if (c >= 0x139 && c <= 0x148 && c % 2 == 1) // Ĺ..Ň
        return c + 1;
    if (c >= 0x14A && c <= 0x177 && c % 2 == 0) // Ŋ..Ŷ, Œ and Š among them
        return c + 1;
    if (c == 0x178) // Ÿ
        return 0xFF;
    if (c >= 0x179 && c <= 0x17E && c % 2 == 1) // Ź..Ž
        return c + 1;
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) // Greek capitals
        return c + 0x20;
    if (c >= 0x410 && c <= 0x42F) // Cyrillic А..Я
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) // Cyrillic Ѐ..Џ
        return c + 0x50;
    return c;
}

// One character of a name as the lists show it (platform/ByteText.h): a
// valid UTF-8 sequence gives its code point, any other byte its Windows-1252
// character. Advances i.
char32_t nextCharacter(std::string_view text, std::size_t& i)
{
    char32_t c = 0;
    const std::size_t length = decodeUtf8(text, i, c);
    if (length == 0)
        c = windows1252ToUnicode(static_cast<unsigned char>(text[i]));
    i += std::max<std::size_t>(length, 1);
    return c;
}

std::string_view trimBlanks(std::string_view text)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::vector<char32_t> compilePart(std::string_view part)
{
    std::vector<char32_t> compiled;
    for (std::size_t i = 0; i < part.size();) {
        const char32_t c = nextCharacter(part, i);
        if (c == U'*') {
            // A run of stars is one star; keeping one keeps the matcher linear.
            if (compiled.empty() || compiled.back() != kAnyRun)
                compiled.push_back(kAnyRun);
        } else if (c == U'?') {
            compiled.push_back(kAnyOne);
        } else {
            compiled.push_back(foldCase(c));
        }
    }
    return compiled;
}

// The classic two-pointer matcher: on a mismatch it returns to the last star
// and lets it swallow one more character. Each star is revisited at most once
// per name position, so the cost stays within |pattern| x |name|.
bool matchCompiled(const std::vector<char32_t>& pattern, const std::vector<char32_t>& name)
{
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starP = pattern.size();
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == kAnyOne || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == kAnyRun) {
            starP = p++;
            starN = n;
        } else if (starP != pattern.size()) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == kAnyRun)
        ++p;
    return p == pattern.size();
}

bool endsWithDotStar(const std::vector<char32_t>& pattern)
{
    const std::size_t n = pattern.size();
    return n >= 2 && pattern[n - 2] == U'.' && pattern[n - 1] == kAnyRun;
}

} // namespace

std::vector<char32_t> foldedCharacters(std::string_view name)
{
    std::vector<char32_t> characters;
    characters.reserve(name.size());
    for (std::size_t i = 0; i < name.size();)
        characters.push_back(foldCase(nextCharacter(name, i)));
    return characters;
}

WildcardPattern::WildcardPattern(std::string_view text)
{
    bool anyPart = false;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view part = trimBlanks(text.substr(start, end - start));
        start = end + 1;
        if (part.empty())
            continue;
        anyPart = true;
        if (part.find('/') != std::string_view::npos || part.find('\0') != std::string_view::npos)
            continue;
        m_parts.push_back(compilePart(part));
    }
    m_matchesEverything = !anyPart;
}

bool WildcardPattern::matches(std::string_view name) const
{
    if (m_matchesEverything)
        return true;
    if (m_parts.empty())
        return false;
    const std::vector<char32_t> folded = foldedCharacters(name);
    const bool hasDot = name.find('.') != std::string_view::npos;
    for (const auto& part : m_parts) {
        if (matchCompiled(part, folded))
            return true;
        // "name.*" also takes "name": a dot-less name has an empty extension.
        if (!hasDot && endsWithDotStar(part)) {
            const std::vector<char32_t> stem(part.begin(), part.end() - 2);
            if (matchCompiled(stem, folded))
                return true;
        }
    }
    return false;
}

bool nameLessIgnoringCase(std::string_view a, std::string_view b)
{
    const std::vector<char32_t> foldedA = foldedCharacters(a);
    const std::vector<char32_t> foldedB = foldedCharacters(b);
    if (foldedA != foldedB)
        return std::lexicographical_compare(foldedA.begin(), foldedA.end(), foldedB.begin(), foldedB.end());
    return a < b;
}

} // namespace zelvo
