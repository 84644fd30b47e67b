#include "LeerDirectorio.h"

#include "IoPool.h"

#include <cstdint>
#include <string>
#include <utility>

namespace zelvo {

namespace {

const char* statusLineFor(ScanMode mode)
{
    return mode == ScanMode::StartUp ? "Analizando el directorio"
                                     : "Analizando el directorio. Por favor espere";
}

// The size of a file that could not be measured.
constexpr ByteCount kUnmeasured = ByteCount(-1);

bool measuredByPool(std::size_t files, const std::string& folder, FileSystem& fileSystem,
                    const ScanThreads& threads)
{
    return files >= threads.from &&
           ioThreadsFor(fileSystem, fileSystem.readsBestInOrder(folder), threads.threads) > 0;
}

// Lists the folder and measures every listed file. A file that cannot be
// measured any more (gone, or refused) has no size to sort by, so it is left
// out rather than listed with a made-up one. Every row is measured in its
// place, so that many threads can share the work and the listing order stays.
void fillListing(const std::vector<std::string>& names, const std::string& folder,
                 FileSystem& fileSystem, FolderListing& listing, const ScanThreads& threads)
{
    std::size_t nameBytes = 0;
    for (const std::string& name : names)
        nameBytes += name.size();
    listing.paths.reserve(names.size(), nameBytes);
    listing.paths.shareFolder(fullPathOf(folder, fileSystem.hasParent(folder), ""));
    // The separator rule is asked anew for every file, as File1 may sit at
    // the root.
    for (const std::string& name : names)
        listing.paths.push_back(fullPathOf(folder, fileSystem.hasParent(folder), name));
    listing.sizes.assign(names.size(), kUnmeasured);
    const auto measure = [&](int, std::size_t first, std::size_t last) {
        for (std::size_t row = first; row < last; ++row)
            if (const Result<FileStatus> status = fileSystem.status(listing.paths[row]))
                listing.sizes[row] = status->size;
    };
    if (measuredByPool(names.size(), folder, fileSystem, threads)) {
        IoPool pool(threads.threads);
        constexpr std::size_t kBlock = 64;
        pool.share(names.size(), kBlock, measure);
    } else {
        measure(0, 0, names.size());
    }
    std::size_t kept = 0;
    for (std::size_t row = 0; row < names.size(); ++row) {
        if (listing.sizes[row] == kUnmeasured)
            continue;
        listing.sizes[kept] = listing.sizes[row];
        if (kept != row)
            listing.paths.moveRow(row, kept);
        ++kept;
    }
    listing.sizes.resize(kept);
    listing.paths.shrink(kept);
}

} // namespace

FileError LeerDirectorio(ScanMode mode, const ScanRequest& where, FileSystem& fileSystem,
                         MainWindowView& view, FolderListing& listing, BulletBar& bar,
                         const ScanThreads& threads)
{
    // The recovery inside the analysis keeps the bar count of its click; every
    // other scan starts its bar from nothing.
    if (mode != ScanMode::Recovery)
        bar.forget();

    if (mode == ScanMode::FolderChange) {
        for (Control c : {Control::Text2, Control::Image2, Control::Label1, Control::Label4,
                          Control::Label5})
            view.setVisible(c, false);
    }
    if (mode != ScanMode::Recovery)
        view.setBusyPointer(true);
    view.setEnabled(Control::Command3, false);

    // A folder that cannot be listed (gone, refused) lists nothing; the
    // counts then read 0 like those of an empty folder.
    Result<std::vector<std::string>> listed = fileSystem.listFiles(where.folder, where.pattern);
    const std::vector<std::string> names = listed ? std::move(listed).value()
                                                  : std::vector<std::string>{};
    view.showFileList(names);

    listing.clear();
    view.clearDuplicateRows();
    fillListing(names, where.folder, fileSystem, listing, threads);

    view.setCaption(Control::Label1, statusLineFor(mode));
    view.repaintNow(Control::Label1);
    if (mode != ScanMode::StartUp)
        view.setVisible(Control::Label1, true);
    view.setCaption(Control::Label3, "  Archivos duplicados");
    view.repaintNow(Control::Label3);
    view.setCaption(Control::Label6, "");
    view.repaintNow(Control::Label6);

    sortListingBySize(listing, bar);

    view.setCaption(Control::Label1, "");
    view.setBusyPointer(false);
    view.setCaption(Control::Label10, "");
    view.repaintNow(Control::Label10);
    view.setCaption(Control::Label6, std::to_string(listing.NumArchivos()) + " archivos a procesar");
    return listed ? FileError::None : listed.error();
}

void sortListingBySize(FolderListing& listing, BulletBar& bar)
{
    // Positions are 1-based as in the passes' description; position p is row
    // p - 1. The gap starts from N - 1, not N, which decides where rows of
    // equal size end up, so it must stay exactly so.
    const auto n = static_cast<std::int64_t>(listing.paths.size());
    auto& sizes = listing.sizes;
    auto& paths = listing.paths;
    for (std::int64_t gap = (n - 1) / 2; gap > 0; gap /= 2) {
        for (std::int64_t i = gap + 1; i <= n; ++i) {
            bar.draw(Control::Label10, 60, static_cast<std::uint64_t>(i),
                     static_cast<std::uint64_t>(n));
            for (std::int64_t j = i - gap; j > 0; j -= gap) {
                const std::int64_t k = j + gap;
                if (sizes[k - 1] >= sizes[j - 1])
                    break;
                std::swap(sizes[k - 1], sizes[j - 1]);
                paths.swapRows(std::size_t(k - 1), std::size_t(j - 1));
            }
        }
    }
}

} // namespace zelvo
