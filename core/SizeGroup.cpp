#include "SizeGroup.h"

#include <algorithm>

namespace zelvo {

std::size_t endOfSizeGroup(const std::vector<MeasuredFile>& files, std::size_t begin)
{
    std::size_t end = begin + 1;
    while (end < files.size() && files[end].size == files[begin].size)
        ++end;
    return end;
}

SameFiles namesByFile(const std::vector<MeasuredFile>& files, std::size_t begin,
                             std::size_t end)
{
    SameFiles same;
    same.begin = begin;
    same.length = end - begin;
    std::vector<std::size_t> order(end - begin);
    for (std::size_t i = begin; i < end; ++i)
        order[i - begin] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return files[a].identity() < files[b].identity();
    });
    // Where each file's names begin in `order`.
    std::vector<std::size_t> firsts;
    for (std::size_t i = 0; i < order.size(); ++i)
        if (i == 0 || files[order[i]].identity() != files[order[i - 1]].identity())
            firsts.push_back(i);
    if (firsts.size() == order.size())
        return same;
    // The files in the order of their first names.
    std::sort(firsts.begin(), firsts.end(),
              [&](std::size_t a, std::size_t b) { return order[a] < order[b]; });
    same.names.reserve(order.size());
    same.starts.reserve(firsts.size() + 1);
    for (std::size_t first : firsts) {
        same.starts.push_back(same.names.size());
        std::size_t i = first;
        do
            same.names.push_back(order[i++]);
        while (i < order.size() && files[order[i]].identity() == files[order[first]].identity());
    }
    same.starts.push_back(same.names.size());
    return same;
}

} // namespace zelvo
