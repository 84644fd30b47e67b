#include "MeasuredFiles.h"

#include "IoPool.h"

#include <algorithm>

namespace zelvo {

namespace {

constexpr ByteCount kSizeLimit = ByteCount(1) << 48;
constexpr std::uint32_t kDeviceLimit = std::uint32_t(1) << 15;
// The row of a file that takes no part in the run.
constexpr std::uint32_t kNotMeasured = std::uint32_t(-1);
// The number of a device met after the last one that has a number.
constexpr std::uint32_t kNoDevice = std::uint32_t(-1);

// The modification time folded into 32 bits, nanoseconds included, and only
// ever compared for equality: a change goes unseen only when the time moved
// by an exact multiple of 2^32 ns (4.3 s) to the nanosecond, or of 2^23 s
// (97 days) on file systems that keep whole seconds.
std::uint32_t changeStamp(const FileStatus& status)
{
    return std::uint32_t(std::uint64_t(status.modified.seconds) * 1'000'000'000u +
                         status.modifiedNanoseconds);
}

} // namespace

// Every listed file is measured again before anything is compared, so a
// vanished file restarts the run before any row was listed, and sizes are
// those of the files as they are now. A file that can be neither measured
// nor found otherwise (refused, device trouble) takes no part.
PassEnd FileMeasurer::measure(std::vector<MeasuredFile>& files)
{
    const std::size_t rows = m_listing.paths.size();
    // Each row's record is written in its place, so that many threads can
    // share the work without a second copy of the records.
    files.assign(rows, MeasuredFile{});
    if (!m_pool || rows < m_parallelListingFrom) {
        const RowFailure failure = measureRows(0, rows, files);
        if (failure.end != PassEnd::Finished)
            return failure.end;
    } else if (const PassEnd end = measureInPool(files); end != PassEnd::Finished) {
        return end;
    }
    std::erase_if(files, [](const MeasuredFile& file) { return file.row == kNotMeasured; });
    return PassEnd::Finished;
}

// A long listing is measured by the pool: one status per file waits on the
// kernel, or on the disk when the folder is cold, and the device answers many
// requests at once faster than one after another.
PassEnd FileMeasurer::measureInPool(std::vector<MeasuredFile>& files)
{
    std::mutex failureMutex;
    RowFailure first;
    constexpr std::size_t kBlock = 64;
    m_pool->share(files.size(), kBlock, [&](int, std::size_t from, std::size_t to) {
        const RowFailure failure = measureRows(from, to, files);
        if (failure.end == PassEnd::Finished)
            return;
        // Blocks are handed out in listing order, so every row before this
        // one is in a block handed out already: the first failure in listing
        // order is among those found.
        std::lock_guard lock(failureMutex);
        if (failure.row < first.row)
            first = failure;
        m_pool->stopHandingOut();
    });
    return first.end;
}

FileMeasurer::RowFailure FileMeasurer::measureRows(std::size_t from, std::size_t to,
                                                   std::vector<MeasuredFile>& files)
{
    // The device of the file before: nearly every file lies on the same one.
    std::uint64_t lastDevice = 0;
    std::uint32_t lastNumber = kNoDevice;
    for (std::size_t row = from; row < to; ++row) {
        const Result<FileStatus> status = m_fileSystem.status(m_listing.paths[row]);
        MeasuredFile& file = files[row];
        file.row = kNotMeasured;
        if (status) {
            if (lastNumber == kNoDevice || status->identity.device != lastDevice) {
                lastDevice = status->identity.device;
                lastNumber = deviceNumber(lastDevice);
            }
            if (status->size >= kSizeLimit || lastNumber == kNoDevice || !status->regular)
                continue;
            if (!status->sizeTrusted && !sizeProven(m_listing.paths[row], status->size))
                continue;
            file.size = status->size;
            file.device = lastNumber;
            file.inode = status->identity.inode;
            file.row = std::uint32_t(row);
            file.stamp = changeStamp(*status);
            continue;
        }
        if (status.error() == FileError::NotFound)
            return {PassEnd::Vanished, row};
        if (status.error() == FileError::InvalidArgument)
            return {PassEnd::InvalidArgument, row};
    }
    return {};
}

// A file whose size says nothing of its contents (one of /proc or /sys, or
// a link to it) takes part only when a read finds exactly that many bytes;
// larger ones are not worth holding in memory to find out.
bool FileMeasurer::sizeProven(const std::string& path, ByteCount size)
{
    constexpr ByteCount kLargestProof = ByteCount(1) << 20;
    if (size > kLargestProof)
        return false;
    Result<std::unique_ptr<FileReader>> opened = m_fileSystem.openForComparing(path, size);
    if (!opened || !*opened)
        return false;
    std::vector<std::byte> bytes(std::size_t(size) + 1);
    const Result<std::size_t> got = (*opened)->read(bytes);
    return got && *got == size;
}

// Devices are numbered in the order met, up to kDeviceLimit of them.
std::uint32_t FileMeasurer::deviceNumber(std::uint64_t device)
{
    std::lock_guard lock(m_devicesMutex);
    auto known = std::find(m_devices.begin(), m_devices.end(), device);
    if (known == m_devices.end()) {
        if (m_devices.size() == kDeviceLimit)
            return kNoDevice;
        known = m_devices.insert(m_devices.end(), device);
    }
    return std::uint32_t(known - m_devices.begin());
}

// A long group is rechecked by the pool.
bool FileMeasurer::recheck(const std::vector<MeasuredFile>& files, std::size_t begin, std::vector<Recheck>& now)
{
    const auto recheckRange = [&](std::size_t first, std::size_t last) {
        for (std::size_t i = first; i < last; ++i)
            if (now[i] == Recheck::Wanted)
                now[i] = recheckOne(files[begin + i]);
    };
    const std::size_t wanted = std::size_t(std::count(now.begin(), now.end(), Recheck::Wanted));
    if (m_pool && wanted >= m_parallelRecheckFrom) {
        constexpr std::size_t kBlock = 16;
        m_pool->share(now.size(), kBlock,
                        [&](int, std::size_t first, std::size_t last) { recheckRange(first, last); });
    } else {
        recheckRange(0, now.size());
    }
    return std::find(now.begin(), now.end(), Recheck::Gone) != now.end();
}

// A file that changed since it was measured may have been read half old,
// half new, and would be described by its old size: it is identical to
// nothing, as an unreadable file is.
Recheck FileMeasurer::recheckOne(const MeasuredFile& file)
{
    const Result<FileStatus> status = m_fileSystem.status(m_listing.paths[file.row]);
    if (!status)
        return status.error() == FileError::NotFound ? Recheck::Gone : Recheck::Changed;
    const bool same = status->size == file.size && changeStamp(*status) == file.stamp &&
                      status->identity.inode == file.inode &&
                      status->identity.device == m_devices[file.device];
    return same ? Recheck::Unchanged : Recheck::Changed;
}

} // namespace zelvo
