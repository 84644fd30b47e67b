#pragma once

#include "platform/FileSystem.h"

#include <string>
#include <vector>

namespace zelvo::bench {

// The truth about a folder's contents, found independently of the engine, to
// judge what a run read and reported.
struct ContentTruth {
    // For each file: the length of the prefix a reader must see to tell it
    // apart from every other file of its size (up to and including the first
    // byte in which it differs from all of them); its whole size when it has
    // an identical twin; 0 when its size is unique or it is empty.
    std::vector<ByteCount> bound;
    // The sets of at least two byte-identical files, as positions in the
    // listing, each in ascending order; sets ordered by their first position.
    std::vector<std::vector<std::size_t>> identicalSets;
    // For each file: whether another file of its size has the same first
    // and last blocks (4 KiB each, or the whole file when it is shorter).
    // Reading those early cannot tell the two apart, so a reader that does
    // must go on through the middle even when the prefix bound lies in the
    // last block.
    std::vector<bool> sharesEnds;
    // Files that could not be read; they are in no set and have no bound.
    std::vector<std::size_t> unreadable;
};

// Reads every file that shares its size with another one, a block at a time,
// and splits each size into classes of identical contents. Sorting a class by
// a block's bytes puts each file next to the one it shares the longest prefix
// with, so no pair is ever compared twice.
ContentTruth findContentTruth(const std::vector<std::string>& paths, const std::vector<ByteCount>& sizes);

} // namespace zelvo::bench
