#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zelvo {

// Four middle dots (U+00B7), ">" and a blank, in UTF-8: six characters.
inline constexpr std::string_view kHeadRowPrefix = "\xC2\xB7\xC2\xB7\xC2\xB7\xC2\xB7> ";

// One row of the duplicates list. A head row names the reference file of a
// group; a twin row names a file identical to it. The group number ties rows
// to their group even after other rows were removed.
struct DuplicateRow {
    static constexpr std::uint32_t kNotListed = std::uint32_t(-1);

    bool isHead = false;
    std::string path;
    int group = 0;
    // The row of the folder listing that holds the same path, when the row
    // comes from it: a list of a million rows can then share the listing's
    // paths instead of copying them. It is no part of what the row says.
    std::uint32_t listingRow = kNotListed;

    // The row as the list shows it: "····> " + path for a head row, the bare
    // path otherwise (UTF-8 prefix, path bytes unchanged).
    std::string text() const { return isHead ? std::string(kHeadRowPrefix) + path : path; }
    bool operator==(const DuplicateRow& other) const
    {
        return isHead == other.isHead && path == other.path && group == other.group;
    }
};

// The path a row's text names: a text that starts with "····>" loses its six
// prefix characters, any other text is the path itself.
inline std::string pathOfRowText(std::string_view text)
{
    const std::string_view marker = kHeadRowPrefix.substr(0, kHeadRowPrefix.size() - 1);
    if (text.substr(0, marker.size()) == marker)
        return std::string(text.substr(std::min(text.size(), kHeadRowPrefix.size())));
    return std::string(text);
}

} // namespace zelvo
