#include "CountingFileSystem.h"

#include <algorithm>
#include <iterator>

namespace zelvo::bench {

namespace {

// Counts what one open file delivers. It tracks the sequential position
// itself, since the reader it wraps does not tell it.
class CountingReader : public FileReader {
public:
    CountingReader(std::unique_ptr<FileReader> inner, CountingFileSystem& owner, std::mutex& recordMutex,
                   FileIoRecord* record)
        : m_inner(std::move(inner)), m_owner(owner), m_recordMutex(recordMutex), m_record(record)
    {
    }

    Result<std::size_t> read(std::span<std::byte> into) override
    {
        Result<std::size_t> delivered = m_inner->read(into);
        note(m_position, delivered);
        if (delivered)
            m_position += *delivered;
        return delivered;
    }

    Result<std::size_t> readAt(ByteCount offset, std::span<std::byte> into) override
    {
        Result<std::size_t> delivered = m_inner->readAt(offset, into);
        note(offset, delivered);
        return delivered;
    }

    std::uint64_t placeOnDisk() override { return m_inner->placeOnDisk(); }
    void setReadAhead(bool on) override { m_inner->setReadAhead(on); }
    void willRead(ByteCount offset, ByteCount length) override { m_inner->willRead(offset, length); }

private:
    void note(ByteCount offset, const Result<std::size_t>& delivered)
    {
        CountingFileSystem::Counters& counters = m_owner.countersOfThisThread();
        counters.readCalls.fetch_add(1, std::memory_order_relaxed);
        if (!delivered)
            return;
        counters.bytesRead.fetch_add(*delivered, std::memory_order_relaxed);
        if (m_record) {
            std::lock_guard lock(m_recordMutex);
            m_record->bytesRead += *delivered;
            if (*delivered > 0)
                m_record->reads.emplace_back(offset, *delivered);
            CountingFileSystem::noteDelivered(*m_record, offset, *delivered);
        }
    }

    std::unique_ptr<FileReader> m_inner;
    CountingFileSystem& m_owner;
    std::mutex& m_recordMutex;
    FileIoRecord* m_record;
    ByteCount m_position = 0;
};

} // namespace

Result<std::vector<std::string>> CountingFileSystem::listFiles(const std::string& folder,
                                                               const std::string& pattern)
{
    countersOfThisThread().listings.fetch_add(1, std::memory_order_relaxed);
    return ForwardingFileSystem::listFiles(folder, pattern);
}

Result<FileStatus> CountingFileSystem::status(const std::string& path)
{
    countersOfThisThread().statusCalls.fetch_add(1, std::memory_order_relaxed);
    return ForwardingFileSystem::status(path);
}

Result<std::unique_ptr<FileReader>>
CountingFileSystem::opened(const std::string& path, Result<std::unique_ptr<FileReader>> reader)
{
    if (!reader) {
        countersOfThisThread().failedOpens.fetch_add(1, std::memory_order_relaxed);
        return reader;
    }
    countersOfThisThread().opens.fetch_add(1, std::memory_order_relaxed);
    FileIoRecord* record = nullptr;
    if (m_recordEachFile) {
        // Records stay where they are when the map grows.
        std::lock_guard lock(m_filesMutex);
        record = &m_files[path];
        ++record->opens;
    }
    return std::unique_ptr<FileReader>(
        std::make_unique<CountingReader>(std::move(reader).value(), *this, m_filesMutex, record));
}

CountingFileSystem::Counters& CountingFileSystem::countersOfThisThread()
{
    static std::atomic<std::size_t> threadsSeen{0};
    thread_local const std::size_t set = threadsSeen.fetch_add(1, std::memory_order_relaxed);
    return m_totals[set % kCounterSets];
}

IoTotals CountingFileSystem::totals() const
{
    IoTotals sum;
    for (const Counters& c : m_totals) {
        const auto load = [](const auto& counter) { return counter.load(std::memory_order_relaxed); };
        sum.listings += load(c.listings);
        sum.statusCalls += load(c.statusCalls);
        sum.opens += load(c.opens);
        sum.failedOpens += load(c.failedOpens);
        sum.readCalls += load(c.readCalls);
        sum.bytesRead += load(c.bytesRead);
    }
    return sum;
}

void CountingFileSystem::noteDelivered(FileIoRecord& record, ByteCount offset, ByteCount length)
{
    if (length == 0)
        return;
    ByteCount first = offset;
    ByteCount last = offset + length;
    auto& ranges = record.ranges;
    // Start at the last range that begins at or before the new one, since it
    // may reach into it; then swallow every range the new one touches.
    auto it = ranges.upper_bound(first);
    if (it != ranges.begin())
        --it;
    while (it != ranges.end() && it->first <= last) {
        if (it->second >= first) {
            const ByteCount overlapFirst = std::max(first, it->first);
            const ByteCount overlapLast = std::min(last, it->second);
            if (overlapLast > overlapFirst)
                record.bytesReadAgain += overlapLast - overlapFirst;
            first = std::min(first, it->first);
            last = std::max(last, it->second);
            it = ranges.erase(it);
        } else {
            ++it;
        }
    }
    ranges.emplace(first, last);
}

} // namespace zelvo::bench
