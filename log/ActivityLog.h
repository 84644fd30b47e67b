#pragma once

#include "LogSwitch.h"
#include "core/PairRecorder.h"
#include "platform/DateText.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

#include <string>

namespace zelvo {

// The activity log "Zelvo.log": appends pair and deletion records while the
// switch is on, and erases the file on request. Every record is composed
// whole and appended with one write, so the file holds it whole or not at
// all; the file is never held open between two records. A log that cannot be
// written never stops the caller: the writer tells the user, switches the log
// off and returns.
class ActivityLog final : public PairRecorder {
public:
    // Relative on purpose: the log lives in the working directory the program
    // was started in, which it never changes.
    static constexpr const char* kFileName = "Zelvo.log";

    ActivityLog(FileSystem& fileSystem, DateText& dates, MessageBox& messages, LogSwitch& logSwitch,
                std::string path = kFileName);

    // Appends the pair record of a twin found by the analysis. Returns
    // NotFound, having written nothing, when either file has vanished;
    // None in every other case.
    FileError RegistroPar(const std::string& referencePath, ByteCount referenceSize,
                          const std::string& twinPath) override;

    // Appends the deletion record of a file that has just been deleted, with
    // the size and date read from it right before the deletion and the
    // current moment.
    void RegistroBorrado(const std::string& path, const FileStatus& beforeDeletion);

    // "&Borrar Log": asks, then removes the file; says so when there was
    // nothing to remove. The switch is left as it is.
    void BorraLog();

    const std::string& path() const { return m_path; }

private:
    void append(const std::string& record);

    FileSystem& m_fileSystem;
    DateText& m_dates;
    MessageBox& m_messages;
    LogSwitch& m_switch;
    std::string m_path;
};

} // namespace zelvo
