#include "DuplicateDeletion.h"

#include "SameContents.h"

#include <vector>

namespace zelvo {

void DuplicateDeletion::run()
{
    m_view.setVisible(Control::Text2, false);
    m_view.setVisible(Control::Image2, false);

    const MessageAnswer answer =
        m_messages.show("¿Realmente desea borrar los archivos seleccionados?\n\r"
                        "       Recuerde que esto no se podrá deshacer",
                        "Borrado", MessageButtons::OkCancel, MessageIcon::Exclamation);
    if (answer != MessageAnswer::Ok)
        return;

    // The rows the user selected, taken once: removing a row may move the
    // list's selection onto a neighbour, which the user never chose. They are
    // visited from the last to the first, so removing a row never shifts a
    // row still to be visited.
    std::vector<int> selected;
    for (int i = m_view.duplicateRowCount() - 1; i >= 0; --i) {
        if (m_view.isDuplicateRowSelected(i))
            selected.push_back(i);
    }
    m_fileCount = -1;
    for (const int i : selected) {
        if (deleteRow(i) != Outcome::Kept)
            forgetRow(i);
    }

    m_view.setCaption(Control::Label3, std::to_string(m_view.duplicateRowCount()) + "  Archivos");
    m_view.repaintNow(Control::Label3);
    if (m_fileCount < 0)
        m_fileCount = m_view.refreshFileList();
    m_view.setCaption(Control::Label6, std::to_string(m_fileCount) + " archivos a procesar");
}

DuplicateDeletion::Outcome DuplicateDeletion::deleteRow(int index)
{
    const std::string path = m_view.duplicateRow(index).path;
    // A file gone meanwhile loses its row; any other refusal keeps it.
    const auto failed = [&](FileError error) {
        if (error == FileError::NotFound) {
            m_messages.show("Uno o varios archivos ya fueron borrados o movidos.",
                            "Error con archivo", MessageButtons::Ok, MessageIcon::Critical);
            return Outcome::Vanished;
        }
        m_messages.show("No se puede borrar el archivo.\n" + path, "Error con archivo",
                        MessageButtons::Ok, MessageIcon::Critical);
        return Outcome::Kept;
    };

    const Result<FileStatus> found = m_fileSystem.status(path);
    if (!found)
        return failed(found.error());
    const CopyCheck copy = findListedCopy(index, *found);
    // A copy that could not be read may well exist: the file is kept for
    // what stopped the check, not for a lack of copies.
    if (copy == CopyCheck::Unknown)
        return failed(FileError::AccessDenied);
    if (copy == CopyCheck::None) {
        m_messages.show("El archivo no se ha borrado porque ya no tiene ninguna copia idéntica.",
                        "Borrado", MessageButtons::Ok, MessageIcon::Critical);
        return Outcome::Kept;
    }

    // The record describes the file as it was at the moment of its deletion,
    // and is written only once the deletion has happened.
    const Result<FileStatus> before = m_fileSystem.status(path);
    if (!before)
        return failed(before.error());
    if (const FileError error = m_fileSystem.removeFile(path); error != FileError::None)
        return failed(error);
    m_log.RegistroBorrado(path, *before);
    return Outcome::Deleted;
}

DuplicateDeletion::CopyCheck DuplicateDeletion::findListedCopy(int index, const FileStatus& status)
{
    const DuplicateRow row = m_view.duplicateRow(index);
    bool unknown = false;
    for (int i = 0; i < m_view.duplicateRowCount(); ++i) {
        if (i == index)
            continue;
        const DuplicateRow other = m_view.duplicateRow(i);
        if (other.group != row.group)
            continue;
        const Result<FileStatus> otherStatus = m_fileSystem.status(other.path);
        if (!otherStatus) {
            unknown |= otherStatus.error() != FileError::NotFound;
            continue;
        }
        // Another name of the same file on disk is no copy: deleting this
        // one would take the data with it.
        if (otherStatus->identity == status.identity || otherStatus->size != status.size)
            continue;
        const Sameness sameness = sameContents(m_fileSystem, row.path, other.path);
        if (sameness == Sameness::Same)
            return CopyCheck::Found;
        unknown |= sameness == Sameness::Unknown;
    }
    return unknown ? CopyCheck::Unknown : CopyCheck::None;
}

void DuplicateDeletion::forgetRow(int index)
{
    m_view.removeDuplicateRow(index);
    m_fileCount = m_view.refreshFileList();
    m_view.setCaption(Control::Label1, "");
    m_view.setCaption(Control::Label4, "");
    m_view.setCaption(Control::Label5, "");
}

} // namespace zelvo
