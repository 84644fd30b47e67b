#pragma once

#include <optional>
#include <string>

namespace zelvo {

// Makes the folder a folder argument names (a path or a file:// URI) the
// process's working folder, before any window exists: the main window starts
// in the working folder and the activity log lives there, so the program then
// behaves exactly as if started from that folder. Returns nothing on success,
// or a Spanish sentence saying why the folder cannot be used; the working
// folder is then unchanged.
std::optional<std::string> enterStartFolder(const std::string& argument);

} // namespace zelvo
