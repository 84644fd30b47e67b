#include "DuplicateAnalysis.h"

#include "AnalysisDisplay.h"
#include "IoPool.h"
#include "MeasuredFiles.h"
#include "ParallelGroups.h"
#include "SizeGroup.h"
#include "SmallFileBatch.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace zelvo {

namespace {

using Classes = std::vector<std::vector<std::size_t>>;

// One pass over the listing, from the start point to its end: measure every
// file, order the files by size, split each size group by content, report
// the groups. It tells the listener what it does as it goes.
class AnalysisPass : private SplitProgress, private GroupsProgress {
public:
    AnalysisPass(FileSystem& fileSystem, PairRecorder& recorder, AnalysisListener& listener,
                 const FolderListing& listing, const ClassifierLimits& limits, IoPool* pool, ReadOrder order,
                 AnalysisOutcome& outcome)
        : m_recorder(recorder), m_listener(listener), m_listing(listing),
          m_measurer(fileSystem, listing, pool, limits.parallelListingFrom, limits.parallelFrom),
          m_classifier(fileSystem, limits, pool, order), m_outcome(outcome)
    {
        // Files read whole in their first chunk are read many size groups
        // at a time by the pool, and groups of a few larger files are split
        // several at once, one per thread; a disk that seeks gets neither.
        if (pool) {
            m_smallFiles.emplace(fileSystem, *pool, listing, limits);
            m_fewFiles.emplace(fileSystem, *pool, listing, limits);
        }
    }

    PassEnd run()
    {
        std::vector<MeasuredFile> files;
        if (const PassEnd end = m_measurer.measure(files); end != PassEnd::Finished)
            return end;
        orderBySize(files);
        for (std::size_t begin = 0; begin < files.size();) {
            const std::size_t end = endOfSizeGroup(files, begin);
            if (const PassEnd result = examineSizeGroup(files, begin, end); result != PassEnd::Finished)
                return result;
            begin = end;
        }
        return PassEnd::Finished;
    }

private:
    // A file whose size changed since the scan would split the size group it
    // stands in, and the identical files on either side of it would never be
    // compared. Among equal sizes the listing order stays. Usually nothing
    // changed and the listing is in order already; the sort would then only
    // cost a copy of every record.
    static void orderBySize(std::vector<MeasuredFile>& files)
    {
        const auto bySize = [](const MeasuredFile& a, const MeasuredFile& b) { return a.size < b.size; };
        if (!std::is_sorted(files.begin(), files.end(), bySize))
            std::stable_sort(files.begin(), files.end(), bySize);
    }

    PassEnd examineSizeGroup(const std::vector<MeasuredFile>& files, std::size_t begin, std::size_t end)
    {
        const MeasuredFile& reference = files[begin];
        const ByteCount size = reference.size;
        // Positions, not rows: a file whose size changed since the scan
        // stands elsewhere now, and the bar must not jump back and forth.
        m_settledBefore = begin;
        m_readUntil = readUntil(begin);
        m_listener.sizeGroupStarts(begin, m_listing.NumArchivos(), pathOf(reference), size);
        if (m_readUntil > begin)
            tellSettled();
        if (end - begin < 2)
            return PassEnd::Finished;
        const SameFiles sameFiles = namesByFile(files, begin, end);
        // Names of one file on disk are never paired with each other.
        if (sameFiles.count() < 2)
            return PassEnd::Finished;
        m_listener.comparing(pathOf(reference), pathOf(files[begin + 1]), size);

        const Classes classes = splitByContent(files, sameFiles, size);
        m_listener.sizeGroupCompared();
        return reportClasses(files, sameFiles, classes, size);
    }

    // Classes of identical files, by position among the group's files on
    // disk. The classifier opens each file by its first name, straight from
    // the listing: no path is copied.
    Classes splitByContent(const std::vector<MeasuredFile>& files, const SameFiles& sameFiles, ByteCount size)
    {
        m_files = &files;
        m_sameFiles = &sameFiles;
        m_settledInGroup = 0;
        m_readInRound = 0;
        m_aloneInRound = 0;
        if (m_fewFiles && (m_fewFiles->holds(sameFiles.begin) || splitTogether(files, sameFiles)))
            return m_fewFiles->take(sameFiles.begin);
        if (readWithSmallFiles(files, sameFiles.begin))
            return m_classifier.splitContents(sameFiles.count(), size, [&](std::size_t file) {
                return m_smallFiles->contentOf(sameFiles.firstName(file));
            }, static_cast<SplitProgress*>(this));
        return m_classifier.split(sameFiles.count(), [&](std::size_t file) {
            return pathOf(files[sameFiles.firstName(file)]);
        }, size, static_cast<SplitProgress*>(this));
    }

    // Splits the size group and the few-file groups after it at once; the
    // groups the window's thread takes up tell their rounds as a group split
    // alone does.
    bool splitTogether(const std::vector<MeasuredFile>& files, const SameFiles& sameFiles)
    {
        m_splittingTogether = true;
        const bool split = m_fewFiles->split(files, sameFiles.begin, static_cast<GroupsProgress*>(this));
        m_splittingTogether = false;
        m_sameFiles = &sameFiles;
        m_readUntil = readUntil(sameFiles.begin);
        return split;
    }

    SplitProgress* takingUp(const SameFiles& sameFiles) override
    {
        m_sameFiles = &sameFiles;
        m_settledInGroup = 0;
        m_readInRound = 0;
        m_aloneInRound = 0;
        m_listener.comparing(pathOfFile(0), pathOfFile(1), (*m_files)[sameFiles.begin].size);
        tellSettled();
        return static_cast<SplitProgress*>(this);
    }

    // Shown as if taken up here: the groups this thread split are counted
    // among those split, and none of its own is under way.
    void othersSplitting(const SameFiles& latest) override { takingUp(latest); }

    // Where the size groups read or split together with the one at `begin`
    // end, or 0.
    std::size_t readUntil(std::size_t begin) const
    {
        if (m_smallFiles)
            if (const std::size_t until = m_smallFiles->readUntil(begin))
                return until;
        return m_fewFiles ? m_fewFiles->splitUntil(begin) : 0;
    }

    // Whether the size group at `begin` is read with the small files of the
    // groups after it, as it is now or was before.
    bool readWithSmallFiles(const std::vector<MeasuredFile>& files, std::size_t begin)
    {
        if (!m_smallFiles)
            return false;
        if (m_smallFiles->holds(begin))
            return true;
        const bool read = m_smallFiles->read(files, begin, [&](std::size_t position, std::size_t done) {
            m_readTogether = done;
            tellSettled();
            // The file goes with the reference of its own size group.
            const MeasuredFile& file = files[position];
            const auto first = files.begin() + std::ptrdiff_t(begin);
            const auto reference = std::partition_point(first, files.begin() + std::ptrdiff_t(position),
                                                        [&](const MeasuredFile& f) { return f.size < file.size; });
            if (&*reference != &file)
                m_listener.comparing(pathOf(*reference), pathOf(file), file.size);
        });
        m_readTogether = 0;
        m_readUntil = readUntil(begin);
        return read;
    }

    // --- How far the split is, for the listener ------------------------------

    void roundStarts(ByteCount compared, ByteCount size, std::size_t) override
    {
        m_settledInGroup += m_aloneInRound;
        m_readInRound = 0;
        m_aloneInRound = 0;
        m_listener.bytesCompared(compared, size);
    }

    void reading(std::size_t reference, std::size_t file, std::size_t read) override
    {
        m_readInRound = read;
        tellSettled();
        if (file != reference)
            m_listener.comparing(pathOfFile(reference), pathOfFile(file), (*m_files)[m_sameFiles->begin].size);
    }

    void classSplit(std::size_t alone, std::size_t read) override
    {
        m_aloneInRound = alone;
        m_readInRound = read;
        tellSettled();
    }

    // A file left alone is settled; one read but not yet known to be alone
    // counts one half. A file read whole, or split, with the groups around it
    // is as good as settled: what is left of it is quick work in memory. The
    // count never goes back within a pass.
    void tellSettled()
    {
        const std::uint64_t halves = settledHalves();
        if (halves <= m_halvesShown)
            return;
        m_halvesShown = halves;
        m_listener.filesSettled(halves, 2 * std::uint64_t(m_listing.NumArchivos()));
    }

    std::uint64_t settledHalves() const
    {
        if (m_readUntil > m_settledBefore)
            return 2 * std::uint64_t(m_readUntil);
        const std::uint64_t before = 2 * std::uint64_t(m_settledBefore);
        // While groups are split at once, the one the window's thread splits
        // counts as a group split alone does.
        const std::uint64_t together = m_splittingTogether ? m_fewFiles->filesSplit() : m_readTogether;
        return before + 2 * std::uint64_t(together + m_settledInGroup) + m_readInRound + m_aloneInRound;
    }

    std::string pathOf(const MeasuredFile& file) const { return m_listing.paths[file.row]; }
    std::string pathOfFile(std::size_t file) const
    {
        return pathOf((*m_files)[m_sameFiles->firstName(file)]);
    }

    // --- Reporting --------------------------------------------------------------

    // Reports each class as the reference/candidate walk over the listing
    // would: the reference is the class' first name, its twins are the other
    // names in listing order except the names of the reference's own file.
    // Every name is measured again first: one that changed takes no part.
    PassEnd reportClasses(const std::vector<MeasuredFile>& files, const SameFiles& sameFiles,
                          const Classes& classes, ByteCount size)
    {
        const std::size_t begin = sameFiles.begin;
        std::vector<Recheck> now(sameFiles.length, Recheck::NotWanted);
        for (const auto& members : classes)
            for (std::size_t file : members)
                sameFiles.forEachName(file, [&](std::size_t name) { now[name - begin] = Recheck::Wanted; });
        if (m_measurer.recheck(files, begin, now))
            return PassEnd::Vanished;

        for (const std::vector<std::size_t>& names : keptGroups(sameFiles, classes, now)) {
            const PassEnd end = reportGroup(files, names, size);
            if (end != PassEnd::Finished)
                return end;
        }
        return PassEnd::Finished;
    }

    // The names of each class found unchanged, in listing order; the groups
    // in the order of their first such names, so that a group whose first
    // file changed meanwhile still stands where its new reference does.
    static Classes keptGroups(const SameFiles& sameFiles, const Classes& classes, const std::vector<Recheck>& now)
    {
        Classes groups;
        groups.reserve(classes.size());
        bool inOrder = true;
        for (const auto& members : classes) {
            std::vector<std::size_t> names;
            names.reserve(members.size());
            for (std::size_t file : members)
                sameFiles.appendNames(file, names);
            std::erase_if(names, [&](std::size_t name) { return now[name - sameFiles.begin] != Recheck::Unchanged; });
            if (names.empty())
                continue;
            if (!sameFiles.distinct())
                std::sort(names.begin(), names.end());
            inOrder = inOrder && (groups.empty() || groups.back().front() < names.front());
            groups.push_back(std::move(names));
        }
        // Usually nothing changed, and with one name per file the classes
        // come in order already.
        if (!inOrder)
            std::sort(groups.begin(), groups.end(),
                      [](const auto& a, const auto& b) { return a.front() < b.front(); });
        return groups;
    }

    // One group: names found unchanged, in listing order, as positions among
    // the measured files. The first is the reference, and the group is
    // reported only while another file on disk is left besides it.
    PassEnd reportGroup(const std::vector<MeasuredFile>& files, const std::vector<std::size_t>& names, ByteCount size)
    {
        const MeasuredFile& reference = files[names.front()];
        const auto twinOfReference = [&](std::size_t name) {
            return files[name].identity() != reference.identity();
        };
        if (std::none_of(names.begin() + 1, names.end(), twinOfReference))
            return PassEnd::Finished;

        const std::string referencePath = pathOf(reference);
        const int group = ++m_groups;
        m_listener.rowFound({true, referencePath, group, reference.row});
        for (auto twin = names.begin() + 1; twin != names.end(); ++twin) {
            if (!twinOfReference(*twin))
                continue;
            const PassEnd end = recordTwin(referencePath, files[*twin], size, group);
            if (end != PassEnd::Finished)
                return end;
        }
        return PassEnd::Finished;
    }

    PassEnd recordTwin(const std::string& referencePath, const MeasuredFile& twin, ByteCount size, int group)
    {
        const std::string twinPath = pathOf(twin);
        m_listener.rowFound({false, twinPath, group, twin.row});
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
        m_outcome.deleteEnabled = true;
        m_listener.twinCounted();
        return PassEnd::Finished;
    }

    PairRecorder& m_recorder;
    AnalysisListener& m_listener;
    const FolderListing& m_listing;
    FileMeasurer m_measurer;
    ContentClassifier m_classifier;
    std::optional<SmallFileBatch> m_smallFiles;
    std::optional<ParallelGroups> m_fewFiles;
    AnalysisOutcome& m_outcome;
    int m_groups = 0;

    // The size group being split, and how far its files are settled.
    const std::vector<MeasuredFile>* m_files = nullptr;
    const SameFiles* m_sameFiles = nullptr;
    std::size_t m_settledBefore = 0;
    std::size_t m_readUntil = 0;
    bool m_splittingTogether = false;
    std::size_t m_readTogether = 0;
    std::size_t m_settledInGroup = 0;
    std::size_t m_readInRound = 0;
    std::size_t m_aloneInRound = 0;
    std::uint64_t m_halvesShown = 0;
};

RunEnd runEndOf(PassEnd end)
{
    switch (end) {
    case PassEnd::Finished:
        return RunEnd::Finished;
    case PassEnd::InvalidArgument:
        return RunEnd::InvalidArgument;
    case PassEnd::Vanished:
    case PassEnd::Failed:
        break;
    }
    return RunEnd::Failed;
}

} // namespace

AnalysisOutcome DuplicateAnalysis::run(const ScanRequest& where, FolderListing& listing)
{
    AnalysisDisplay display(m_view, m_fileSystem, m_dates, m_messages, where, m_captionInterval);
    return run(listing, display);
}

AnalysisOutcome DuplicateAnalysis::run(FolderListing& listing, AnalysisListener& listener)
{
    // Out of memory or a failing window ends the run, but never leaves the
    // hourglass and half-drawn progress behind.
    struct FinalCleanup {
        AnalysisListener& listener;
        ~FinalCleanup() { listener.finalCleanup(); }
    } cleanup{listener};
    // A disk whose head seeks is read by this thread alone, in the order of
    // the places on it. The pool's threads start when a long listing or a
    // large class first needs them, and end with the run.
    const bool inOrder = !listing.paths.empty() && m_fileSystem.readsBestInOrder(listing.paths.front());
    const unsigned threads = ioThreadsFor(m_fileSystem, inOrder, m_limits.ioThreads);
    const bool sharing = threads > 0;
    IoPool pool(threads);

    listener.runStarts();
    AnalysisOutcome outcome;
    PassEnd end = PassEnd::Failed;
    for (;;) {
        listener.passStarts();
        outcome = {};
        end = AnalysisPass(m_fileSystem, m_recorder, listener, listing, m_limits, sharing ? &pool : nullptr,
                           inOrder ? ReadOrder::OnDisk : ReadOrder::AsGiven, outcome)
                  .run();
        if (end != PassEnd::Vanished)
            break;
        listener.rescan(listing);
    }
    listener.runFinished(runEndOf(end), outcome.NumDuplicados);
    return outcome;
}

} // namespace zelvo
