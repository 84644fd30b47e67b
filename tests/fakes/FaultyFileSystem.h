#pragma once

#include "platform/ForwardingFileSystem.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zelvo {

// The operations a fault can be attached to.
enum class FsOperation { List, Status, Open, Read, Append, Remove };

// A decorator over any FileSystem that counts what callers do and fails on
// request. Counting answers "was any byte read twice?", "was this file ever
// opened?" and "is every reader closed again?"; faults are set per path and
// operation, so a test can walk a whole matrix of failures. Paths are compared
// exactly as the caller passes them; for List the path is the folder. Every
// call holds one lock, so the engine's helper thread may call it too; it
// allows concurrent calls when the file system it wraps does.
class FaultyFileSystem : public ForwardingFileSystem {
public:
    // A path no caller can pass (it holds a NUL): any fault set on it applies
    // to every path that has no fault of the same kind of its own.
    static inline const std::string kEveryPath{"\0every path", 11};

    struct PathCounters {
        int statusCalls = 0;
        int opens = 0;        // successful opens
        int readCalls = 0;    // read() and readAt() calls, failed ones included
        ByteCount bytesRead = 0;
        bool rangeReadTwice = false; // some byte was delivered more than once
        int appends = 0;      // successful appends
        int removes = 0;      // successful removals
    };

    explicit FaultyFileSystem(FileSystem& inner)
        : ForwardingFileSystem(inner), m_state(std::make_shared<State>())
    {
    }

    // --- Faults -----------------------------------------------------------

    // The operation fails with `error` from its `fromCall`-th call on this
    // path onwards (calls counted from 1, per path and operation, failed
    // calls included). Read faults count read calls over all readers of the
    // path.
    void failOperation(const std::string& path, FsOperation operation, FileError error, int fromCall = 1)
    {
        m_state->faults[{path, operation}] = {error, fromCall};
    }
    void failStatus(const std::string& path, FileError error) { failOperation(path, FsOperation::Status, error); }
    void failOpen(const std::string& path, FileError error) { failOperation(path, FsOperation::Open, error); }
    // A full disk by default.
    void failAppend(const std::string& path, FileError error = FileError::Other)
    {
        failOperation(path, FsOperation::Append, error);
    }
    void failRemove(const std::string& path, FileError error = FileError::AccessDenied)
    {
        failOperation(path, FsOperation::Remove, error);
    }
    // Reads of this path deliver the first `bytes` bytes of the file; a read
    // that would deliver any byte at or beyond that offset fails, as a disk
    // error (EIO) does. A limit at or past the end of the file never fires.
    void failReadAfterBytes(const std::string& path, ByteCount bytes, FileError error = FileError::Other)
    {
        m_state->readLimits[path] = {bytes, error};
    }
    // The file disappears at its k-th read call (k counted over all readers
    // from 1; k = 0 means it is already gone): that read and every later one
    // fail with `readError`, and status and open answer NotFound. The listing
    // still shows it, as a listing made just before it vanished would.
    void vanishAtRead(const std::string& path, int k, FileError readError = FileError::NotFound)
    {
        m_state->vanishing[path] = {k, readError};
    }
    void vanish(const std::string& path) { vanishAtRead(path, 0); }
    void clearFaults()
    {
        m_state->faults.clear();
        m_state->readLimits.clear();
        m_state->vanishing.clear();
    }

    // --- Counters ---------------------------------------------------------

    PathCounters counters(const std::string& path) const
    {
        std::lock_guard<std::recursive_mutex> lock(m_state->mutex);
        auto it = m_state->paths.find(path);
        return it == m_state->paths.end() ? PathCounters{} : it->second.counters;
    }
    int opens(const std::string& path) const { return counters(path).opens; }
    ByteCount bytesRead(const std::string& path) const { return counters(path).bytesRead; }
    bool rangeReadTwice(const std::string& path) const { return counters(path).rangeReadTwice; }

    int totalOpens() const { return int(sum([](const PathCounters& c) { return ByteCount(c.opens); })); }
    ByteCount totalBytesRead() const { return sum([](const PathCounters& c) { return c.bytesRead; }); }
    int totalReadCalls() const { return int(sum([](const PathCounters& c) { return ByteCount(c.readCalls); })); }
    // The paths of which some byte was read more than once, in path order.
    std::vector<std::string> pathsReadTwice() const
    {
        std::lock_guard<std::recursive_mutex> lock(m_state->mutex);
        std::vector<std::string> paths;
        for (const auto& [path, record] : m_state->paths)
            if (record.counters.rangeReadTwice)
                paths.push_back(path);
        return paths;
    }
    // The paths that were opened at least once, in path order.
    std::vector<std::string> openedPaths() const
    {
        std::lock_guard<std::recursive_mutex> lock(m_state->mutex);
        std::vector<std::string> paths;
        for (const auto& [path, record] : m_state->paths)
            if (record.counters.opens > 0)
                paths.push_back(path);
        return paths;
    }
    // Readers handed out and not yet destroyed, and the most ever alive at
    // once: the second bounds the file descriptors a caller needs.
    int openReaders() const
    {
        std::lock_guard<std::recursive_mutex> lock(m_state->mutex);
        return m_state->openReaders;
    }
    int peakOpenReaders() const
    {
        std::lock_guard<std::recursive_mutex> lock(m_state->mutex);
        return m_state->peakOpenReaders;
    }
    void resetCounters()
    {
        std::lock_guard<std::recursive_mutex> lock(m_state->mutex);
        m_state->paths.clear();
        m_state->peakOpenReaders = m_state->openReaders;
    }

    // --- FileSystem -------------------------------------------------------

    Result<std::vector<std::string>> listFiles(const std::string& folder, const std::string& pattern) override
    {
        std::lock_guard<std::recursive_mutex> lock(m_state->mutex);
        if (FileError e = m_state->injected(folder, FsOperation::List); e != FileError::None)
            return e;
        return inner().listFiles(folder, pattern);
    }

    Result<FileStatus> status(const std::string& path) override
    {
        std::lock_guard<std::recursive_mutex> lock(m_state->mutex);
        ++m_state->record(path).counters.statusCalls;
        if (FileError e = m_state->injected(path, FsOperation::Status); e != FileError::None)
            return e;
        if (m_state->hasVanished(path))
            return FileError::NotFound;
        return inner().status(path);
    }

    Result<std::unique_ptr<FileReader>> openForReading(const std::string& path) override
    {
        return open(path, [&] { return inner().openForReading(path); });
    }

    Result<std::unique_ptr<FileReader>> openForComparing(const std::string& path, ByteCount size) override
    {
        return open(path, [&] { return inner().openForComparing(path, size); });
    }

    template <typename Open>
    Result<std::unique_ptr<FileReader>> open(const std::string& path, Open openInner)
    {
        std::lock_guard<std::recursive_mutex> lock(m_state->mutex);
        m_state->record(path);
        if (FileError e = m_state->injected(path, FsOperation::Open); e != FileError::None)
            return e;
        if (m_state->hasVanished(path))
            return FileError::NotFound;
        auto opened = openInner();
        if (!opened)
            return opened.error();
        ++m_state->record(path).counters.opens;
        return std::unique_ptr<FileReader>(new CountingReader(m_state, path, std::move(*opened)));
    }

    FileError removeFile(const std::string& path) override
    {
        std::lock_guard<std::recursive_mutex> lock(m_state->mutex);
        m_state->record(path);
        if (FileError e = m_state->injected(path, FsOperation::Remove); e != FileError::None)
            return e;
        FileError e = inner().removeFile(path);
        if (e == FileError::None)
            ++m_state->record(path).counters.removes;
        return e;
    }

    FileError appendToFile(const std::string& path, std::string_view bytes) override
    {
        std::lock_guard<std::recursive_mutex> lock(m_state->mutex);
        m_state->record(path);
        if (FileError e = m_state->injected(path, FsOperation::Append); e != FileError::None)
            return e;
        FileError e = inner().appendToFile(path, bytes);
        if (e == FileError::None)
            ++m_state->record(path).counters.appends;
        return e;
    }

    bool allowsConcurrentReads() const override { return inner().allowsConcurrentReads(); }

private:
    struct Fault {
        FileError error = FileError::Other;
        int fromCall = 1;
    };
    struct ReadLimit {
        ByteCount bytes = 0;
        FileError error = FileError::Other;
    };
    struct Vanishing {
        int atRead = 0;
        FileError readError = FileError::NotFound;
    };
    struct PathRecord {
        PathCounters counters;
        std::map<FsOperation, int> calls;
        // Byte ranges delivered so far, [start, end), disjoint and merged.
        std::map<ByteCount, ByteCount> ranges;
    };

    // Shared with the readers, so a reader outliving the file system stays
    // harmless.
    struct State {
        // Recursive: a reader is made and counted inside an open.
        std::recursive_mutex mutex;
        std::map<std::pair<std::string, FsOperation>, Fault> faults;
        std::map<std::string, ReadLimit> readLimits;
        std::map<std::string, Vanishing> vanishing;
        std::map<std::string, PathRecord> paths;
        int openReaders = 0;
        int peakOpenReaders = 0;

        PathRecord& record(const std::string& path) { return paths[path]; }

        // The entry for the path, or else the one for every path.
        template <typename Map>
        static const typename Map::mapped_type* lookUp(const Map& map, const std::string& path)
        {
            auto it = map.find(path);
            if (it == map.end())
                it = map.find(kEveryPath);
            return it == map.end() ? nullptr : &it->second;
        }

        // Counts the call and answers the fault due for it, or None.
        FileError injected(const std::string& path, FsOperation operation)
        {
            const int call = ++record(path).calls[operation];
            for (const std::string* key : {&path, &kEveryPath}) {
                auto it = faults.find({*key, operation});
                if (it != faults.end() && call >= it->second.fromCall)
                    return it->second.error;
            }
            return FileError::None;
        }

        bool hasVanished(const std::string& path)
        {
            const Vanishing* v = lookUp(vanishing, path);
            if (!v)
                return false;
            return v->atRead == 0 || record(path).counters.readCalls >= v->atRead;
        }

        // Notes the delivered range [start, end) and whether it overlaps one
        // delivered before.
        void noteRange(PathRecord& r, ByteCount start, ByteCount end)
        {
            if (start == end)
                return;
            r.counters.bytesRead += end - start;
            auto it = r.ranges.upper_bound(start);
            if (it != r.ranges.begin() && std::prev(it)->second > start)
                r.counters.rangeReadTwice = true;
            if (it != r.ranges.end() && it->first < end)
                r.counters.rangeReadTwice = true;
            // Merge with every range that touches or overlaps [start, end).
            if (it != r.ranges.begin() && std::prev(it)->second >= start) {
                --it;
                start = it->first;
            }
            while (it != r.ranges.end() && it->first <= end) {
                end = std::max(end, it->second);
                it = r.ranges.erase(it);
            }
            r.ranges[start] = end;
        }
    };

    class CountingReader : public FileReader {
    public:
        CountingReader(std::shared_ptr<State> state, std::string path, std::unique_ptr<FileReader> inner)
            : m_state(std::move(state)), m_path(std::move(path)), m_inner(std::move(inner))
        {
            std::lock_guard<std::recursive_mutex> lock(m_state->mutex);
            m_state->openReaders++;
            m_state->peakOpenReaders = std::max(m_state->peakOpenReaders, m_state->openReaders);
        }
        ~CountingReader() override
        {
            std::lock_guard<std::recursive_mutex> lock(m_state->mutex);
            m_state->openReaders--;
        }

        Result<std::size_t> read(std::span<std::byte> into) override
        {
            auto got = readCounted(m_position, [&] { return m_inner->read(into); });
            if (got)
                m_position += *got;
            return got;
        }

        Result<std::size_t> readAt(ByteCount offset, std::span<std::byte> into) override
        {
            return readCounted(offset, [&] { return m_inner->readAt(offset, into); });
        }

        std::uint64_t placeOnDisk() override { return m_inner->placeOnDisk(); }
        void setReadAhead(bool on) override { m_inner->setReadAhead(on); }
        void willRead(ByteCount offset, ByteCount length) override { m_inner->willRead(offset, length); }

    private:
        template <typename Read>
        Result<std::size_t> readCounted(ByteCount offset, Read doRead)
        {
            std::lock_guard<std::recursive_mutex> lock(m_state->mutex);
            PathRecord& r = m_state->record(m_path);
            const int call = ++r.counters.readCalls;
            if (const Vanishing* v = State::lookUp(m_state->vanishing, m_path); v && call >= v->atRead)
                return v->readError;
            if (FileError e = m_state->injected(m_path, FsOperation::Read); e != FileError::None)
                return e;
            auto got = doRead();
            if (!got)
                return got;
            // The bytes past the limit are never handed out; the read fails
            // as a whole, as a disk error does.
            if (const ReadLimit* limit = State::lookUp(m_state->readLimits, m_path);
                limit && offset + *got > limit->bytes)
                return limit->error;
            m_state->noteRange(r, offset, offset + *got);
            return got;
        }

        std::shared_ptr<State> m_state;
        std::string m_path;
        std::unique_ptr<FileReader> m_inner;
        ByteCount m_position = 0;
    };

    template <typename Field>
    ByteCount sum(Field field) const
    {
        std::lock_guard<std::recursive_mutex> lock(m_state->mutex);
        ByteCount total = 0;
        for (const auto& [path, record] : m_state->paths)
            total += field(record.counters);
        return total;
    }

    std::shared_ptr<State> m_state;
};

} // namespace zelvo
