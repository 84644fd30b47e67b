#include "Form1Harness.h"
#include "ui/about/frmAbout.h"
#include "ui/main/RowListView.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace zelvo;

namespace {

QList<frmAbout*> aboutBoxes()
{
    QList<frmAbout*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<frmAbout*>(widget))
            boxes << box;
    }
    return boxes;
}

const FakeHelpViewer::Request kHelpRequest{"Zelvo.hlp", HelpViewer::kForceFile};

} // namespace

class HelpMenuTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup()
    {
        // A box outlives the window that opened it; none may leak into the
        // next case.
        qDeleteAll(aboutBoxes());
    }

    void ayudaHandsZelvoHlpWithTheForceFileCommandOnEveryUse()
    {
        QTemporaryDir folder;
        Form1Harness harness(folder.path());
        harness.window->Ayuda_Click();
        harness.window->Ayuda->trigger();
        const std::vector<FakeHelpViewer::Request> expected{kHelpRequest, kHelpRequest};
        QVERIFY(harness.help.requests() == expected);
    }

    void f1OpensHelpWhicheverControlHasTheFocus()
    {
        QTemporaryDir folder;
        Form1Harness harness(folder.path());
        QVERIFY(harness.showActive());
        QWidget* const controls[] = {harness.window->Dir1, harness.window->File1,
                                     harness.window->List1, harness.window->Command2,
                                     harness.window->Option5};
        for (QWidget* control : controls) {
            control->setFocus();
            QTest::keyClick(control, Qt::Key_F1);
        }
        QCOMPARE(harness.help.requests().size(), std::size(controls));
        for (const auto& request : harness.help.requests())
            QVERIFY(request == kHelpRequest);
        QCOMPARE(harness.programEnds, 0);
    }

    void choosingAboutTwiceLeavesOneBoxInFront()
    {
        QTemporaryDir folder;
        Form1Harness harness(folder.path());
        QVERIFY(harness.showActive());
        harness.window->about->trigger();
        QCOMPARE(aboutBoxes().size(), 1);
        QPointer<frmAbout> first = aboutBoxes().first();
        QVERIFY(QTest::qWaitForWindowExposed(first));

        harness.window->about->trigger();
        QCOMPARE(aboutBoxes().size(), 1);
        QCOMPARE(aboutBoxes().first(), first.data());
        QVERIFY(first->isVisible());
        QCOMPARE(first->windowTitle(), QStringLiteral("Acerca de Zelvo"));
        QCOMPARE(first->findChild<QLabel*>("lblVersion")->text(),
                 QStringLiteral("Versi\u00f3n 1.0.0"));
    }

    void closedBoxIsLoadedAfreshByTheNextChoice()
    {
        QTemporaryDir folder;
        Form1Harness harness(folder.path());
        harness.window->about_Click();
        QPointer<frmAbout> first = aboutBoxes().first();
        first->close();
        QTRY_VERIFY(first.isNull());

        harness.window->about_Click();
        QCOMPARE(aboutBoxes().size(), 1);
        QVERIFY(aboutBoxes().first()->isVisible());
    }

    void aboutBoxLeavesTheMainWindowUsableAndOutlivesIt()
    {
        QTemporaryDir folder;
        auto harness = std::make_unique<Form1Harness>(folder.path());
        harness->window->about_Click();
        QPointer<frmAbout> box = aboutBoxes().first();
        QVERIFY(box->parentWidget() == nullptr);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(harness->window->isEnabled());

        harness.reset();
        QVERIFY(!box.isNull());
        QVERIFY(box->isVisible());
    }
};

QTEST_MAIN(HelpMenuTest)
#include "HelpMenuTest.moc"
