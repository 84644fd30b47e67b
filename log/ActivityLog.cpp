#include "ActivityLog.h"

#include "LogRecords.h"

namespace zelvo {

ActivityLog::ActivityLog(FileSystem& fileSystem, DateText& dates, MessageBox& messages,
                         LogSwitch& logSwitch, std::string path)
    : m_fileSystem(fileSystem), m_dates(dates), m_messages(messages), m_switch(logSwitch),
      m_path(std::move(path))
{
}

FileError ActivityLog::RegistroPar(const std::string& referencePath, ByteCount referenceSize,
                                   const std::string& twinPath)
{
    if (!m_switch.isOn())
        return FileError::None;

    const Result<FileStatus> reference = m_fileSystem.status(referencePath);
    const Result<FileStatus> twin = m_fileSystem.status(twinPath);
    for (const Result<FileStatus>* status : {&reference, &twin}) {
        if (status->ok())
            continue;
        // A vanished file is the analysis' own failure (it rescans); any
        // other refusal to describe the file only costs this record.
        return status->error() == FileError::NotFound ? FileError::NotFound : FileError::None;
    }

    const std::string referenceDate = m_dates.generalDate(reference->modified);
    const std::string twinDate = m_dates.generalDate(twin->modified);
    append(pairRecord({referencePath, referenceSize, referenceDate},
                      {twinPath, referenceSize, twinDate}));
    return FileError::None;
}

void ActivityLog::RegistroBorrado(const std::string& path, const FileStatus& beforeDeletion)
{
    if (!m_switch.isOn())
        return;
    const std::string date = m_dates.generalDate(beforeDeletion.modified);
    const Timestamp now = m_dates.now();
    append(deletionRecord({path, beforeDeletion.size, date}, m_dates.shortDate(now),
                          m_dates.timeWithSeconds(now)));
}

void ActivityLog::BorraLog()
{
    const MessageAnswer answer =
        m_messages.show("¿Desea borrar el archivo log?", "Borrado archivo log",
                        MessageButtons::YesNo, MessageIcon::Question);
    if (answer != MessageAnswer::Yes)
        return;
    // A log that is there but refuses to go must not be called absent.
    const FileError error = m_fileSystem.removeFile(m_path);
    if (error == FileError::NotFound) {
        m_messages.show("No hay ningún archivo Zelvo.log que borrar", "Log", MessageButtons::Ok,
                        MessageIcon::Critical);
    } else if (error != FileError::None) {
        m_messages.show("No se puede borrar el archivo Zelvo.log.", "Log", MessageButtons::Ok,
                        MessageIcon::Critical);
    }
}

void ActivityLog::append(const std::string& record)
{
    const FileError error = m_fileSystem.appendToFile(m_path, record);
    if (error == FileError::None)
        return;

    // Either way the user has to mend something (the file or its folder
    // refuses to be written, the disk is full or failing), and until then
    // every later record would be lost too: the log goes off, and the user is
    // told once, until switching it on again.
    if (error == FileError::AccessDenied || error == FileError::NotFound) {
        m_messages.show("No se puede crear el archivo log.\n"
                        "Se desactiva el seguimiento.\n"
                        "Corrija el problema con el archivo para volver a registrar los eventos",
                        "Error con archivo log", MessageButtons::Ok, MessageIcon::Critical);
    } else {
        m_messages.show("No se puede escribir en el archivo log.\n"
                        "El registro de este evento se ha perdido y se desactiva el seguimiento.\n"
                        "Compruebe que quede espacio libre en el disco",
                        "Error con archivo log", MessageButtons::Ok, MessageIcon::Critical);
    }
    m_switch.turnOff();
}

} // namespace zelvo
