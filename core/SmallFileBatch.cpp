#include "SmallFileBatch.h"

#include "IoPool.h"
#include "SizeGroup.h"

#include <algorithm>
#include <atomic>
#include <numeric>

namespace zelvo {

namespace {

// Reads a file of `size` bytes whole into `into`; false when it cannot be
// opened or reads short (it shrank since it was measured): it is then
// identical to nothing.
bool readWhole(FileSystem& fileSystem, const std::string& path, ByteCount size, std::byte* into)
{
    Result<std::unique_ptr<FileReader>> opened = fileSystem.openForComparing(path, size);
    if (!opened || !*opened)
        return false;
    const Result<std::size_t> got = (*opened)->readAt(0, {into, std::size_t(size)});
    return got && *got == size;
}

} // namespace

std::size_t SmallFileBatch::choose(const std::vector<MeasuredFile>& files, std::size_t begin)
{
    m_positions.clear();
    m_offsets.clear();
    ByteCount bytes = 0;
    const std::size_t end = takeSizeGroups(files, begin, [&](std::size_t groupBegin, std::size_t groupEnd) {
        const ByteCount size = files[groupBegin].size;
        if (size == 0 || size > m_largest)
            return false;
        const SameFiles sameFiles = namesByFile(files, groupBegin, groupEnd);
        if (bytes + sameFiles.count() * size > m_budget && !m_positions.empty())
            return false;
        // One file under several names is never read; it is no pair.
        if (sameFiles.count() < 2)
            return true;
        for (std::size_t file = 0; file < sameFiles.count(); ++file) {
            m_positions.push_back(sameFiles.firstName(file));
            m_offsets.push_back(bytes);
            bytes += size;
        }
        return true;
    });
    m_bytes.resize(bytes);
    return end;
}

bool SmallFileBatch::read(const std::vector<MeasuredFile>& files, std::size_t begin, const Reading& reading)
{
    if (begin < m_notWorthUntil)
        return false;
    const std::size_t end = choose(files, begin);
    if (m_positions.size() < m_from) {
        // The groups up to `end` hold fewer files still from any later start.
        m_notWorthUntil = end;
        return false;
    }
    m_begin = begin;
    m_end = end;
    // The files are read in the order of their inodes, which on most file
    // systems follows where their data lies; one file per block, so that
    // neighbouring files are asked for at once, by different threads, and
    // the device serves them together. Read size group by size group,
    // or two neighbours one after the other, a cold folder of small files
    // takes half as long again.
    std::vector<std::size_t> order(m_positions.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return files[m_positions[a]].identity() < files[m_positions[b]].identity();
    });
    std::atomic<std::size_t> done{0};
    // The file read last by any thread, for the window's thread to tell
    // while it waits for the others' last reads.
    std::atomic<std::size_t> last{0};
    m_pool.share(order.size(), 1, [&](int worker, std::size_t first, std::size_t) {
        const std::size_t i = order[first];
        const MeasuredFile& file = files[m_positions[i]];
        if (!readWhole(m_fileSystem, m_listing.paths[file.row], file.size, m_bytes.data() + m_offsets[i]))
            m_offsets[i] = kUnread;
        last.store(i, std::memory_order_relaxed);
        const std::size_t now = done.fetch_add(1, std::memory_order_relaxed) + 1;
        if (worker == 0 && reading)
            reading(m_positions[i], now);
    }, IoPool::Slow::Elapsed, [&] {
        if (reading)
            reading(m_positions[last.load(std::memory_order_relaxed)], done.load(std::memory_order_relaxed));
    });
    return true;
}

const std::byte* SmallFileBatch::contentOf(std::size_t position) const
{
    const auto at = std::lower_bound(m_positions.begin(), m_positions.end(), position);
    if (at == m_positions.end() || *at != position)
        return nullptr;
    const std::uint64_t offset = m_offsets[std::size_t(at - m_positions.begin())];
    return offset == kUnread ? nullptr : m_bytes.data() + offset;
}

} // namespace zelvo
