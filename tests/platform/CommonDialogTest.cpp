#include "platform/CommonDialog.h"
#include "fakes/FakeHelpViewer.h"

#include <QTest>

using namespace zelvo;

class CommonDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void showHelpHandsTheCurrentFileAndCommandToTheViewer()
    {
        FakeHelpViewer viewer;
        CommonDialog dialog(viewer);
        dialog.CancelError = true;
        dialog.HelpCommand = HelpViewer::kForceFile;
        dialog.HelpFile = "Zelvo.hlp";
        dialog.ShowHelp();

        dialog.HelpFile = "Otro.hlp";
        dialog.HelpCommand = 3;
        dialog.ShowHelp();

        const std::vector<FakeHelpViewer::Request> expected{{"Zelvo.hlp", 9}, {"Otro.hlp", 3}};
        QVERIFY(viewer.requests() == expected);
        QVERIFY(dialog.CancelError);
    }
};

QTEST_GUILESS_MAIN(CommonDialogTest)
#include "CommonDialogTest.moc"
