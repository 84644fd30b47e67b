#pragma once

#include "ManualLogSwitch.h"
#include "fakes/FakeDateText.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FaultyFileSystem.h"
#include "log/ActivityLog.h"
#include "platform/PosixFileSystem.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <string>

namespace zelvo {

// What the log's tests work with: a temporary folder holding the files and
// the log, the real disk behind a fault injector, fixed dates, a scripted
// message box and a log that is on.
struct LogBench {
    // What logBytes() answers when there is no log file.
    static inline const QByteArray kNoLog = "<no log file>";

    explicit LogBench(Timestamp now) : dates(now) {}

    QTemporaryDir dir;
    PosixFileSystem disk;
    FaultyFileSystem files{disk};
    FakeDateText dates;
    FakeMessageBox messages;
    ManualLogSwitch logSwitch{true};
    std::string logPath = path("Zelvo.log");
    ActivityLog log{files, dates, messages, logSwitch, logPath};

    std::string path(const char* name) const { return (dir.path() + '/' + name).toStdString(); }

    // Writes a file of the folder with the given last-change time.
    std::string writeFile(const char* name, const QByteArray& bytes, Timestamp modified) const
    {
        QFile file(QString::fromStdString(path(name)));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", name);
        // Written out first, or closing the file would stamp it again.
        file.flush();
        file.setFileTime(QDateTime::fromSecsSinceEpoch(modified.seconds, Qt::UTC),
                         QFileDevice::FileModificationTime);
        return path(name);
    }

    // The log's bytes, or kNoLog when there is no log file.
    QByteArray logBytes() const
    {
        QFile file(QString::fromStdString(logPath));
        if (!file.open(QIODevice::ReadOnly))
            return kNoLog;
        return file.readAll();
    }
};

} // namespace zelvo
