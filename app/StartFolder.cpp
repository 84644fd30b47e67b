#include "StartFolder.h"

#include "CommandLine.h"
#include "platform/PosixHandles.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace zelvo {

namespace {

FolderRefusal::Reason reasonFor(int error)
{
    switch (error) {
    case ENOENT:
        return FolderRefusal::Reason::Missing;
    case ENOTDIR:
        return FolderRefusal::Reason::NotAFolder;
    case EACCES:
    case EPERM:
        return FolderRefusal::Reason::NoPermission;
    default:
        return FolderRefusal::Reason::Other;
    }
}

} // namespace

std::optional<FolderRefusal> enterStartFolder(const std::string& argument)
{
    const std::optional<std::string> path = localPathOf(argument);
    if (!path)
        return FolderRefusal{FolderRefusal::Reason::NotLocal, argument};
    // Opening the folder for reading proves its files can be listed; changing
    // into it then proves it can be entered.
    FileDescriptor folder(::open(path->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid() || ::fchdir(folder.get()) != 0)
        return FolderRefusal{reasonFor(errno), *path};
    return std::nullopt;
}

} // namespace zelvo
