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

// Where the environment tells Qt to show the window: the values of DISPLAY,
// WAYLAND_DISPLAY and QT_QPA_PLATFORM, empty when unset.
struct DisplayEnvironment {
    std::string x11;
    std::string wayland;
    std::string platform;
};

// One line of Spanish when the environment names nowhere to show the window
// (no display and no platform chosen, as over ssh); nothing when a window can
// be tried.
std::optional<std::string> missingDisplay(const DisplayEnvironment& environment);

// One line of Spanish for a window that could not be opened where the
// environment pointed (a display that does not answer, a platform that fails).
std::string unreachableDisplay(const DisplayEnvironment& environment);

// The local path a folder argument names: a path as it is, a file:// URI
// percent-decoded byte by byte (names that are not UTF-8 survive). Nothing
// for a URI of another host or scheme, or one that names no absolute path.
std::optional<std::string> localPathOf(std::string_view argument);

} // namespace zelvo
