#pragma once

#include "DifferenceBound.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zelvo::bench {

// One file the floor reads: its byte ranges [offset, offset + length), in
// ascending order, disjoint.
struct FloorFile {
    std::string path;
    std::vector<std::pair<ByteCount, ByteCount>> ranges;
    ByteCount size = 0;
    ByteCount bytes() const;
    // Read from its first byte to its last: read-ahead then brings only
    // wanted bytes.
    bool wholeFile() const { return bytes() == size; }
};

// The reads no finder can avoid: every readable, non-empty file of a size
// shared by another one up to its difference bound, and at least its first
// block (nobody reads less than a block to learn a file's first byte). A file
// whose first and last blocks together set it apart from every other file of
// its size (it shares its ends with none) needs only those two blocks when
// they are fewer bytes than its prefix. Files of a unique size, empty files
// and unreadable ones need no read and are left out. In listing order.
std::vector<FloorFile> floorPlan(const std::vector<std::string>& paths,
                                 const std::vector<ByteCount>& sizes, const ContentTruth& truth);

// The calls the floor makes, so that a test can see them. Implementations
// must be safe to call from several threads at once.
class RangeReader {
public:
    virtual ~RangeReader() = default;
    // A handle, or a negative number when the file cannot be opened. Without
    // read-ahead the system reads only the bytes asked for.
    virtual int open(const std::string& path, bool readAhead) = 0;
    // Bytes read (0 at the end of the file), or a negative number on error.
    virtual long long readAt(int handle, unsigned char* into, std::size_t length,
                             ByteCount offset) = 0;
    virtual void close(int handle) = 0;
};

// open, pread and close, nothing else but the advice to read only what is
// asked for; no status.
class PosixRangeReader final : public RangeReader {
public:
    int open(const std::string& path, bool readAhead) override;
    long long readAt(int handle, unsigned char* into, std::size_t length,
                     ByteCount offset) override;
    void close(int handle) override;
};

// A folder as the engine lists it: its regular files that are not hidden,
// sorted by name, with their sizes.
struct FloorListing {
    std::vector<std::string> paths;
    std::vector<ByteCount> sizes;
};

// What any finder does before it reads a byte: the folder's names, then the
// status of each, taken by `threads` threads from one counter. False when
// the folder cannot be listed.
bool listAndMeasure(const std::string& folder, unsigned threads, FloorListing& into);

struct FloorRun {
    double seconds = 0;
    std::uint64_t filesOpened = 0;
    ByteCount bytesRead = 0;
    std::uint64_t failures = 0; // files that could not be opened or read to their length
};

// Reads the plan with `threads` threads taking files from one counter: each
// file opened once, each of its ranges read once, in calls of at most
// `chunk` bytes. With `exactly`, a file not read whole is read without
// read-ahead, which would read bytes no finder needs (a cold 64 KiB file read
// for its first 4 KiB is read for 16); else every file with it.
FloorRun readPlan(const std::vector<FloorFile>& plan, unsigned threads, RangeReader& reader,
                  std::size_t chunk = std::size_t(1) << 20, bool exactly = true);

// The plan as text, one file a line ("size ranges offset length ... path"),
// so that a run can read it without reading the folder for it first.
std::string planText(const std::vector<FloorFile>& plan);
// False when the text is not a plan.
bool parsePlan(const std::string& text, std::vector<FloorFile>& plan);

} // namespace zelvo::bench
