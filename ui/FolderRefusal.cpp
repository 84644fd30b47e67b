#include "FolderRefusal.h"

#include <utility>

namespace zelvo {

std::string FolderRefusal::sentence(std::string_view shownName) const
{
    const std::string quoted = "«" + std::string(shownName) + "»";
    switch (reason) {
    case Reason::NotLocal:
        return quoted + " no es la dirección de una carpeta de este equipo.";
    case Reason::Missing:
        return "No existe la carpeta " + quoted + ".";
    case Reason::NotAFolder:
        return quoted + " no es una carpeta.";
    case Reason::NoPermission:
        return "No tiene permiso para abrir la carpeta " + quoted + ".";
    case Reason::Other:
        break;
    }
    return "No se puede abrir la carpeta " + quoted + ".";
}

FolderRefusal folderRefusalFor(FileError error, std::string folder)
{
    switch (error) {
    case FileError::NotFound:
        // A folder removed, renamed away, or put out of reach by a file in
        // the place of one of its parents.
        return {FolderRefusal::Reason::Missing, std::move(folder)};
    case FileError::AccessDenied:
        return {FolderRefusal::Reason::NoPermission, std::move(folder)};
    default:
        return {FolderRefusal::Reason::Other, std::move(folder)};
    }
}

} // namespace zelvo
