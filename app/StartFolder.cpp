#include "StartFolder.h"

#include "CommandLine.h"
#include "platform/PosixHandles.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace zelvo {

namespace {

StartFolderRefusal::Reason reasonFor(int error)
{
    switch (error) {
    case ENOENT:
        return StartFolderRefusal::Reason::Missing;
    case ENOTDIR:
        return StartFolderRefusal::Reason::NotAFolder;
    case EACCES:
    case EPERM:
        return StartFolderRefusal::Reason::NoPermission;
    default:
        return StartFolderRefusal::Reason::Other;
    }
}

} // namespace

std::string StartFolderRefusal::sentence(std::string_view shownName) const
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

std::optional<StartFolderRefusal> enterStartFolder(const std::string& argument)
{
    const std::optional<std::string> path = localPathOf(argument);
    if (!path)
        return StartFolderRefusal{StartFolderRefusal::Reason::NotLocal, argument};
    // Opening the folder for reading proves its files can be listed; changing
    // into it then proves it can be entered.
    FileDescriptor folder(::open(path->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid() || ::fchdir(folder.get()) != 0)
        return StartFolderRefusal{reasonFor(errno), *path};
    return std::nullopt;
}

} // namespace zelvo
