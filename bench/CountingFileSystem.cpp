#include "CountingFileSystem.h"

#include <algorithm>
#include <iterator>

namespace zelvo::bench {

namespace {

// Counts what one open file delivers. It tracks the sequential position
// itself, since the reader it wraps does not tell it.
class CountingReader : public FileReader {
public:
    CountingReader(std::unique_ptr<FileReader> inner, IoTotals& totals, FileIoRecord* record)
        : m_inner(std::move(inner)), m_totals(totals), m_record(record)
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

private:
    void note(ByteCount offset, const Result<std::size_t>& delivered)
    {
        ++m_totals.readCalls;
        if (!delivered)
            return;
        m_totals.bytesRead += *delivered;
        if (m_record) {
            m_record->bytesRead += *delivered;
            if (*delivered > 0)
                m_record->reads.emplace_back(offset, *delivered);
            CountingFileSystem::noteDelivered(*m_record, offset, *delivered);
        }
    }

    std::unique_ptr<FileReader> m_inner;
    IoTotals& m_totals;
    FileIoRecord* m_record;
    ByteCount m_position = 0;
};

} // namespace

Result<std::vector<std::string>> CountingFileSystem::listFiles(const std::string& folder,
                                                               const std::string& pattern)
{
    ++m_totals.listings;
    return m_inner.listFiles(folder, pattern);
}

Result<FileStatus> CountingFileSystem::status(const std::string& path)
{
    ++m_totals.statusCalls;
    return m_inner.status(path);
}

Result<std::unique_ptr<FileReader>> CountingFileSystem::openForReading(const std::string& path)
{
    Result<std::unique_ptr<FileReader>> opened = m_inner.openForReading(path);
    if (!opened) {
        ++m_totals.failedOpens;
        return opened;
    }
    ++m_totals.opens;
    FileIoRecord* record = nullptr;
    if (m_recordEachFile) {
        record = &m_files[path];
        ++record->opens;
    }
    return std::unique_ptr<FileReader>(
        std::make_unique<CountingReader>(std::move(opened).value(), m_totals, record));
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
