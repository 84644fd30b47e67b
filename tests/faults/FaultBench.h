#pragma once

#include "core/BulletBar.h"
#include "core/DuplicateAnalysis.h"
#include "core/LeerDirectorio.h"
#include "fakes/FakeDateText.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FaultyFileSystem.h"
#include "fakes/RecordingView.h"
#include "log/ActivityLog.h"
#include "log/DuplicateDeletion.h"
#include "platform/ForwardingFileSystem.h"
#include "platform/PosixFileSystem.h"

#include <QTemporaryDir>

#include <cerrno>
#include <functional>
#include <map>
#include <memory>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zelvo::faults {

// The moment the fake clock shows: 7/12/2026 5:30:09.
inline constexpr Timestamp kNow{1796621409};

// A log switch the test holds in its hand.
class TestLogSwitch : public LogSwitch {
public:
    bool isOn() const override { return on; }
    void turnOff() override { on = false; }
    bool on = true;
};

// Raw-byte file helpers: names may be any bytes, so they go through POSIX
// calls and never through QString. Each returns false on any failure.
bool writeFile(const std::string& path, std::string_view bytes);
std::string readFile(const std::string& path, bool* found = nullptr);
bool exists(const std::string& path);
bool makeFolder(const std::string& path);
// Removes a folder and everything under it.
bool removeTree(const std::string& path);
// A file of `size` bytes that uses no disk: a hole, then `tail` at its end.
bool writeSparseFile(const std::string& path, ByteCount size, std::string_view tail);

// A pass-through file system that changes the real disk at a chosen moment:
// an action runs once, just before the k-th read call on a path (counted
// from 1 over all its readers). A reader that is already open keeps reading
// what the disk gives it afterwards, unlike FaultyFileSystem's scripted
// failures, which stand for what the disk cannot be made to do.
class HookedFileSystem : public ForwardingFileSystem {
public:
    explicit HookedFileSystem(FileSystem& inner) : ForwardingFileSystem(inner) {}

    void beforeRead(const std::string& path, int readCall, std::function<void()> action);

    // Called by the readers this hands out.
    void noteRead(const std::string& path);

protected:
    Result<std::unique_ptr<FileReader>> opened(const std::string& path,
                                               Result<std::unique_ptr<FileReader>> reader) override;

private:
    struct Hook {
        int readCall = 0;
        std::function<void()> action;
    };
    std::map<std::string, Hook> m_hooks;
    std::map<std::string, int> m_reads;
};

// One record of the activity log: its four lines without their CR LF.
struct LogRecord {
    bool isDeletion = false;
    std::vector<std::string> lines;
    // The paths its file lines name, as written (blank padding removed).
    std::vector<std::string> paths;
    // The size item of its first file line.
    std::string size;
};

// Splits a log into records. Fails the current test (and returns what it
// got so far) when the log holds anything but whole four-line records.
std::vector<LogRecord> parseLog(const std::string& bytes, bool* whole);

// The engine, the log and the deletion wired together over a real temporary
// folder, with the fault-injecting file system between them and the disk, a
// window that records what it is told and message boxes that answer OK.
// The log file lives in its own temporary folder, so it is never listed.
class FaultBench {
    // First, so that they exist before the log that names a file in them.
    QTemporaryDir m_folder;
    QTemporaryDir m_logFolder;

public:
    // The folders are made under `base`, the system's temporary folder
    // unless given.
    explicit FaultBench(const QString& base = QString());
    // Names that are not UTF-8 defeat QTemporaryDir's own clean-up.
    ~FaultBench();

    bool valid() const { return m_folder.isValid() && m_logFolder.isValid(); }
    // The folder under analysis, without a trailing "/".
    const std::string& folder() const { return where.folder; }
    std::string path(std::string_view name) const { return where.folder + "/" + std::string(name); }
    const std::string& logPath() const { return log.path(); }
    std::string logBytes() const { return readFile(log.path()); }

    // Dir1_Change: the folder scan in folder-change mode.
    void scan();
    // Command1_Click.
    AnalysisOutcome analyse();
    // Selects the row naming `path` (head or twin) and answers OK to
    // "Borrar"'s question. False when no row names it.
    bool deleteRow(const std::string& path);
    // The paths of List1's rows, head rows marked with a leading "> ".
    std::vector<std::string> rows() const;
    // The message box texts shown so far.
    std::vector<std::string> messageTexts() const;

    PosixFileSystem disk;
    HookedFileSystem hooks{disk};
    FaultyFileSystem files{hooks};
    FakeDateText dates{kNow};
    FakeMessageBox messages;
    TestLogSwitch logSwitch;
    RecordingView view;
    FolderListing listing;
    ScanRequest where;
    ActivityLog log;
};

} // namespace zelvo::faults
