#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zelvo {

// What the command line asks of Zelvo. Only the program's own options are
// known: Qt never sees the arguments, so a folder is never taken for one of
// Qt's options and --help works without a display.
struct StartRequest {
    enum class Action { Start, ShowHelp, ShowVersion, WrongUsage };
    Action action = Action::Start;
    // The folder argument as given (a path or a file:// URI), if there was one.
    std::optional<std::string> folder;
    // For WrongUsage: one line of Spanish saying what is wrong.
    std::string error;

    bool operator==(const StartRequest&) const = default;
};

// Reads the arguments after the program's name, left to right; the first
// option that ends the program (--help, --version, an unknown one) decides.
StartRequest parseCommandLine(std::span<const char* const> arguments);

// The text of --help, in Spanish, ending with a newline.
std::string helpText();

// The local path a folder argument names: a path as it is, a file:// URI
// percent-decoded byte by byte (names that are not UTF-8 survive). Nothing
// for a URI of another host or scheme, or one that names no absolute path.
std::optional<std::string> localPathOf(std::string_view argument);

} // namespace zelvo
