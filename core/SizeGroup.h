#pragma once

#include "MeasuredFiles.h"

#include <cstddef>
#include <vector>

namespace zelvo {

// The files on disk of one size group (consecutive measured files of equal
// size) and the names each goes by. In the common case no two names share a
// file, and file f is simply measured file begin + f; otherwise file f's
// names are names[starts[f]] up to names[starts[f + 1]], in listing order,
// and the files are ordered by their first name. Flat arrays rather than a
// list per file: a size group of a million empty files is common enough.
struct SameFiles {
    std::size_t begin = 0;
    std::size_t length = 0;
    std::vector<std::size_t> names;
    std::vector<std::size_t> starts;

    bool distinct() const { return starts.empty(); }
    std::size_t count() const { return distinct() ? length : starts.size() - 1; }
    std::size_t firstName(std::size_t file) const
    {
        return distinct() ? begin + file : names[starts[file]];
    }
    template <typename Visit>
    void forEachName(std::size_t file, Visit visit) const
    {
        if (distinct()) {
            visit(begin + file);
            return;
        }
        for (std::size_t k = starts[file]; k < starts[file + 1]; ++k)
            visit(names[k]);
    }
    void appendNames(std::size_t file, std::vector<std::size_t>& into) const
    {
        if (distinct())
            into.push_back(begin + file);
        else
            into.insert(into.end(), names.begin() + starts[file], names.begin() + starts[file + 1]);
    }
};

// Where the size group of files[begin] ends: the files are ordered by size.
std::size_t endOfSizeGroup(const std::vector<MeasuredFile>& files, std::size_t begin);

// Calls take(begin, end) for the size groups of two names or more from
// files[from] on, groups of one name passed over, while take() asks for
// more; returns where the walk stopped: the group refused, or the end.
template <typename Take>
std::size_t takeSizeGroups(const std::vector<MeasuredFile>& files, std::size_t from, Take take)
{
    while (from < files.size()) {
        const std::size_t end = endOfSizeGroup(files, from);
        if (end - from >= 2 && !take(from, end))
            break;
        from = end;
    }
    return from;
}

// Groups the names of measured files begin..end, one size group, by the file
// on disk they name.
SameFiles namesByFile(const std::vector<MeasuredFile>& files, std::size_t begin, std::size_t end);

} // namespace zelvo
