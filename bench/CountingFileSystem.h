#pragma once

#include "platform/ForwardingFileSystem.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zelvo::bench {

// What callers asked of the disk, over all files.
struct IoTotals {
    std::uint64_t listings = 0;
    std::uint64_t statusCalls = 0;
    std::uint64_t opens = 0;        // successful opens
    std::uint64_t failedOpens = 0;
    std::uint64_t readCalls = 0;    // read() and readAt() calls, failed ones included
    ByteCount bytesRead = 0;
};

// What callers did with one file. Kept only when asked for, because a record
// per file would weigh on the memory a run is measured by.
struct FileIoRecord {
    int opens = 0;
    ByteCount bytesRead = 0;
    // Each call that delivered bytes, in call order: offset and length.
    std::vector<std::pair<ByteCount, ByteCount>> reads;
    ByteCount bytesReadAgain = 0;   // bytes delivered that an earlier call had delivered already
    std::map<ByteCount, ByteCount> ranges; // delivered byte ranges [first, second), merged
};

// A decorator that counts the listings, status queries, opens and reads that
// pass through it to the real file system, and optionally what happened to
// each file. It changes nothing: every answer is the inner one.
class CountingFileSystem : public ForwardingFileSystem {
public:
    CountingFileSystem(FileSystem& inner, bool recordEachFile)
        : ForwardingFileSystem(inner), m_recordEachFile(recordEachFile)
    {
    }

    IoTotals totals() const;
    // Files opened at least once, by path (empty unless recording each file).
    const std::unordered_map<std::string, FileIoRecord>& files() const { return m_files; }

    Result<std::vector<std::string>> listFiles(const std::string& folder, const std::string& pattern) override;
    Result<FileStatus> status(const std::string& path) override;
    // Counting is safe from several threads, so the engine runs as it does on
    // the real disk.
    bool allowsConcurrentReads() const override { return inner().allowsConcurrentReads(); }

    // Relaxed atomic counts, one set per thread (up to a few threads): a
    // counter shared by two busy threads would weigh on what is measured.
    struct alignas(64) Counters {
        std::atomic<std::uint64_t> listings{0};
        std::atomic<std::uint64_t> statusCalls{0};
        std::atomic<std::uint64_t> opens{0};
        std::atomic<std::uint64_t> failedOpens{0};
        std::atomic<std::uint64_t> readCalls{0};
        std::atomic<ByteCount> bytesRead{0};
    };

    Counters& countersOfThisThread();

    // Adds the delivered range [offset, offset + length) to a file's record.
    static void noteDelivered(FileIoRecord& record, ByteCount offset, ByteCount length);

protected:
    // Counts the open and wraps the reader to count its reads.
    Result<std::unique_ptr<FileReader>> opened(const std::string& path,
                                               Result<std::unique_ptr<FileReader>> reader) override;

private:
    bool m_recordEachFile;
    static constexpr std::size_t kCounterSets = 4;
    Counters m_totals[kCounterSets];
    // Guards the records of each file, which only --check asks for.
    std::mutex m_filesMutex;
    std::unordered_map<std::string, FileIoRecord> m_files;
};

} // namespace zelvo::bench
