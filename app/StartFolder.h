#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zelvo {

// Why a folder argument cannot be the start folder.
struct StartFolderRefusal {
    enum class Reason { NotLocal, Missing, NotAFolder, NoPermission, Other };
    Reason reason;
    // The folder the refusal names: its path, or the argument itself when
    // that names no local path. Bytes as given, not necessarily UTF-8.
    std::string name;

    // The Spanish sentence, naming the folder as `shownName`: the bytes for
    // standard error, a decoded text for a message box.
    std::string sentence(std::string_view shownName) const;
    std::string sentence() const { return sentence(name); }
};

// Makes the folder a folder argument names (a path or a file:// URI) the
// process's working folder, before any window exists: the main window starts
// in the working folder and the activity log lives there, so the program then
// behaves exactly as if started from that folder. On a refusal the working
// folder is unchanged.
std::optional<StartFolderRefusal> enterStartFolder(const std::string& argument);

} // namespace zelvo
