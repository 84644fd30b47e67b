#include "platform/PosixFileSystem.h"
#include "platform/QtDateText.h"
#include "platform/QtDrives.h"
#include "platform/QtHelpViewer.h"
#include "platform/QtMessageBox.h"
#include "platform/QtPictureLoader.h"
#include "ui/main/Form1.h"

#include <QApplication>
// The help viewer's header hands out its window inline and needs the type.
#include <QTextBrowser>

// Zelvo takes no arguments and keeps no settings: it starts in the folder it
// was started from, with the main window, and ends when its last window
// closes or an exit path of the main window ends it.
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);

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
