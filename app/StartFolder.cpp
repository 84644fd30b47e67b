#include "StartFolder.h"

#include "CommandLine.h"
#include "platform/PosixHandles.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace zelvo {

namespace {

std::string refusalFor(int error, const std::string& path)
{
    const std::string quoted = "«" + path + "»";
    switch (error) {
    case ENOENT:
        return "No existe la carpeta " + quoted + ".";
    case ENOTDIR:
        return quoted + " no es una carpeta.";
    case EACCES:
    case EPERM:
        return "No tiene permiso para abrir la carpeta " + quoted + ".";
    default:
        return "No se puede abrir la carpeta " + quoted + ".";
    }
}

} // namespace

std::optional<std::string> enterStartFolder(const std::string& argument)
{
    const std::optional<std::string> path = localPathOf(argument);
    if (!path)
        return "«" + argument + "» no es la dirección de una carpeta de este equipo.";
    // Opening the folder for reading proves its files can be listed; changing
    // into it then proves it can be entered.
    FileDescriptor folder(::open(path->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid() || ::fchdir(folder.get()) != 0)
        return refusalFor(errno, *path);
    return std::nullopt;
}

} // namespace zelvo
