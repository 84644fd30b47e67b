#pragma once

#include "CountingFileSystem.h"
#include "DifferenceBound.h"

#include "core/DuplicateRow.h"
#include "core/FolderListing.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace zelvo::bench {

// How one run's reads and rows compare with the truth about its folder.
struct RunCheckReport {
    ByteCount bytesRead = 0;
    ByteCount boundTotal = 0;        // the sum of every file's difference bound
    ByteCount readBeyondBound = 0;   // bytes read past a file's bound (rest of chunks, early end blocks)
    std::size_t filesOpened = 0;
    std::size_t openedMoreThanOnce = 0;
    // Reads that do not go on from where the file's read before ended: each
    // asks the device anew, where a read that goes on is served by the one
    // stream the system reads ahead.
    std::size_t freshReads = 0;

    // Rules a run must keep; each count is a number of files or groups.
    std::size_t uniqueSizeOpened = 0;
    std::size_t someByteReadTwice = 0;
    std::size_t readAfterDifference = 0;
    std::string readAfterDifferenceExample;
    std::size_t groupsNotIdentical = 0;

    std::size_t identicalSets = 0;
    std::size_t groupsReported = 0;
    std::size_t groupsWhole = 0;     // reported groups that are a whole identical set
    std::size_t groupsPartial = 0;   // identical, but part of a larger set

    // One line per broken rule; empty when the run kept them all.
    std::vector<std::string> brokenRules() const;
};

// Judges a run: `files` are the per-file records of a CountingFileSystem that
// recorded each file, `rows` the duplicates list the run left.
RunCheckReport checkRun(const FolderListing& listing, const std::vector<DuplicateRow>& rows,
                        const std::unordered_map<std::string, FileIoRecord>& files, const ContentTruth& truth);

} // namespace zelvo::bench
