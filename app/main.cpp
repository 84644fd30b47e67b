#include "app/CommandLine.h"
#include "app/StartFolder.h"
#include "platform/PosixFileSystem.h"
#include "platform/QtDateText.h"
#include "platform/QtDrives.h"
#include "platform/QtHelpViewer.h"
#include "platform/QtMessageBox.h"
#include "platform/QtPictureLoader.h"
#include "ui/about/frmAbout.h"
#include "ui/main/DisplayText.h"
#include "ui/main/Form1.h"

#include <QApplication>
// The help viewer's header hands out its window inline and needs the type.
#include <QTextBrowser>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

bool isSet(const char* variable)
{
    const char* value = std::getenv(variable);
    return value && *value;
}

std::string valueOf(const char* variable)
{
    const char* value = std::getenv(variable);
    return value ? value : "";
}

zelvo::DisplayEnvironment displayEnvironment()
{
    return {valueOf("DISPLAY"), valueOf("WAYLAND_DISPLAY"), valueOf("QT_QPA_PLATFORM")};
}

// Qt aborts with an English message when it cannot reach the display it was
// pointed at. While the application object is made, Qt's messages are kept
// back: a fatal one becomes the program's own line and exit status 1, the
// others are passed on once the window system answered.
class DisplayGuard {
public:
    DisplayGuard() : m_previous(qInstallMessageHandler(&DisplayGuard::keep)) {}
    ~DisplayGuard()
    {
        qInstallMessageHandler(m_previous);
        for (const Kept& message : kept())
            m_previous(message.type, QMessageLogContext(nullptr, 0, nullptr, message.category.constData()),
                       message.text);
        kept().clear();
    }
    DisplayGuard(const DisplayGuard&) = delete;
    DisplayGuard& operator=(const DisplayGuard&) = delete;

private:
    struct Kept {
        QtMsgType type;
        QByteArray category;
        QString text;
    };
    static std::vector<Kept>& kept()
    {
        static std::vector<Kept> messages;
        return messages;
    }
    static void keep(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "zelvo: %s\n", zelvo::unreachableDisplay(displayEnvironment()).c_str());
            std::fflush(stderr);
            std::_Exit(1);
        }
        kept().push_back({type, QByteArray(context.category), text});
    }

    QtMessageHandler m_previous;
};

// Started from a file manager or a menu, nobody reads standard error, so a
// refused folder is told in a box as well. From a terminal the line printed
// there is enough, and with no display a box could not be shown at all.
bool refusalNeedsBox()
{
    if (::isatty(STDERR_FILENO))
        return false;
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform &&
        (std::strcmp(platform, "offscreen") == 0 || std::strcmp(platform, "minimal") == 0))
        return false;
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

// On standard error, and in a box where nobody reads it.
void tellRefusedFolder(const zelvo::FolderRefusal& refusal, char* argv[])
{
    std::fprintf(stderr, "zelvo: %s\n", refusal.sentence().c_str());
    if (!refusalNeedsBox())
        return;
    int qtArgc = 1;
    auto guard = std::make_unique<DisplayGuard>();
    QApplication app(qtArgc, argv);
    guard.reset();
    zelvo::QtMessageBox messages;
    // The box shows a name that is not UTF-8 as the folder list does.
    const std::string shownName = zelvo::displayText(refusal.name).toStdString();
    messages.show(refusal.sentence(shownName), "Zelvo", zelvo::MessageButtons::Ok, zelvo::MessageIcon::Critical);
}

} // namespace

// Zelvo keeps no settings: it starts in the folder it was started from, or in
// the one its argument names, with the main window, and ends when its last
// window closes or an exit path of the main window ends it.
int main(int argc, char* argv[])
{
    const zelvo::StartRequest request =
        zelvo::parseCommandLine({argv + 1, static_cast<std::size_t>(argc > 0 ? argc - 1 : 0)});
    switch (request.action) {
    case zelvo::StartRequest::Action::ShowHelp:
        std::fputs(zelvo::helpText().c_str(), stdout);
        return 0;
    case zelvo::StartRequest::Action::ShowVersion:
        std::printf("Zelvo %s\n", zelvo::frmAbout::versionText().toUtf8().constData());
        return 0;
    case zelvo::StartRequest::Action::WrongUsage:
        std::fprintf(stderr, "zelvo: %s\n", request.error.c_str());
        return 2;
    case zelvo::StartRequest::Action::Start:
        break;
    }

    // The folder is entered before Qt starts, so that nothing (the window,
    // the log) ever sees the folder the program was started from.
    if (request.folder) {
        if (const auto refusal = zelvo::enterStartFolder(*request.folder)) {
            tellRefusedFolder(*refusal, argv);
            return 1;
        }
    }

    if (const auto missing = zelvo::missingDisplay(displayEnvironment())) {
        std::fprintf(stderr, "zelvo: %s\n", missing->c_str());
        return 1;
    }

    // Every argument was Zelvo's own: Qt sees only the program's name.
    int qtArgc = 1;
    auto guard = std::make_unique<DisplayGuard>();
    QApplication app(qtArgc, argv);
    guard.reset();

    zelvo::PosixFileSystem fileSystem;
    zelvo::QtDateText dates;
    zelvo::QtMessageBox messages;
    zelvo::QtPictureLoader pictures;
    zelvo::QtHelpViewer help;
    zelvo::QtDrives drives;

    zelvo::Form1 window({fileSystem, dates, messages, pictures, help, drives});
    // Message boxes are centred on the main window, which exists only now.
    messages.setParentWindow(&window);
    window.show();
    return app.exec();
}
