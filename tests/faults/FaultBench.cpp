#include "FaultBench.h"

#include <QDir>

#include <climits>
#include <cstring>
#include <ftw.h>

namespace zelvo::faults {

namespace {

// Runs call(folderFd, name) on a path: on the whole path when the system
// takes it in one call, else on its last name within its folder, so that
// tests can make and look at files whose paths exceed PATH_MAX.
template <typename Call>
int onPath(const std::string& path, Call call)
{
    if (path.size() < PATH_MAX)
        return call(AT_FDCWD, path.c_str());
    const std::size_t slash = path.rfind('/');
    const int folder = ::open(path.substr(0, slash).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return -1;
    const int result = call(folder, path.c_str() + slash + 1);
    ::close(folder);
    return result;
}

int openPath(const std::string& path, int flags, mode_t mode = 0)
{
    return onPath(path, [&](int folder, const char* name) { return ::openat(folder, name, flags, mode); });
}

} // namespace

bool writeFile(const std::string& path, std::string_view bytes)
{
    const int fd = openPath(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote <= 0) {
            ::close(fd);
            return false;
        }
        done += std::size_t(wrote);
    }
    return ::close(fd) == 0;
}

std::string readFile(const std::string& path, bool* found)
{
    std::string bytes;
    const int fd = openPath(path, O_RDONLY | O_CLOEXEC);
    if (found)
        *found = fd >= 0;
    if (fd < 0)
        return bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        bytes.append(buffer, std::size_t(got));
    }
    ::close(fd);
    return bytes;
}

bool exists(const std::string& path)
{
    struct stat st;
    return onPath(path, [&](int folder, const char* name) {
               return ::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW);
           }) == 0;
}

bool makeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0; }

bool removeTree(const std::string& path)
{
    // Within each folder by name, so that paths beyond PATH_MAX go too.
    const auto removeOne = [](const char* at, const struct stat*, int, struct FTW* where) {
        return ::remove(where->level == 0 ? at : at + where->base);
    };
    return ::nftw(path.c_str(), removeOne, 16, FTW_DEPTH | FTW_PHYS | FTW_CHDIR) == 0;
}

bool writeSparseFile(const std::string& path, ByteCount size, std::string_view tail)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = ::ftruncate(fd, off_t(size)) == 0;
    if (ok && !tail.empty())
        ok = ::pwrite(fd, tail.data(), tail.size(), off_t(size - tail.size())) == ssize_t(tail.size());
    return ::close(fd) == 0 && ok;
}

namespace {

class HookedReader : public FileReader {
public:
    HookedReader(HookedFileSystem& owner, std::string path, std::unique_ptr<FileReader> inner)
        : m_owner(owner), m_path(std::move(path)), m_inner(std::move(inner))
    {
    }
    Result<std::size_t> read(std::span<std::byte> into) override
    {
        m_owner.noteRead(m_path);
        return m_inner->read(into);
    }
    Result<std::size_t> readAt(ByteCount offset, std::span<std::byte> into) override
    {
        m_owner.noteRead(m_path);
        return m_inner->readAt(offset, into);
    }

    std::uint64_t placeOnDisk() override { return m_inner->placeOnDisk(); }
    void setReadAhead(bool on) override { m_inner->setReadAhead(on); }
    void willRead(ByteCount offset, ByteCount length) override { m_inner->willRead(offset, length); }

private:
    HookedFileSystem& m_owner;
    std::string m_path;
    std::unique_ptr<FileReader> m_inner;
};

} // namespace

void HookedFileSystem::beforeRead(const std::string& path, int readCall, std::function<void()> action)
{
    m_hooks[path] = {readCall, std::move(action)};
}

Result<std::unique_ptr<FileReader>>
HookedFileSystem::opened(const std::string& path, Result<std::unique_ptr<FileReader>> reader)
{
    if (!reader)
        return reader;
    return std::unique_ptr<FileReader>(new HookedReader(*this, path, std::move(*reader)));
}

void HookedFileSystem::noteRead(const std::string& path)
{
    const int call = ++m_reads[path];
    auto hook = m_hooks.find(path);
    if (hook == m_hooks.end() || hook->second.readCall != call)
        return;
    const std::function<void()> action = std::move(hook->second.action);
    m_hooks.erase(hook);
    action();
}

std::vector<LogRecord> parseLog(const std::string& bytes, bool* whole)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    bool ok = true;
    while (at < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", at);
        if (end == std::string::npos) {
            ok = false; // a last line without its line end: a torn record
            break;
        }
        lines.push_back(bytes.substr(at, end - at));
        at = end + 2;
    }
    if (lines.size() % 4 != 0)
        ok = false;

    const auto pathOf = [](const std::string& line) {
        std::string path = line.substr(0, line.find("\t\t"));
        while (!path.empty() && path.back() == ' ')
            path.pop_back();
        return path;
    };
    const auto sizeOf = [](const std::string& line) {
        const std::size_t start = line.find("\t\t");
        const std::size_t end = line.find(" bytes \t", start);
        return start == std::string::npos || end == std::string::npos
                   ? std::string()
                   : line.substr(start + 2, end - start - 2);
    };

    std::vector<LogRecord> records;
    for (std::size_t i = 0; i + 4 <= lines.size(); i += 4) {
        LogRecord record;
        record.lines.assign(lines.begin() + long(i), lines.begin() + long(i) + 4);
        const std::string crosses(120, 'x');
        if (record.lines[0] == crosses && record.lines[3] == crosses) {
            record.isDeletion = true;
            record.paths = {pathOf(record.lines[1])};
            record.size = sizeOf(record.lines[1]);
        } else if (record.lines[3] == std::string(200, ':')) {
            record.paths = {pathOf(record.lines[0]), pathOf(record.lines[2])};
            record.size = sizeOf(record.lines[0]);
        } else {
            ok = false;
        }
        records.push_back(std::move(record));
    }
    if (whole)
        *whole = ok;
    return records;
}

namespace {

QString folderTemplate(const QString& base)
{
    return (base.isEmpty() ? QDir::tempPath() : base) + "/zelvo-faults-XXXXXX";
}

} // namespace

FaultBench::FaultBench(const QString& base)
    : m_folder(folderTemplate(base)), m_logFolder(folderTemplate(QString())),
      log(files, dates, messages, logSwitch,
          (m_logFolder.path() + "/Zelvo.log").toStdString())
{
    where.folder = m_folder.path().toStdString();
    where.pattern = "*.*";
}

FaultBench::~FaultBench()
{
    ::chmod(m_logFolder.path().toLocal8Bit().constData(), 0755);
    removeTree(m_folder.path().toStdString());
    removeTree(m_logFolder.path().toStdString());
}

void FaultBench::scan()
{
    BulletBar bar(view);
    LeerDirectorio(ScanMode::FolderChange, where, files, view, listing, bar);
}

AnalysisOutcome FaultBench::analyse()
{
    DuplicateAnalysis analysis(files, dates, view, messages, log);
    analysis.setCaptionInterval({});
    return analysis.run(where, listing);
}

bool FaultBench::deleteRow(const std::string& path)
{
    for (int i = 0; i < view.duplicateRowCount(); ++i) {
        if (view.duplicateRow(i).path != path)
            continue;
        view.selectRow(i);
        messages.scriptAnswer(MessageAnswer::Ok);
        DuplicateDeletion(files, messages, view, log).run();
        return true;
    }
    return false;
}

std::vector<std::string> FaultBench::rows() const
{
    std::vector<std::string> texts;
    for (const DuplicateRow& row : view.rows())
        texts.push_back(row.isHead ? "> " + row.path : row.path);
    return texts;
}

std::vector<std::string> FaultBench::messageTexts() const
{
    std::vector<std::string> texts;
    for (const MessageBoxCall& call : messages.calls())
        texts.push_back(call.text);
    return texts;
}

} // namespace zelvo::faults
