#include "CorpusGenerator.h"

#include "CorpusRandom.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace zelvo::bench {

namespace {

// Distinct stream keys per shape, so two shapes never share contents.
enum StreamKey : std::uint64_t {
    PhotoHeader = 1,
    PhotoBody,
    PhotoChoice,
    OneSizeHeader,
    OneSizeBody,
    OneSizeChoice,
    LargeBody,
    TinyBody,
    TinyChoice,
    MillionBody,
    MillionChoice,
    TailsBody,
    TailsChoice,
};

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    FileDescriptor& operator=(FileDescriptor&&) = delete;
    int get() const { return m_fd; }
    // Closes now so that a failing close (a full disk) is seen.
    void close(const std::string& what)
    {
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            fail(what);
    }

private:
    int m_fd;
};

// Creates the files of one folder. Files are created relative to the folder's
// descriptor, which keeps a million small creations cheap.
class FolderWriter {
public:
    explicit FolderWriter(const std::string& folder) : m_folder(folder), m_dir(openFolder(folder)) {}

    // Creates a file that must not exist yet.
    FileDescriptor create(const std::string& name)
    {
        const int fd = ::openat(m_dir.get(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            fail("cannot create " + m_folder + "/" + name);
        ++m_summary.files;
        return FileDescriptor(fd);
    }

    void append(const FileDescriptor& file, const unsigned char* data, std::size_t length)
    {
        while (length > 0) {
            const ssize_t written = ::write(file.get(), data, length);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                fail("cannot write into " + m_folder);
            data += written;
            length -= std::size_t(written);
            m_summary.bytes += std::uint64_t(written);
        }
    }

    void writeFile(const std::string& name, const unsigned char* data, std::size_t length)
    {
        FileDescriptor file = create(name);
        append(file, data, length);
        file.close("cannot close " + m_folder + "/" + name);
    }

    CorpusSummary summary() const { return m_summary; }

private:
    static FileDescriptor openFolder(const std::string& folder)
    {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) {
            errno = error.value();
            fail("cannot create the folder " + folder);
        }
        FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.get() < 0)
            fail("cannot open the folder " + folder);
        DIR* listing = ::fdopendir(::dup(dir.get()));
        if (!listing)
            fail("cannot list the folder " + folder);
        bool empty = true;
        while (const dirent* entry = ::readdir(listing)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                empty = false;
        }
        ::closedir(listing);
        if (!empty) {
            errno = EEXIST;
            fail("the folder " + folder + " is not empty");
        }
        return dir;
    }

    std::string m_folder;
    FileDescriptor m_dir;
    CorpusSummary m_summary;
};

std::string numberedName(const char* prefix, std::uint64_t number, int digits, const char* extension)
{
    char name[64];
    std::snprintf(name, sizeof name, "%s%0*llu%s", prefix, digits, static_cast<unsigned long long>(number),
                  extension);
    return name;
}

std::uint64_t scaledCount(double base, double scale, std::uint64_t atLeast)
{
    return std::max<std::uint64_t>(atLeast, std::uint64_t(std::llround(base * scale)));
}

// Flips one byte to a different value.
void flipByte(std::vector<unsigned char>& data, std::size_t position, CorpusRandom& choice)
{
    data[position] ^= static_cast<unsigned char>(1 + choice.below(255));
}

// Photos: a shared camera header, then noise; sizes spread log-uniformly from
// 50 KB to 5 MB. About a quarter are exact copies of an earlier photo; a few
// have the size of an earlier photo and differ from it in one byte (some in
// the very last one), and a few merely share a size with another photo.
CorpusSummary makePhotos(const CorpusOptions& options)
{
    constexpr std::size_t kHeader = 2048;
    constexpr double kSmallest = 50'000, kLargest = 5'000'000;
    FolderWriter writer(options.folder);
    CorpusRandom choice{options.seed, PhotoChoice};

    std::vector<unsigned char> header(kHeader);
    CorpusRandom{options.seed, PhotoHeader}.fill(header.data(), header.size());
    const unsigned char soi[] = {0xFF, 0xD8, 0xFF, 0xE1};
    std::memcpy(header.data(), soi, sizeof soi);

    struct Original {
        std::uint64_t id;
        std::size_t size;
    };
    std::vector<Original> originals;
    std::vector<unsigned char> data;
    auto render = [&](const Original& original) {
        data.resize(original.size);
        std::memcpy(data.data(), header.data(), kHeader);
        CorpusRandom{options.seed, PhotoBody, original.id}.fill(data.data() + kHeader, original.size - kHeader);
    };

    const std::uint64_t count = scaledCount(500, options.scale, 4);
    for (std::uint64_t i = 0; i < count; ++i) {
        const double kind = choice.unit();
        const Original* earlier = originals.empty() ? nullptr : &originals[choice.below(originals.size())];
        if (earlier && kind < 0.25) {
            render(*earlier);
        } else if (earlier && kind < 0.30) {
            render(*earlier);
            flipByte(data, kHeader + choice.below(data.size() - kHeader), choice);
        } else if (earlier && kind < 0.33) {
            render(*earlier);
            flipByte(data, data.size() - 1, choice);
        } else if (earlier && kind < 0.36) {
            originals.push_back({i, earlier->size});
            render(originals.back());
        } else {
            const double size = kSmallest * std::pow(kLargest / kSmallest, choice.unit());
            originals.push_back({i, std::size_t(size)});
            render(originals.back());
        }
        writer.writeFile(numberedName("IMG_", i + 1, 5, ".jpg"), data.data(), data.size());
    }
    return writer.summary();
}

// Thousands of 64 KiB files behind a common 512-byte header, nearly all
// distinct: a few exact copies, a few that differ from another file in one
// byte only, in the middle or at the very end.
CorpusSummary makeOneSize(const CorpusOptions& options)
{
    constexpr std::size_t kSize = 64 * 1024, kHeader = 512;
    FolderWriter writer(options.folder);
    CorpusRandom choice{options.seed, OneSizeChoice};
    std::vector<unsigned char> header(kHeader);
    CorpusRandom{options.seed, OneSizeHeader}.fill(header.data(), header.size());

    std::vector<unsigned char> data(kSize);
    auto render = [&](std::uint64_t id) {
        std::memcpy(data.data(), header.data(), kHeader);
        CorpusRandom{options.seed, OneSizeBody, id}.fill(data.data() + kHeader, kSize - kHeader);
    };

    const std::uint64_t count = scaledCount(4000, options.scale, 4);
    for (std::uint64_t i = 0; i < count; ++i) {
        const double kind = choice.unit();
        const std::uint64_t earlier = i == 0 ? 0 : choice.below(i);
        if (i > 0 && kind < 0.005) {
            render(earlier);
        } else if (i > 0 && kind < 0.0075) {
            render(earlier);
            flipByte(data, kSize - 1, choice);
        } else if (i > 0 && kind < 0.01) {
            render(earlier);
            flipByte(data, kHeader + choice.below(kSize - kHeader), choice);
        } else {
            render(i);
        }
        writer.writeFile(numberedName("chunk_", i + 1, 5, ".bin"), data.data(), data.size());
    }
    return writer.summary();
}

// A handful of large files: two identical pairs, a pair that differs only in
// its final byte, and one file whose size nothing else has. Sizes are odd so
// that the last chunk is a partial one.
CorpusSummary makeLarge(const CorpusOptions& options)
{
    constexpr std::size_t kBlock = 8u << 20;
    constexpr std::uint64_t MiB = 1u << 20;
    struct Set {
        const char* stem;
        std::uint64_t size;
        int copies;
        bool lastByteDiffers;
    };
    const Set sets[] = {
        {"movie_a", 384 * MiB + 4321, 2, false},
        {"movie_b", 320 * MiB + 77, 2, true},
        {"disk_c", 192 * MiB + 1, 2, false},
        {"backup_d", 128 * MiB + 999, 1, false},
    };
    FolderWriter writer(options.folder);
    std::vector<unsigned char> block(kBlock);
    for (std::uint64_t setNumber = 0; const Set& set : sets) {
        ++setNumber;
        const std::uint64_t size = std::max<std::uint64_t>(1, std::uint64_t(double(set.size) * options.scale));
        std::vector<FileDescriptor> files;
        for (int copy = 1; copy <= set.copies; ++copy)
            files.push_back(writer.create(std::string(set.stem) + std::to_string(copy) + ".bin"));
        CorpusRandom body{options.seed, LargeBody, setNumber};
        for (std::uint64_t offset = 0; offset < size; offset += kBlock) {
            const std::size_t length = std::size_t(std::min<std::uint64_t>(kBlock, size - offset));
            body.fill(block.data(), length);
            for (std::size_t copy = 0; copy < files.size(); ++copy) {
                const bool last = offset + length == size;
                if (set.lastByteDiffers && copy == 1 && last)
                    block[length - 1] ^= 0x5A;
                writer.append(files[copy], block.data(), length);
            }
        }
        for (FileDescriptor& file : files)
            file.close("cannot close a file of " + options.folder);
    }
    return writer.summary();
}

// Files of one size that share everything but their last eight bytes, like
// logs or documents built from one template: a reader that goes front to back
// through the whole size group reads everything before it can tell any two
// apart. A few are exact copies; a few end like an earlier file and differ
// from it only in one byte in the middle.
CorpusSummary makeTails(const CorpusOptions& options)
{
    constexpr std::size_t kSize = 256 * 1024 + 3;
    constexpr std::size_t kTail = 8;
    FolderWriter writer(options.folder);
    CorpusRandom choice{options.seed, TailsChoice};
    std::vector<unsigned char> body(kSize);
    CorpusRandom{options.seed, TailsBody}.fill(body.data(), kSize);
    std::vector<unsigned char> data(kSize);

    const std::uint64_t count = scaledCount(1000, options.scale, 4);
    for (std::uint64_t i = 0; i < count; ++i) {
        const double kind = choice.unit();
        std::uint64_t tail = i;
        data = body;
        if (i > 0 && kind < 0.02) {
            tail = choice.below(i);
        } else if (i > 0 && kind < 0.03) {
            tail = choice.below(i);
            flipByte(data, kSize / 4 + choice.below(kSize / 2), choice);
        }
        std::memcpy(data.data() + kSize - kTail, &tail, kTail);
        writer.writeFile(numberedName("report_", i + 1, 5, ".log"), data.data(), data.size());
    }
    return writer.summary();
}

// Small files whose contents come from a pool: a pool of a few dozen texts
// per size gives many copies, a pool as large as the folder gives files that
// are mostly alone.
CorpusSummary writePooledFiles(const CorpusOptions& options, StreamKey body, StreamKey choiceKey, double base,
                      double emptyShare, std::uint64_t largestSize, std::uint64_t smallPool,
                      double smallPoolShare, const char* prefix, int digits, const char* extension)
{
    FolderWriter writer(options.folder);
    CorpusRandom choice{options.seed, choiceKey};
    unsigned char data[256];
    const std::uint64_t count = scaledCount(base, options.scale, 4);
    for (std::uint64_t i = 0; i < count; ++i) {
        std::size_t size = 0;
        if (choice.unit() >= emptyShare) {
            size = std::size_t(1 + choice.below(largestSize));
            const std::uint64_t variant = choice.unit() < smallPoolShare ? choice.below(smallPool) : smallPool + i;
            CorpusRandom{options.seed, body, size, variant}.fill(data, size);
        }
        writer.writeFile(numberedName(prefix, i + 1, digits, extension), data, size);
    }
    return writer.summary();
}

// A hundred thousand files of at most 100 bytes: a fifth empty, many copies.
CorpusSummary makeTiny(const CorpusOptions& options)
{
    return writePooledFiles(options, TinyBody, TinyChoice, 100'000, 0.2, 100, 40, 0.5, "t", 6, ".txt");
}

// A million files, four in five empty, the rest of at most 16 bytes.
CorpusSummary makeMillion(const CorpusOptions& options)
{
    return writePooledFiles(options, MillionBody, MillionChoice, 1'000'000, 0.8, 16, 100, 0.5, "m", 7,
                            ".dat");
}

} // namespace

const std::vector<CorpusShape>& corpusShapes()
{
    static const std::vector<CorpusShape> shapes = {
        {"photos", "500 photo-like files of 50 KB to 5 MB: a quarter copies, some same-size near-copies"},
        {"onesize", "4000 files of 64 KiB, nearly all distinct, a few copies and near-copies"},
        {"large", "7 files of 128 to 384 MiB: identical pairs, a pair differing in its final byte"},
        {"tails", "1000 files of 256 KiB sharing all but their last 8 bytes, a few copies"},
        {"tiny", "100,000 files of at most 100 bytes: a fifth empty, many copies"},
        {"million", "1,000,000 files, four in five empty, the rest of at most 16 bytes"},
    };
    return shapes;
}

CorpusSummary generateCorpus(const CorpusOptions& options)
{
    if (!(options.scale > 0) || options.scale > 100)
        throw std::runtime_error("the scale must be above 0 and at most 100");
    if (options.folder.empty())
        throw std::runtime_error("no folder given");
    const std::pair<const char*, std::function<CorpusSummary(const CorpusOptions&)>> makers[] = {
        {"photos", makePhotos}, {"onesize", makeOneSize}, {"large", makeLarge},
        {"tails", makeTails},   {"tiny", makeTiny},       {"million", makeMillion},
    };
    for (const auto& [name, make] : makers) {
        if (options.shape == name)
            return make(options);
    }
    throw std::runtime_error("unknown shape: " + options.shape);
}

} // namespace zelvo::bench
