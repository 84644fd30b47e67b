#include "DuplicateAnalysis.h"

#include "BulletBar.h"
#include "HelperThread.h"
#include "LeerDirectorio.h"
#include "ProgressThrottle.h"

#include <algorithm>
#include <compare>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace zelvo {

namespace {

const char* const kCountingCaption = "  Archivos duplicados";
const char* const kInaccessibleText =
    "No se puede acceder al directorio o archivo.\nCompruebe que no haya sido borrado o movido.";
const char* const kInaccessibleTitle = "Error con archivo/directorio";

// How one pass from the start point ended.
enum class PassEnd {
    Finished,
    Vanished,        // a listed file is gone: rescan and start over
    InvalidArgument, // tell the user, then clean up
    Failed,          // any other failure: clean up quietly
};

// Which file on disk a name leads to. Devices are numbered in the order met:
// a folder's files nearly all lie on one, and a record a million times over
// is worth keeping small.
struct CompactIdentity {
    std::uint32_t device = 0;
    std::uint64_t inode = 0;
    auto operator<=>(const CompactIdentity&) const = default;
};

// A listed file as it stands on disk when the pass begins: 24 bytes, as a
// million of them are held at once. Its date is only shown now and then, and
// is taken when it is shown; what is kept of it only tells whether the file
// changed before its group is reported.
struct MeasuredFile {
    // Sizes of 256 TiB and more (sparse files, on file systems that allow
    // them) do not fit; such a file takes no part.
    std::uint64_t size : 48 = 0;
    // Devices are numbered in the order met; the files of a 32,768th device
    // take no part.
    std::uint64_t device : 16 = 0;
    std::uint64_t inode = 0;
    // Row numbers fit 32 bits: a listing of four billion paths would not fit
    // in memory anyway.
    std::uint32_t row = 0;
    std::uint32_t stamp = 0;

    CompactIdentity identity() const { return {std::uint32_t(device), inode}; }
};
static_assert(sizeof(MeasuredFile) == 24);

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

// What became of a name of a class since it was measured, found just before
// its group is reported.
enum class Recheck : std::uint8_t {
    NotWanted, // in no class
    Wanted,
    Unchanged,
    Changed, // other size, date or file, or no status at all: no part
    Gone,    // the run rescans and starts over
};

// The files on disk of one size run and the names each goes by. In the
// common case no two names share a file, and file f is simply row begin + f
// of the run; otherwise file f's names are names[starts[f]] up to
// names[starts[f + 1]], in listing order, and the files are ordered by their
// first name. Flat arrays rather than a list per file: a run of a million
// empty files is common enough.
struct SameFiles {
    std::size_t begin = 0;
    std::size_t length = 0;
    std::vector<std::size_t> names;
    std::vector<std::size_t> starts;

    bool distinct() const { return starts.empty(); }
    std::size_t count() const { return distinct() ? length : starts.size() - 1; }
    std::size_t firstName(std::size_t file) const
    {
        return distinct() ? begin + file : names[starts[file]];
    }
    template <typename Visit>
    void forEachName(std::size_t file, Visit visit) const
    {
        if (distinct()) {
            visit(begin + file);
            return;
        }
        for (std::size_t k = starts[file]; k < starts[file + 1]; ++k)
            visit(names[k]);
    }
    void appendNames(std::size_t file, std::vector<std::size_t>& into) const
    {
        if (distinct())
            into.push_back(begin + file);
        else
            into.insert(into.end(), names.begin() + starts[file], names.begin() + starts[file + 1]);
    }
};

// One pass over the listing: measure every file, then take the runs of
// consecutive rows of equal size one by one, split each into classes of
// identical contents and report the classes as groups.
class AnalysisPass {
public:
    AnalysisPass(FileSystem& fileSystem, DateText& dates, MainWindowView& view,
                 PairRecorder& recorder, const FolderListing& listing, BulletBar& bar,
                 ProgressThrottle& throttle, const ClassifierLimits& limits, HelperThread* helper,
                 AnalysisOutcome& outcome)
        : m_fileSystem(fileSystem), m_dates(dates), m_view(view), m_recorder(recorder),
          m_listing(listing), m_bar(bar), m_throttle(throttle), m_helper(helper),
          m_parallelListingFrom(limits.parallelListingFrom), m_parallelRecheckFrom(limits.parallelFrom),
          m_classifier(fileSystem, limits, helper), m_outcome(outcome)
    {
    }

    PassEnd run()
    {
        std::vector<MeasuredFile> files;
        if (const PassEnd end = measure(files); end != PassEnd::Finished)
            return end;
        // A file whose size changed since the scan would split the run of
        // equal sizes it stands in, and the identical files on either side
        // of it would never be compared. Among equal sizes the listing order
        // stays.
        // Usually nothing changed and the listing is in order already; the
        // sort would then only cost a copy of every record.
        const auto bySize = [](const MeasuredFile& a, const MeasuredFile& b) {
            return a.size < b.size;
        };
        if (!std::is_sorted(files.begin(), files.end(), bySize))
            std::stable_sort(files.begin(), files.end(), bySize);
        for (std::size_t begin = 0, end = 0; begin < files.size(); begin = end) {
            end = begin + 1;
            while (end < files.size() && files[end].size == files[begin].size)
                ++end;
            if (const PassEnd result = examineRun(files, begin, end); result != PassEnd::Finished)
                return result;
        }
        return PassEnd::Finished;
    }

private:
    // Every listed file is measured again before anything is compared, so a
    // vanished file restarts the run before any row was listed, and sizes are
    // those of the files as they are now. A file that can be neither measured
    // nor found otherwise (refused, device trouble) takes no part.
    PassEnd measure(std::vector<MeasuredFile>& files)
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
    PassEnd measureWithHelper(std::vector<MeasuredFile>& files)
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

    // Where a part of the listing stopped, if it stopped early.
    struct RowFailure {
        PassEnd end = PassEnd::Finished;
        std::size_t row = std::size_t(-1);
    };

    RowFailure measureRows(std::size_t from, std::size_t to, std::vector<MeasuredFile>& files,
                           std::vector<std::uint64_t>& devices, std::uint32_t deviceMark = 0)
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
    static std::uint32_t deviceNumber(std::uint64_t device, std::vector<std::uint64_t>& devices,
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

    PassEnd examineRun(const std::vector<MeasuredFile>& files, std::size_t begin, std::size_t end)
    {
        const MeasuredFile& reference = files[begin];
        m_bar.draw(Control::Label2, 40, reference.row, m_listing.NumArchivos());
        // The throttle is asked every time, so that the first file shown
        // starts its interval.
        const bool due = m_throttle.due();
        const bool fresh = due || !m_shownReference;
        if (fresh)
            showReference(reference);
        if (end - begin < 2)
            return PassEnd::Finished;

        const SameFiles sameFiles = namesByFile(files, begin, end);
        // Names of one file on disk are never paired with each other.
        if (sameFiles.count() < 2)
            return PassEnd::Finished;
        showCandidate(files[begin + 1], fresh);

        const ByteCount size = reference.size;
        // Empty files are identical without a read; a run of them with one
        // name per file is one group as it stands.
        if (size == 0 && sameFiles.distinct()) {
            std::vector<Recheck> now(end - begin, Recheck::Wanted);
            if (recheckRun(files, begin, now))
                return PassEnd::Vanished;
            return reportGroup(files, now, begin, sameFiles.count(), size,
                               [&](std::size_t i) { return begin + i; });
        }

        // The classifier opens each file by its first name, straight from the
        // listing: no path is copied.
        const auto pathOf = [&](std::size_t file) -> const std::string& {
            return m_listing.paths[files[sameFiles.firstName(file)].row];
        };
        bool barDrawn = false;
        const auto classes =
            m_classifier.split(sameFiles.count(), pathOf, size, [&](ByteCount compared, ByteCount total) {
                barDrawn |= m_bar.draw(Control::Label10, 60, compared + 1, total, true);
            });
        if (barDrawn) {
            m_view.setCaption(Control::Label10, "");
            m_view.repaintNow(Control::Label10);
        }
        return report(files, sameFiles, classes, size);
    }

    // Groups the names of rows begin..end by the file on disk they name.
    static SameFiles namesByFile(const std::vector<MeasuredFile>& files, std::size_t begin,
                                 std::size_t end)
    {
        SameFiles same;
        same.begin = begin;
        same.length = end - begin;
        std::vector<std::size_t> order(end - begin);
        for (std::size_t i = begin; i < end; ++i)
            order[i - begin] = i;
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return files[a].identity() < files[b].identity();
        });
        // Where each file's names begin in `order`.
        std::vector<std::size_t> firsts;
        for (std::size_t i = 0; i < order.size(); ++i)
            if (i == 0 || files[order[i]].identity() != files[order[i - 1]].identity())
                firsts.push_back(i);
        if (firsts.size() == order.size())
            return same;
        // The files in the order of their first names.
        std::sort(firsts.begin(), firsts.end(),
                  [&](std::size_t a, std::size_t b) { return order[a] < order[b]; });
        same.names.reserve(order.size());
        same.starts.reserve(firsts.size() + 1);
        for (std::size_t first : firsts) {
            same.starts.push_back(same.names.size());
            std::size_t i = first;
            do
                same.names.push_back(order[i++]);
            while (i < order.size() && files[order[i]].identity() == files[order[first]].identity());
        }
        same.starts.push_back(same.names.size());
        return same;
    }

    // Reports each class as the reference/candidate walk over the listing
    // would: the reference is the class' first row, its twins are the other
    // rows in listing order except the names of the reference's own file.
    PassEnd report(const std::vector<MeasuredFile>& files, const SameFiles& sameFiles,
                   const std::vector<std::vector<std::size_t>>& classes, ByteCount size)
    {
        const std::size_t begin = sameFiles.begin;
        std::vector<Recheck> now(sameFiles.length, Recheck::NotWanted);
        for (const auto& members : classes)
            for (std::size_t file : members)
                sameFiles.forEachName(file, [&](std::size_t name) { now[name - begin] = Recheck::Wanted; });
        if (recheckRun(files, begin, now))
            return PassEnd::Vanished;

        if (sameFiles.distinct()) {
            // One name per file: the classes are the groups already, in
            // order, their members in listing order.
            for (const auto& members : classes) {
                const PassEnd end = reportGroup(files, now, begin, members.size(), size,
                                                [&](std::size_t i) { return begin + members[i]; });
                if (end != PassEnd::Finished)
                    return end;
            }
            return PassEnd::Finished;
        }
        std::vector<std::vector<std::size_t>> groups;
        groups.reserve(classes.size());
        for (const auto& members : classes) {
            std::vector<std::size_t> names;
            for (std::size_t file : members)
                sameFiles.appendNames(file, names);
            std::sort(names.begin(), names.end());
            groups.push_back(std::move(names));
        }
        std::sort(groups.begin(), groups.end(),
                  [](const auto& a, const auto& b) { return a.front() < b.front(); });
        for (const auto& group : groups) {
            const PassEnd end = reportGroup(files, now, begin, group.size(), size,
                                            [&](std::size_t i) { return group[i]; });
            if (end != PassEnd::Finished)
                return end;
        }
        return PassEnd::Finished;
    }

    // Takes the status of every wanted name of a run again, now[i] for the
    // name at begin + i, by two threads on a long run. True when some name is
    // gone.
    bool recheckRun(const std::vector<MeasuredFile>& files, std::size_t begin, std::vector<Recheck>& now)
    {
        const auto recheckRange = [&](std::size_t first, std::size_t last) {
            for (std::size_t i = first; i < last; ++i)
                if (now[i] == Recheck::Wanted)
                    now[i] = recheck(files[begin + i]);
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
    Recheck recheck(const MeasuredFile& file)
    {
        const Result<FileStatus> status = m_fileSystem.status(m_listing.paths[file.row]);
        if (!status)
            return status.error() == FileError::NotFound ? Recheck::Gone : Recheck::Changed;
        const bool same = status->size == file.size && changeStamp(*status) == file.stamp &&
                          status->identity.inode == file.inode &&
                          status->identity.device == m_devices[file.device];
        return same ? Recheck::Unchanged : Recheck::Changed;
    }

    // One group: `count` names in listing order, the i-th at position
    // nameAt(i) of the measured files. Only names found unchanged take part:
    // the first is the reference, and the group is reported only while
    // another file on disk is left besides it.
    template <typename NameAt>
    PassEnd reportGroup(const std::vector<MeasuredFile>& files, const std::vector<Recheck>& now,
                        std::size_t begin, std::size_t count, ByteCount size, NameAt nameAt)
    {
        const auto unchanged = [&](std::size_t i) { return now[nameAt(i) - begin] == Recheck::Unchanged; };
        std::size_t first = 0;
        while (first < count && !unchanged(first))
            ++first;
        if (first == count)
            return PassEnd::Finished;
        const MeasuredFile& reference = files[nameAt(first)];
        bool twinLeft = false;
        for (std::size_t i = first + 1; i < count && !twinLeft; ++i)
            twinLeft = unchanged(i) && files[nameAt(i)].identity() != reference.identity();
        if (!twinLeft)
            return PassEnd::Finished;

        const std::string& referencePath = m_listing.paths[reference.row];
        const int group = ++m_groups;
        m_view.addDuplicateRow({true, referencePath, group});
        for (std::size_t i = first + 1; i < count; ++i) {
            const MeasuredFile& twin = files[nameAt(i)];
            if (!unchanged(i) || twin.identity() == reference.identity())
                continue;
            const std::string& twinPath = m_listing.paths[twin.row];
            m_view.addDuplicateRow({false, twinPath, group});
            const FileError recorded = m_recorder.RegistroPar(referencePath, size, twinPath);
            if (recorded == FileError::NotFound)
                return PassEnd::Vanished;
            if (recorded == FileError::InvalidArgument)
                return PassEnd::InvalidArgument;
            // A refused log file was already told to the user and the log
            // switched off by the recorder; the pair still counts.
            if (recorded != FileError::None && recorded != FileError::AccessDenied)
                return PassEnd::Failed;
            m_outcome.NumDuplicados += 1;
            if (!m_outcome.deleteEnabled) {
                m_view.setEnabled(Control::Command3, true);
                m_outcome.deleteEnabled = true;
            }
        }
        return PassEnd::Finished;
    }

    // The date of a file as it is now; none for a file gone since it was
    // measured, which the comparison will find out in its turn.
    std::string dateOf(const MeasuredFile& file)
    {
        const Result<FileStatus> status = m_fileSystem.status(m_listing.paths[file.row]);
        return status ? m_dates.generalDate(status->modified) : std::string();
    }

    void showReference(const MeasuredFile& file)
    {
        m_view.setCaption(Control::Label1, m_listing.paths[file.row]);
        m_view.repaintNow(Control::Label1);
        m_view.setCaption(Control::Label4, std::to_string(file.size) + " bytes");
        m_view.repaintNow(Control::Label4);
        m_view.setCaption(Control::Label5, dateOf(file));
        m_view.repaintNow(Control::Label5);
        if (!m_shownReference) {
            for (Control c : {Control::Label1, Control::Label4, Control::Label5})
                m_view.setVisible(c, true);
            m_shownReference = true;
        }
    }

    void showCandidate(const MeasuredFile& file, bool fresh)
    {
        if (!m_comparing)
            m_view.setVisible(Control::Label11, true);
        if (fresh || !m_comparing) {
            m_view.setCaption(Control::Label12, m_listing.paths[file.row]);
            m_view.repaintNow(Control::Label12);
            m_view.setCaption(Control::Label16, dateOf(file));
            m_view.repaintNow(Control::Label16);
        }
        if (!m_comparing) {
            m_view.setVisible(Control::Label13, true);
            m_view.setVisible(Control::Label14, true);
            m_comparing = true;
        }
    }

    FileSystem& m_fileSystem;
    DateText& m_dates;
    MainWindowView& m_view;
    PairRecorder& m_recorder;
    const FolderListing& m_listing;
    BulletBar& m_bar;
    ProgressThrottle& m_throttle;
    // Shares measuring and reading with a second thread; none when the file
    // system is not to be used from two threads.
    HelperThread* m_helper;
    std::size_t m_parallelListingFrom;
    std::size_t m_parallelRecheckFrom;
    ContentClassifier m_classifier;
    AnalysisOutcome& m_outcome;
    std::vector<std::uint64_t> m_devices;
    int m_groups = 0;
    bool m_shownReference = false;
    bool m_comparing = false;
};

} // namespace

AnalysisOutcome DuplicateAnalysis::run(const ScanRequest& where, FolderListing& listing)
{
    AnalysisOutcome outcome;
    // One last drawn count for every bar of the click, the recovery's
    // ordering bar included; it is not reset when the run starts over.
    BulletBar bar(m_view);
    ProgressThrottle throttle(m_captionInterval);
    // Its thread starts when a long listing or a large class first needs it,
    // and ends with the run. On a single processor it would only take turns
    // with this thread, and its polling would cost more than it saves.
    HelperThread helper;
    const bool sharing = m_fileSystem.allowsConcurrentReads() && std::thread::hardware_concurrency() > 1;

    m_view.setVisible(Control::Text2, false);
    m_view.setVisible(Control::Image2, false);
    m_view.setCaption(Control::Label3, kCountingCaption);
    m_view.repaintNow(Control::Label3);

    PassEnd end = PassEnd::Failed;
    try {
        for (;;) {
            // The start point: a recovery comes back here.
            m_view.setBusyPointer(true);
            m_view.clearDuplicateRows();
            outcome = {};
            m_view.setEnabled(Control::Command3, false);
            m_view.setVisible(Control::Label7, true);
            m_view.setVisible(Control::Label8, true);

            end = AnalysisPass(m_fileSystem, m_dates, m_view, m_recorder, listing, bar, throttle,
                               m_limits, sharing ? &helper : nullptr, outcome)
                      .run();
            if (end != PassEnd::Vanished)
                break;
            LeerDirectorio(ScanMode::Recovery, where, m_fileSystem, m_view, listing, bar);
        }
        if (end == PassEnd::Finished) {
            m_view.setCaption(Control::Label3,
                              std::to_string(static_cast<long long>(outcome.NumDuplicados)) +
                                  " Archivos duplicados");
        } else if (end == PassEnd::InvalidArgument) {
            m_messages.show(kInaccessibleText, kInaccessibleTitle, MessageButtons::Ok,
                            MessageIcon::Critical);
        }
    } catch (...) {
        // Out of memory or a failing window: the run ends, but it must not
        // leave the hourglass and half-drawn progress behind.
    }

    // The final cleanup, whatever ended the run.
    m_view.setVisible(Control::Label11, false);
    m_view.setVisible(Control::Label7, false);
    m_view.setVisible(Control::Label8, false);
    for (Control c : {Control::Label12, Control::Label1, Control::Label4, Control::Label5,
                      Control::Label10})
        m_view.setCaption(c, "");
    m_view.setVisible(Control::Label13, false);
    m_view.setVisible(Control::Label14, false);
    m_view.setCaption(Control::Label2, "");
    m_view.setCaption(Control::Label16, "");
    m_view.setBusyPointer(false);
    return outcome;
}

} // namespace zelvo
