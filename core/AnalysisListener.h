#pragma once

#include "DuplicateRow.h"
#include "FolderListing.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <string>

namespace zelvo {

// How one run of the analysis ended.
enum class RunEnd {
    Finished,
    InvalidArgument, // a step rejected its argument: the user is told
    Failed,          // any other failure: no count, no message
};

// What the analysis tells while it works, in the order it happens and always
// on the thread that called it. The window's adapter (AnalysisDisplay) turns
// it into captions, bars, rows and the pointer; the analysis itself never
// touches the window.
class AnalysisListener {
public:
    virtual ~AnalysisListener() = default;

    virtual void runStarts() = 0;
    // The start point of a pass over the listing; again after a rescan.
    virtual void passStarts() = 0;
    // A size group is taken up. `settled` of the listing's `total` files lie
    // before it; `reference` is its first file.
    virtual void sizeGroupStarts(std::size_t settled, std::size_t total, const std::string& reference,
                                 ByteCount size) = 0;
    // Two files of `size` bytes are being compared now: the reference of a
    // class and a candidate for it, of the size group taken up or, while the
    // small files of many size groups are read at once, of a later one. The
    // first call of a size group comes before any byte is read.
    virtual void comparing(const std::string& reference, const std::string& candidate, ByteCount size) = 0;
    // Before each chunk round: bytes of every file still in play compared so
    // far, of the group's size.
    virtual void bytesCompared(ByteCount compared, ByteCount size) = 0;
    // Files of the listing whose fate is settled (of a unique size, left
    // their class, or in a complete group), counted in halves: a file read in
    // the current round counts one half until the round settles it.
    virtual void filesSettled(std::uint64_t halves, std::uint64_t totalHalves) = 0;
    // The size group's contents were compared.
    virtual void sizeGroupCompared() = 0;
    virtual void rowFound(const DuplicateRow& row) = 0;
    // A twin was listed and its pair recorded.
    virtual void twinCounted() = 0;
    // A listed file vanished: the folder is scanned again into `listing`.
    virtual void rescan(FolderListing& listing) = 0;
    virtual void runFinished(RunEnd end, double NumDuplicados) = 0;
    // Whatever ended the run, exceptions included.
    virtual void finalCleanup() = 0;
};

} // namespace zelvo
