#include "RunCheck.h"

#include <algorithm>
#include <map>
#include <set>

namespace zelvo::bench {

namespace {

// Whether the file was read again after the read that delivered its first
// differing byte. Reads that came before it (a first chunk, the last block
// read early) are fine whatever they covered. When that byte lies in the last
// block read early and another file of the size shares both the first and
// the last block, the two are still alike after it and the middle must be
// read.
bool readAfterItsDifference(const FileIoRecord& record, ByteCount bound, ByteCount size,
                            bool sharesEnds)
{
    if (bound == 0)
        return false;
    const ByteCount differs = bound - 1;
    const auto meets = std::find_if(record.reads.begin(), record.reads.end(), [&](const auto& read) {
        return read.first <= differs && differs < read.first + read.second;
    });
    if (meets == record.reads.end() || meets + 1 == record.reads.end())
        return false;
    const bool earlyEndBlock = meets->first + meets->second == size;
    return !(earlyEndBlock && sharesEnds);
}

} // namespace

std::vector<std::string> RunCheckReport::brokenRules() const
{
    std::vector<std::string> broken;
    if (uniqueSizeOpened > 0)
        broken.push_back(std::to_string(uniqueSizeOpened) + " files of a unique size were opened");
    if (someByteReadTwice > 0)
        broken.push_back(std::to_string(someByteReadTwice) + " files had some byte read twice");
    if (readAfterDifference > 0)
        broken.push_back(std::to_string(readAfterDifference) +
                         " files were read again after the read that met their first difference (" +
                         readAfterDifferenceExample + ")");
    if (groupsNotIdentical > 0)
        broken.push_back(std::to_string(groupsNotIdentical) + " reported groups hold files that are not identical");
    return broken;
}

RunCheckReport checkRun(const FolderListing& listing, const std::vector<DuplicateRow>& rows,
                        const std::unordered_map<std::string, FileIoRecord>& files, const ContentTruth& truth)
{
    RunCheckReport report;
    std::map<ByteCount, int> filesOfSize;
    for (ByteCount size : listing.sizes)
        ++filesOfSize[size];
    std::map<std::string, std::size_t> position;
    for (std::size_t i = 0; i < listing.paths.size(); ++i)
        position[listing.paths[i]] = i;
    std::map<std::size_t, std::size_t> setOf;
    for (std::size_t s = 0; s < truth.identicalSets.size(); ++s)
        for (std::size_t file : truth.identicalSets[s])
            setOf[file] = s;

    for (ByteCount bound : truth.bound)
        report.boundTotal += bound;
    for (const auto& [path, record] : files) {
        report.bytesRead += record.bytesRead;
        const auto found = position.find(path);
        if (found == position.end())
            continue;
        const std::size_t i = found->second;
        ++report.filesOpened;
        if (record.opens > 1)
            ++report.openedMoreThanOnce;
        for (std::size_t k = 0; k < record.reads.size(); ++k)
            if (k == 0 || record.reads[k].first != record.reads[k - 1].first + record.reads[k - 1].second)
                ++report.freshReads;
        if (filesOfSize[listing.sizes[i]] < 2)
            ++report.uniqueSizeOpened;
        if (record.bytesReadAgain > 0)
            ++report.someByteReadTwice;
        if (record.bytesRead > truth.bound[i])
            report.readBeyondBound += record.bytesRead - truth.bound[i];
        // A file with a twin must be read whole, whatever the order.
        if (!setOf.contains(i) && readAfterItsDifference(record, truth.bound[i], listing.sizes[i],
                                                         i < truth.sharesEnds.size() && truth.sharesEnds[i])) {
            if (report.readAfterDifference++ == 0)
                report.readAfterDifferenceExample = path + " read " + std::to_string(record.bytesRead) +
                                                    " bytes, first differs at byte " +
                                                    std::to_string(truth.bound[i]);
        }
    }

    // The rows as groups of listing positions: a head row opens a group.
    std::set<std::vector<std::size_t>> reported;
    std::vector<std::size_t> group;
    const auto closeGroup = [&] {
        if (!group.empty()) {
            std::sort(group.begin(), group.end());
            reported.insert(group);
            group.clear();
        }
    };
    for (const DuplicateRow& row : rows) {
        if (row.isHead)
            closeGroup();
        const auto found = position.find(row.path);
        group.push_back(found == position.end() ? listing.paths.size() : found->second);
    }
    closeGroup();

    report.identicalSets = truth.identicalSets.size();
    report.groupsReported = reported.size();
    for (const auto& g : reported) {
        const auto first = setOf.find(g.front());
        const bool inOneSet = g.size() >= 2 && first != setOf.end() &&
                              std::all_of(g.begin(), g.end(), [&](std::size_t file) {
                                  const auto it = setOf.find(file);
                                  return it != setOf.end() && it->second == first->second;
                              });
        if (!inOneSet)
            ++report.groupsNotIdentical;
        else if (truth.identicalSets[first->second] == g)
            ++report.groupsWhole;
        else
            ++report.groupsPartial;
    }
    return report;
}

} // namespace zelvo::bench
