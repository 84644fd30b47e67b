#include "MeasuredFiles.h"

#include "HelperThread.h"

#include <algorithm>

namespace zelvo {

namespace {

constexpr ByteCount kSizeLimit = ByteCount(1) << 48;
constexpr std::uint32_t kDeviceLimit = std::uint32_t(1) << 15;
// The row of a file that takes no part in the run.
constexpr std::uint32_t kNotMeasured = std::uint32_t(-1);
// Marks a device number given by the helper thread, until it is renumbered.
constexpr std::uint32_t kHelperDevice = kDeviceLimit;
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
    // Each row's record is written in its place, so that two threads can
    // share the work without a second copy of the records.
    files.assign(rows, MeasuredFile{});
    if (!m_helper || rows < m_parallelListingFrom) {
        const RowFailure failure = measureRows(0, rows, files, m_devices);
        if (failure.end != PassEnd::Finished)
            return failure.end;
    } else if (const PassEnd end = measureWithHelper(files); end != PassEnd::Finished) {
        return end;
    }
    std::erase_if(files, [](const MeasuredFile& file) { return file.row == kNotMeasured; });
    return PassEnd::Finished;
}

// A long listing is measured by two threads: one status per file is
// bound by system calls.
PassEnd FileMeasurer::measureWithHelper(std::vector<MeasuredFile>& files)
{
    // The helper numbers the devices it meets on its own, marked by the
    // top bit until they are renumbered below.
    std::vector<std::uint64_t> helperDevices;
    RowFailure failures[2];
    constexpr std::size_t kBlock = 256;
    m_helper->share(files.size(), kBlock, [&](int worker, std::size_t first, std::size_t last) {
        const RowFailure failure = measureRows(first, last, files, worker == 0 ? m_devices : helperDevices,
                                               worker == 0 ? 0 : kHelperDevice);
        if (failure.end == PassEnd::Finished)
            return;
        // Blocks are handed out in listing order, so every row before
        // this one is in a block handed out already.
        if (failure.row < failures[worker].row)
            failures[worker] = failure;
        m_helper->stopHandingOut();
    });
    // The first failure in listing order decides.
    const RowFailure& first = failures[0].row < failures[1].row ? failures[0] : failures[1];
    if (first.end != PassEnd::Finished)
        return first.end;
    std::vector<std::uint32_t> renumbered(helperDevices.size());
    for (std::size_t d = 0; d < helperDevices.size(); ++d)
        renumbered[d] = deviceNumber(helperDevices[d], m_devices, 0);
    for (MeasuredFile& file : files) {
        if (file.row == kNotMeasured || !(file.device & kHelperDevice))
            continue;
        const std::uint32_t device = renumbered[file.device & ~kHelperDevice];
        if (device == kNoDevice)
            file.row = kNotMeasured;
        else
            file.device = device;
    }
    return PassEnd::Finished;
}

FileMeasurer::RowFailure FileMeasurer::measureRows(std::size_t from, std::size_t to,
                                                   std::vector<MeasuredFile>& files,
                                                   std::vector<std::uint64_t>& devices, std::uint32_t deviceMark)
{
    for (std::size_t row = from; row < to; ++row) {
        const Result<FileStatus> status = m_fileSystem.status(m_listing.paths[row]);
        MeasuredFile& file = files[row];
        file.row = kNotMeasured;
        if (status) {
            const std::uint32_t device = deviceNumber(status->identity.device, devices, deviceMark);
            if (status->size >= kSizeLimit || device == kNoDevice)
                continue;
            file.size = status->size;
            file.device = device;
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

// Devices are numbered in the order met, up to kDeviceLimit of them.
std::uint32_t FileMeasurer::deviceNumber(std::uint64_t device, std::vector<std::uint64_t>& devices,
                                         std::uint32_t mark)
{
    auto known = std::find(devices.begin(), devices.end(), device);
    if (known == devices.end()) {
        if (devices.size() == kDeviceLimit)
            return kNoDevice;
        known = devices.insert(devices.end(), device);
    }
    return std::uint32_t(known - devices.begin()) | mark;
}

// A long group is rechecked by two threads.
bool FileMeasurer::recheck(const std::vector<MeasuredFile>& files, std::size_t begin, std::vector<Recheck>& now)
{
    const auto recheckRange = [&](std::size_t first, std::size_t last) {
        for (std::size_t i = first; i < last; ++i)
            if (now[i] == Recheck::Wanted)
                now[i] = recheckOne(files[begin + i]);
    };
    const std::size_t wanted = std::size_t(std::count(now.begin(), now.end(), Recheck::Wanted));
    if (m_helper && wanted >= m_parallelRecheckFrom) {
        constexpr std::size_t kBlock = 64;
        m_helper->share(now.size(), kBlock,
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
