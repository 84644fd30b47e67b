#pragma once

#include "ui/FolderRefusal.h"

#include <optional>
#include <string>

namespace zelvo {

// Makes the folder a folder argument names (a path or a file:// URI) the
// process's working folder, before any window exists: the main window starts
// in the working folder and the activity log lives there, so the program then
// behaves exactly as if started from that folder. On a refusal the working
// folder is unchanged.
std::optional<FolderRefusal> enterStartFolder(const std::string& argument);

} // namespace zelvo
