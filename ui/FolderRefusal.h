#pragma once

#include "platform/FileError.h"

#include <string>
#include <string_view>

namespace zelvo {

// Why a folder cannot be opened, and the Spanish sentence that says so. The
// command line (a folder argument) and the main window (the current folder)
// tell it in the same words.
struct FolderRefusal {
    enum class Reason { NotLocal, Missing, NotAFolder, NoPermission, Other };
    Reason reason;
    // The folder the refusal names: its path, or the argument itself when
    // that names no local path. Bytes as given, not necessarily UTF-8.
    std::string name;

    // The sentence, naming the folder as `shownName`: the bytes for standard
    // error, a decoded text for a message box.
    std::string sentence(std::string_view shownName) const;
    std::string sentence() const { return sentence(name); }
};

// The refusal for a folder that could not be listed, by the failure's class.
FolderRefusal folderRefusalFor(FileError error, std::string folder);

} // namespace zelvo
