#include "platform/PosixFileSystem.h"

#include <QTemporaryDir>
#include <array>
#include <atomic>
#include <thread>
#include <QTest>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace zelvo;

namespace {

using Names = std::vector<std::string>;

void writeFile(const std::string& path, std::string_view bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    ::close(fd);
}

std::string readAll(const std::string& path)
{
    std::string bytes;
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return bytes;
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, std::size_t(got));
    ::close(fd);
    return bytes;
}

std::string asText(std::span<const std::byte> bytes)
{
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

} // namespace

class PosixFileSystemTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::string m_root;
    PosixFileSystem m_fs;

    std::string path(const std::string& name) const { return m_root + "/" + name; }

    Names list(const std::string& pattern) const
    {
        auto names = const_cast<PosixFileSystem&>(m_fs).listFiles(m_root, pattern);
        return names.ok() ? *names : Names{"<error>"};
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_root = QFile::encodeName(m_dir.path()).toStdString();
    }

    // Each test starts from an empty folder. Qt cannot name every entry left
    // behind (some names are not UTF-8), so they go through POSIX calls.
    void cleanup()
    {
        const auto removeEntry = [](const char* entry, const struct stat*, int, FTW* at) {
            return at->level == 0 ? 0 : ::remove(entry);
        };
        QCOMPARE(::nftw(m_root.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS), 0);
    }

    void listsMatchingFilesSortedIgnoringCase()
    {
        for (const char* name : {"b.JPG", "a.jpg", "C.jpg", "B.txt", "readme", "niño.jpg"})
            writeFile(path(name), "x");
        QCOMPARE(list("*.jpg"), (Names{"a.jpg", "b.JPG", "C.jpg", "niño.jpg"}));
        QCOMPARE(list("*.JPG"), (Names{"a.jpg", "b.JPG", "C.jpg", "niño.jpg"}));
        QCOMPARE(list("ni?o.*"), (Names{"niño.jpg"}));
        QCOMPARE(list("*.*"), (Names{"a.jpg", "b.JPG", "B.txt", "C.jpg", "niño.jpg", "readme"}));
        QCOMPARE(list(""), list("*.*"));
        QCOMPARE(list("*.txt;readme"), (Names{"B.txt", "readme"}));
        QCOMPARE(list("/"), Names{});
        QCOMPARE(list("*/*"), Names{});
        QCOMPARE(list("*.avi"), Names{});
    }

    void namesEqualButForCaseKeepAFixedOrder()
    {
        for (const char* name : {"abc", "ABC", "Abc", "aBc"})
            writeFile(path(name), "x");
        QCOMPARE(list("*"), (Names{"ABC", "Abc", "aBc", "abc"}));
    }

    void onlyVisibleRegularFilesAndLinksToThemAreListed()
    {
        writeFile(path("plain"), "x");
        writeFile(path(".hidden"), "x");
        QVERIFY(QDir().mkdir(QString::fromStdString(path("folder"))));
        QCOMPARE(::mkfifo(path("fifo").c_str(), 0644), 0);
        QCOMPARE(::symlink("plain", path("link-to-file").c_str()), 0);
        QCOMPARE(::symlink("missing", path("broken-link").c_str()), 0);
        QCOMPARE(::symlink("folder", path("link-to-folder").c_str()), 0);
        QCOMPARE(::symlink("fifo", path("link-to-fifo").c_str()), 0);

        const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(sock >= 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string socketPath = path("socket");
        if (socketPath.size() < sizeof address.sun_path) {
            std::strcpy(address.sun_path, socketPath.c_str());
            QCOMPARE(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        }
        ::close(sock);

        QCOMPARE(list("*"), (Names{"link-to-file", "plain"}));
    }

    void aFifoIsNeverOpenedAndAFolderCannotBeRead()
    {
        QCOMPARE(::mkfifo(path("fifo").c_str(), 0644), 0);
        // Opening a fifo for reading would wait for a writer for ever.
        QCOMPARE(m_fs.openForReading(path("fifo")).error(), FileError::AccessDenied);
        QCOMPARE(m_fs.openForReading(m_root).error(), FileError::AccessDenied);
        QCOMPARE(m_fs.appendToFile(path("fifo"), "x"), FileError::AccessDenied);
    }

    void openingToCompareReadsTheFileAndNeverBlocksOnWhatTookItsPlace()
    {
        writeFile(path("file"), "contents");
        auto reader = m_fs.openForComparing(path("file"), 8);
        QVERIFY(reader.ok());
        std::array<std::byte, 16> bytes{};
        QCOMPARE(*(*reader)->readAt(0, bytes), std::size_t{8});
        QCOMPARE(asText(std::span(bytes).first(8)), std::string("contents"));

        // A fifo or a folder put where a measured file was: the open may
        // succeed, but nothing can be read from it, and nothing waits.
        QCOMPARE(::mkfifo(path("fifo").c_str(), 0644), 0);
        QCOMPARE(::mkdir(path("folder").c_str(), 0755), 0);
        for (const char* name : {"fifo", "folder"}) {
            auto other = m_fs.openForComparing(path(name), 8);
            if (!other.ok())
                continue;
            const Result<std::size_t> got = (*other)->readAt(0, bytes);
            QVERIFY2(!got.ok() || *got == 0, name);
        }
        QCOMPARE(m_fs.openForComparing(path("missing"), 8).error(), FileError::NotFound);
    }

    void lookupsFromTwoThreadsInTwoFoldersFindTheirOwnFiles()
    {
        // Each thread keeps its own folder handle: files of the same name in
        // two folders must never be mistaken for each other.
        for (const char* folder : {"one", "two"}) {
            QCOMPARE(::mkdir(path(folder).c_str(), 0755), 0);
            for (int i = 0; i < 20; ++i)
                writeFile(path(folder) + "/f" + std::to_string(i),
                          std::string(std::size_t(i) + (folder[0] == 'o' ? 1 : 100), 'x'));
        }
        std::atomic<int> wrong{0};
        const auto lookUp = [&](int start) {
            for (int round = 0; round < 2000; ++round) {
                const bool one = (round + start) % 2 == 0;
                const int i = round % 20;
                const auto status = m_fs.status(path(one ? "one" : "two") + "/f" + std::to_string(i));
                const ByteCount expected = ByteCount(i) + (one ? 1 : 100);
                if (!status.ok() || status->size != expected)
                    ++wrong;
            }
        };
        std::thread other(lookUp, 1);
        lookUp(0);
        other.join();
        QCOMPARE(wrong.load(), 0);
        QVERIFY(m_fs.allowsConcurrentReads());
    }

    void aFileOnNoBlockDeviceReadsInAnyOrder()
    {
        // The kernel's own files lie on no disk at all.
        QVERIFY(!m_fs.readsBestInOrder("/proc/self/status"));
        QVERIFY(!m_fs.readsBestInOrder(path("missing")));
    }

    void aFileWithDataHasAPlaceOnItsDisk()
    {
        writeFile(path("data"), std::string(10000, 'x'));
        auto reader = m_fs.openForReading(path("data"));
        QVERIFY(reader.ok());
        QVERIFY((*reader)->placeOnDisk() != 0);
    }

    void namesThatAreNotUtf8AreListedAsTheirBytes()
    {
        const std::string latin1Name = "ni\xf1o.TXT";
        writeFile(path(latin1Name), "x");
        writeFile(path("z\xff\xfe"), "x");
        QCOMPARE(list("*.txt"), Names{latin1Name});
        QCOMPARE(list("ni?o.txt"), Names{latin1Name});
        QCOMPARE(list("*"), (Names{latin1Name, "z\xff\xfe"}));
        auto status = m_fs.status(path(latin1Name));
        QVERIFY(status.ok());
        QCOMPARE(status->size, ByteCount(1));
    }

    void listingAMissingFolderIsNotFound()
    {
        QCOMPARE(m_fs.listFiles(path("nowhere"), "*").error(), FileError::NotFound);
        writeFile(path("file"), "x");
        QCOMPARE(m_fs.listFiles(path("file"), "*").error(), FileError::NotFound);
        // The check before an analysis answers as the listing does.
        QCOMPARE(m_fs.checkFolder(path("nowhere")), FileError::NotFound);
        QCOMPARE(m_fs.checkFolder(path("file")), FileError::NotFound);
        QCOMPARE(m_fs.checkFolder(m_root), FileError::None);
    }

    void aFolderThatMayBeReadButNotEnteredIsRefused()
    {
        if (::geteuid() == 0)
            QSKIP("root enters every folder; the end-to-end test meets this as another user");
        const std::string folder = path("de paso");
        QVERIFY(::mkdir(folder.c_str(), 0700) == 0);
        writeFile(folder + "/a", "x");
        QVERIFY(::chmod(folder.c_str(), 0400) == 0);
        QCOMPARE(m_fs.listFiles(folder, "*").error(), FileError::AccessDenied);
        QCOMPARE(m_fs.checkFolder(folder), FileError::AccessDenied);
        QVERIFY(::chmod(folder.c_str(), 0700) == 0);
        QCOMPARE(m_fs.checkFolder(folder), FileError::None);
    }

    void statusGivesSizeDateAndIdentityThroughLinks()
    {
        writeFile(path("a"), "hello");
        QCOMPARE(::link(path("a").c_str(), path("hard").c_str()), 0);
        QCOMPARE(::symlink("a", path("soft").c_str()), 0);
        writeFile(path("b"), "hello");
        timespec times[2] = {{0, UTIME_OMIT}, {1700000000, 250000000}};
        QCOMPARE(::utimensat(AT_FDCWD, path("a").c_str(), times, 0), 0);

        auto a = m_fs.status(path("a"));
        QVERIFY(a.ok());
        QCOMPARE(a->size, ByteCount(5));
        QCOMPARE(a->modified, Timestamp{1700000000});
        QCOMPARE(a->modifiedNanoseconds, std::uint32_t{250000000});
        QCOMPARE(m_fs.status(path("hard"))->identity, a->identity);
        QCOMPARE(m_fs.status(path("soft"))->identity, a->identity);
        QVERIFY(m_fs.status(path("b"))->identity != a->identity);
        QCOMPARE(m_fs.status(path("missing")).error(), FileError::NotFound);
        QCOMPARE(m_fs.status(path("a") + "/below").error(), FileError::NotFound);
    }

    void sizesBeyondFourGibibytesAreExact()
    {
        const ByteCount size = (ByteCount(5) << 30) + 7;
        const int fd = ::open(path("sparse").c_str(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0);
        const bool grown = ::ftruncate(fd, off_t(size)) == 0;
        ::close(fd);
        if (!grown)
            QSKIP("This file system cannot hold a sparse file of 5 GiB");
        QCOMPARE(m_fs.status(path("sparse"))->size, size);

        auto reader = m_fs.openForReading(path("sparse"));
        QVERIFY(reader.ok());
        std::byte tail[16];
        auto got = (*reader)->readAt(size - 3, tail);
        QVERIFY(got.ok());
        QCOMPARE(*got, std::size_t(3));
    }

    void readsReturnWhatRemainsAtTheEnd()
    {
        std::string contents;
        for (int i = 0; i < 100000; ++i)
            contents += char('a' + i % 26);
        writeFile(path("f"), contents);
        auto opened = m_fs.openForReading(path("f"));
        QVERIFY(opened.ok());
        FileReader& reader = **opened;

        std::vector<std::byte> chunk(60000);
        QCOMPARE(*reader.read(chunk), std::size_t(60000));
        QCOMPARE(asText(chunk), contents.substr(0, 60000));
        QCOMPARE(*reader.read(chunk), std::size_t(40000));
        QCOMPARE(asText(std::span(chunk).first(40000)), contents.substr(60000));
        QCOMPARE(*reader.read(chunk), std::size_t(0));

        // readAt leaves the sequential position alone.
        auto again = m_fs.openForReading(path("f"));
        std::byte few[5];
        QCOMPARE(*(*again)->readAt(26, few), std::size_t(5));
        QCOMPARE(asText(few), std::string("abcde"));
        QCOMPARE(*(*again)->read(few), std::size_t(5));
        QCOMPARE(asText(few), std::string("abcde"));
        QCOMPARE(*(*again)->readAt(99998, few), std::size_t(2));
        QCOMPARE(*(*again)->readAt(100000, few), std::size_t(0));
        QCOMPARE(*(*again)->readAt(ByteCount(1) << 62, few), std::size_t(0));
        QCOMPARE((*again)->readAt(~ByteCount(0), few).error(), FileError::InvalidArgument);

        writeFile(path("empty"), "");
        auto empty = m_fs.openForReading(path("empty"));
        QCOMPARE(*(*empty)->read(chunk), std::size_t(0));
    }

    void readersCloseTheirFiles()
    {
        writeFile(path("f"), "x");
        const int before = ::open("/dev/null", O_RDONLY);
        ::close(before);
        for (int i = 0; i < 50; ++i)
            QVERIFY(m_fs.openForReading(path("f")).ok());
        // The lowest free descriptor is handed out first: if any reader had
        // leaked, the next one would be higher.
        const int after = ::open("/dev/null", O_RDONLY);
        ::close(after);
        QCOMPARE(after, before);
    }

    void openingAMissingFileIsNotFound()
    {
        QCOMPARE(m_fs.openForReading(path("missing")).error(), FileError::NotFound);
        QCOMPARE(m_fs.openForReading(std::string(5000, 'n')).error(), FileError::InvalidArgument);
    }

    void aFolderReplacedByAnotherOfTheSameNameIsSoonLookedUpAnew()
    {
        // Lookups in one folder go through a handle kept on it; a folder
        // renamed away and replaced must not go on answering for long.
        const std::string folder = path("photos");
        QCOMPARE(::mkdir(folder.c_str(), 0755), 0);
        writeFile(folder + "/a.jpg", "old");
        QCOMPARE(m_fs.status(folder + "/a.jpg")->size, ByteCount{3});
        QCOMPARE(::rename(folder.c_str(), path("photos.old").c_str()), 0);
        QCOMPARE(::mkdir(folder.c_str(), 0755), 0);
        writeFile(folder + "/a.jpg", "newer");
        writeFile(folder + "/b.jpg", "b");
        QTest::qWait(120);
        QCOMPARE(m_fs.status(folder + "/a.jpg")->size, ByteCount{5});
        QCOMPARE(m_fs.status(folder + "/b.jpg")->size, ByteCount{1});
        auto reader = m_fs.openForReading(folder + "/a.jpg");
        QVERIFY(reader.ok());
        std::array<std::byte, 8> bytes{};
        QCOMPARE(*(*reader)->readAt(0, bytes), std::size_t{5});
        QCOMPARE(asText(std::span(bytes).first(5)), std::string("newer"));

        // Moving from folder to folder, and to names without a folder, finds
        // each file where its path says.
        writeFile(path("top.txt"), "top");
        QCOMPARE(m_fs.status(path("top.txt"))->size, ByteCount{3});
        QCOMPARE(m_fs.status(path("photos.old") + "/a.jpg")->size, ByteCount{3});
        QCOMPARE(m_fs.status(folder + "/a.jpg")->size, ByteCount{5});
        QCOMPARE(m_fs.status(folder + "/missing.jpg").error(), FileError::NotFound);
        QCOMPARE(m_fs.status(folder + "/").error(), FileError::None);
    }

    void theCheckedOpenReadsTheFolderThePathNamesNowAtOnce()
    {
        // The open a deletion's last-copy check uses never answers from a
        // folder handle kept from a moment ago.
        const std::string folder = path("music");
        QCOMPARE(::mkdir(folder.c_str(), 0755), 0);
        writeFile(folder + "/a.mp3", "old");
        QCOMPARE(m_fs.status(folder + "/a.mp3")->size, ByteCount{3});
        QVERIFY(m_fs.openForComparing(folder + "/a.mp3", 3).ok());
        QCOMPARE(::rename(folder.c_str(), path("music.old").c_str()), 0);
        QCOMPARE(::mkdir(folder.c_str(), 0755), 0);
        writeFile(folder + "/a.mp3", "newer");
        auto reader = m_fs.openForReading(folder + "/a.mp3");
        QVERIFY(reader.ok());
        std::array<std::byte, 8> bytes{};
        QCOMPARE(*(*reader)->readAt(0, bytes), std::size_t{5});
        QCOMPARE(asText(std::span(bytes).first(5)), std::string("newer"));
    }

    void aFolderRemovedMeanwhileLeavesItsFilesNotFound()
    {
        const std::string folder = path("gone");
        QCOMPARE(::mkdir(folder.c_str(), 0755), 0);
        writeFile(folder + "/a.txt", "a");
        QVERIFY(m_fs.status(folder + "/a.txt").ok());
        QCOMPARE(::unlink((folder + "/a.txt").c_str()), 0);
        QCOMPARE(::rmdir(folder.c_str()), 0);
        QCOMPARE(m_fs.status(folder + "/a.txt").error(), FileError::NotFound);
        QCOMPARE(m_fs.openForReading(folder + "/a.txt").error(), FileError::NotFound);
    }

    void pathsBeyondTheSystemLimitAreMeasuredReadAndRemoved()
    {
        // Folders of 200-byte names, each made within the last: a file whose
        // folder is under PATH_MAX but whose path is not, and one whose
        // folder is beyond it too.
        std::vector<int> levels{::open(m_root.c_str(), O_RDONLY | O_DIRECTORY)};
        std::vector<std::string> names;
        std::string folder = m_root;
        Names files;
        for (char c = 'a'; files.size() < 2; ++c) {
            names.emplace_back(200, c);
            QCOMPARE(::mkdirat(levels.back(), names.back().c_str(), 0755), 0);
            levels.push_back(::openat(levels.back(), names.back().c_str(), O_RDONLY | O_DIRECTORY));
            QVERIFY(levels.back() >= 0);
            folder += "/" + names.back();
            if (folder.size() < PATH_MAX - 250 || (files.size() == 1 && folder.size() < PATH_MAX + 200))
                continue;
            const int fd = ::openat(levels.back(), "far.txt", O_WRONLY | O_CREAT, 0644);
            QCOMPARE(::write(fd, "far away", 8), ssize_t(8));
            ::close(fd);
            files.push_back(folder + "/" + std::string(250 - files.size() * 240, 'f'));
            QCOMPARE(::renameat(levels.back(), "far.txt", levels.back(),
                                files.back().substr(folder.size() + 1).c_str()), 0);
        }
        for (const std::string& file : files) {
            QVERIFY(file.size() > PATH_MAX);
            QCOMPARE(m_fs.status(file)->size, ByteCount{8});
            auto reader = m_fs.openForReading(file);
            QVERIFY(reader.ok());
            std::array<std::byte, 16> bytes{};
            QCOMPARE(*(*reader)->read(bytes), std::size_t{8});
            QCOMPARE(asText(std::span(bytes).first(8)), std::string("far away"));
            QCOMPARE(m_fs.removeFile(file), FileError::None);
            QCOMPARE(m_fs.status(file).error(), FileError::NotFound);
            QCOMPARE(m_fs.removeFile(file), FileError::NotFound);
        }
        // A name longer than any a folder can hold is the system's refusal.
        QCOMPARE(m_fs.openForReading(folder + "/" + std::string(300, 'n')).error(),
                 FileError::InvalidArgument);
        for (std::size_t i = names.size(); i-- > 0;) {
            ::close(levels[i + 1]);
            QCOMPARE(::unlinkat(levels[i], names[i].c_str(), AT_REMOVEDIR), 0);
        }
        ::close(levels.front());
    }

    void appendCreatesThenAddsAtTheEnd()
    {
        QCOMPARE(m_fs.appendToFile(path("log"), "one\r\n"), FileError::None);
        QCOMPARE(m_fs.appendToFile(path("log"), "two\r\n"), FileError::None);
        QCOMPARE(m_fs.appendToFile(path("log"), ""), FileError::None);
        QCOMPARE(readAll(path("log")), std::string("one\r\ntwo\r\n"));
        struct stat st;
        QCOMPARE(::stat(path("log").c_str(), &st), 0);
        const mode_t mask = ::umask(0);
        ::umask(mask);
        QCOMPARE(st.st_mode & 0777, 0644 & ~mask);
    }

    void appendToAFolderOfThatNameIsAccessDenied()
    {
        QVERIFY(QDir().mkdir(QString::fromStdString(path("Zelvo.log"))));
        QCOMPARE(m_fs.appendToFile(path("Zelvo.log"), "x"), FileError::AccessDenied);
        QCOMPARE(m_fs.appendToFile(path("no-folder/Zelvo.log"), "x"), FileError::NotFound);
    }

    void removeDeletesOrReportsWhyNot()
    {
        writeFile(path("f"), "x");
        QCOMPARE(m_fs.removeFile(path("f")), FileError::None);
        QVERIFY(::access(path("f").c_str(), F_OK) != 0);
        QCOMPARE(m_fs.removeFile(path("f")), FileError::NotFound);
        QVERIFY(QDir().mkdir(QString::fromStdString(path("folder"))));
        QCOMPARE(m_fs.removeFile(path("folder")), FileError::AccessDenied);
    }

    void onlyTheRootHasNoParent()
    {
        QVERIFY(!m_fs.hasParent("/"));
        QVERIFY(m_fs.hasParent("/home"));
        QVERIFY(m_fs.hasParent("/home/user/"));
        QVERIFY(m_fs.hasParent(m_root));
    }

    void errnoValuesMapToTheProgramsClasses()
    {
        QCOMPARE(fileErrorFromErrno(ENOENT), FileError::NotFound);
        QCOMPARE(fileErrorFromErrno(ENOTDIR), FileError::NotFound);
        for (int e : {EACCES, EPERM, EROFS, EISDIR, ETXTBSY, ELOOP})
            QCOMPARE(fileErrorFromErrno(e), FileError::AccessDenied);
        for (int e : {EINVAL, ENAMETOOLONG, EILSEQ})
            QCOMPARE(fileErrorFromErrno(e), FileError::InvalidArgument);
        for (int e : {ENXIO, ENODEV, ENOMEDIUM})
            QCOMPARE(fileErrorFromErrno(e), FileError::DeviceNotReady);
        for (int e : {EIO, ENOSPC, EMFILE})
            QCOMPARE(fileErrorFromErrno(e), FileError::Other);
    }
};

QTEST_GUILESS_MAIN(PosixFileSystemTest)
#include "PosixFileSystemTest.moc"
