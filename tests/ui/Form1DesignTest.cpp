#include "Form1Harness.h"
#include "ui/main/PictureButton.h"
#include "ui/main/RowListView.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAction>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace zelvo;

namespace {

bool hasColour(const QImage& image, bool (*matches)(QColor))
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).alpha() > 200 && matches(image.pixelColor(x, y)))
                return true;
    return false;
}

bool isRed(QColor c) { return c.red() > 180 && c.green() < 80 && c.blue() < 80; }
bool isPurple(QColor c) { return c.red() > 80 && c.blue() > 120 && c.green() < c.red() - 30; }

} // namespace

class Form1DesignTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_folder.isValid());
        writeFile(m_folder.filePath("b.txt"), "22");
        writeFile(m_folder.filePath("A.txt"), "333");
        writeFile(m_folder.filePath("c.txt"), "1");
    }

    void theWindowLoadsWithTheDesignsStartState()
    {
        Form1Harness harness(m_folder.path());
        Form1& w = *harness.window;

        QCOMPARE(w.windowTitle(), QStringLiteral("Zelvo"));
        QCOMPARE(w.Dir1->path(), raw(m_folder.path()));
        QCOMPARE(Form1Harness::rowsOf(w.File1), (QStringList{"A.txt", "b.txt", "c.txt"}));
        QCOMPARE(w.NumArchivos(), std::size_t(3));
        QCOMPARE(w.listing().sizes, (std::vector<ByteCount>{1, 2, 3}));
        QCOMPARE(w.Label6->text(), QStringLiteral("3 archivos a procesar"));
        QCOMPARE(w.Label3->text(), QStringLiteral("  Archivos duplicados"));
        QVERIFY(w.Option5->isChecked());
        for (QRadioButton* other : {w.Option1, w.Option2, w.Option3, w.Option4})
            QVERIFY(!other->isChecked());
        QCOMPARE(w.Text1->text(), QStringLiteral("*.*"));
        QCOMPARE(w.pattern(), std::string("*.*"));
        QVERIFY(!w.Command3->isEnabled());
        QVERIFY(w.Command1->isEnabled());
        QVERIFY(w.log->isCheckable());
        QVERIFY(!w.log->isChecked());
        QCOMPARE(w.List1->model()->rowCount(), 0);

        for (QWidget* hidden : std::initializer_list<QWidget*>{
                 w.Text1, w.Text2, w.Image2, w.Label7, w.Label8, w.Label11, w.Label13, w.Label14})
            QVERIFY2(hidden->isHidden(), qPrintable(hidden->objectName()));
        for (QLabel* empty : {w.Label1, w.Label4, w.Label5, w.Label10}) {
            QVERIFY(!empty->isHidden());
            QVERIFY(empty->text().isEmpty());
        }
        QCOMPARE(w.Label7->text(), QStringLiteral("0|"));
        QCOMPARE(w.Label8->text(), QStringLiteral("|100"));
        QCOMPARE(w.Label13->text(), QStringLiteral("0|"));
        QCOMPARE(w.Label14->text(), QStringLiteral("|100"));
        QCOMPARE(w.Label9->text(), QStringLiteral(" Información de archivo"));
        QCOMPARE(w.Label11->text(), QStringLiteral("Comparando con:"));
        QCOMPARE(w.Label15->text(), QStringLiteral("Archivos en directorio"));
        QCOMPARE(w.Label17->text(), QStringLiteral("Quervaleta V1.0.0"));
        QCOMPARE(w.Frame1->title(), QStringLiteral("tipo"));
        QCOMPARE(w.Command1->text(), QStringLiteral("Analizar"));
        QCOMPARE(w.Command2->text(), QStringLiteral("Salir"));
        QCOMPARE(w.Command3->text(), QStringLiteral("Borrar"));
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void theClientAreaIsFixedAt698By384BelowTheMenuBar()
    {
        Form1Harness harness(m_folder.path());
        Form1& w = *harness.window;
        QVERIFY(harness.showActive());
        QCOMPARE(w.centralWidget()->size(), QSize(698, 384));
        QCOMPARE(w.centralWidget()->y(), w.menuBar()->height());
        QCOMPARE(w.minimumSize(), w.maximumSize());
        const Qt::WindowFlags flags = w.windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!w.windowIcon().isNull());
    }

    void controlsSitWhereTheDesignPutsThem_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QRect>("place");
        QTest::newRow("Dir1") << "Dir1" << QRect(16, 40, 185, 171);
        QTest::newRow("File1") << "File1" << QRect(208, 40, 169, 149);
        QTest::newRow("List1") << "List1" << QRect(384, 40, 297, 147);
        QTest::newRow("Drive1") << "Drive1" << QRect(16, 16, 185, 21);
        QTest::newRow("Command1") << "Command1" << QRect(608, 224, 81, 49);
        QTest::newRow("Command2") << "Command2" << QRect(608, 336, 81, 33);
        QTest::newRow("Shape1") << "Shape1" << QRect(16, 224, 457, 145);
        QTest::newRow("Text2") << "Text2" << QRect(208, 248, 257, 113);
        QTest::newRow("Image2") << "Image2" << QRect(264, 248, 141, 106);
        QTest::newRow("Label10") << "Label10" << QRect(64, 344, 353, 17);
        QTest::newRow("Option4 in Frame1") << "Option4" << QRect(24, 80, 65, 25);
    }

    void controlsSitWhereTheDesignPutsThem()
    {
        QFETCH(QString, control);
        QFETCH(QRect, place);
        Form1Harness harness(m_folder.path());
        Form1& w = *harness.window;
        const std::map<QString, QWidget*> controls{
            {"Dir1", w.Dir1},         {"File1", w.File1},       {"List1", w.List1},
            {"Drive1", w.Drive1},     {"Command1", w.Command1}, {"Command2", w.Command2},
            {"Shape1", w.Shape1},     {"Text2", w.Text2},       {"Image2", w.Image2},
            {"Label10", w.Label10},   {"Option4", w.Option4}};
        QCOMPARE(controls.at(control)->geometry(), place);
    }

    void overlappingControlsStackAsTheDesignSays()
    {
        Form1Harness harness(m_folder.path());
        Form1& w = *harness.window;
        w.Text2->show();
        w.Image2->show();
        QWidget* client = w.centralWidget();
        // Text2 lies in front of the picture area and the panel.
        QVERIFY(w.Text2->isAncestorOf(client->childAt(w.Image2->geometry().center())));
        // A transparent label lies in front of the panel it stands on.
        QCOMPARE(client->childAt(w.Label12->geometry().topLeft() + QPoint(2, 2)), w.Label12);
        // Text1 lies in front of the frame around the option buttons.
        w.Text1->show();
        QVERIFY(w.Text1->isAncestorOf(client->childAt(w.Text1->geometry().center())) ||
                client->childAt(w.Text1->geometry().center()) == w.Text1);
    }

    void fontsAndColoursFollowTheDesign()
    {
        Form1Harness harness(m_folder.path());
        Form1& w = *harness.window;
        // Arial is served by the metric-compatible Liberation Sans.
        QCOMPARE(QFontInfo(w.Label10->font()).family(), QStringLiteral("Liberation Sans"));
        QCOMPARE(w.Label10->font().pixelSize(), 16);
        QCOMPARE(w.Label2->font().pixelSize(), 19);
        QCOMPARE(w.Label1->font().pixelSize(), 12);
        QCOMPARE(w.Text1->font().pixelSize(), 12);
        QCOMPARE(w.Label3->font().pixelSize(), 10);
        QCOMPARE(w.Text2->font().pixelSize(), 9);
        QCOMPARE(w.Label10->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(w.Label1->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(w.Label2->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QCOMPARE(w.Shape1->palette().color(w.Shape1->backgroundRole()), QColor(255, 192, 128));
        QCOMPARE(w.Option1->palette().color(w.Option1->backgroundRole()), QColor(128, 128, 128));
        // The labels on the panel let it show through; the others are opaque.
        QVERIFY(!w.Label1->autoFillBackground());
        QVERIFY(!w.Label12->autoFillBackground());
        QVERIFY(w.Label3->autoFillBackground());
        QVERIFY(w.Label9->autoFillBackground());
    }

    void toolTipsSayWhatTheControlsDo()
    {
        Form1Harness harness(m_folder.path());
        Form1& w = *harness.window;
        QCOMPARE(w.Text2->toolTip(), QStringLiteral("Visor de archivos"));
        QCOMPARE(w.Command3->toolTip(), QStringLiteral("Borrar archivos seleccionados"));
        QCOMPARE(w.Frame1->toolTip(), QStringLiteral("Seleccion de tipos de archivo"));
        QCOMPARE(w.Command1->toolTip(),
                 QStringLiteral("Buscar archivos duplicados en el directorio seleccionado"));
    }

    void aScreenReaderHearsEveryControlByName_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::newRow("Dir1") << "Dir1" << "Carpetas" << "";
        QTest::newRow("File1") << "File1" << "Archivos de la carpeta" << "";
        QTest::newRow("List1") << "List1" << "Archivos duplicados" << "";
        QTest::newRow("Text1") << "Text1" << "Tipos de archivo" << "";
        QTest::newRow("Text2") << "Text2" << "Vista previa del archivo" << "Visor de archivos";
        QTest::newRow("Command3") << "Command3" << "Borrar" << "Borrar archivos seleccionados";
        // The size and the date are read after their captions.
        QTest::newRow("Label4") << "Label4" << "Tamaño: 3 bytes" << "";
        QTest::newRow("Label5 empty") << "Label5" << "Fecha" << "";
    }

    void aScreenReaderHearsEveryControlByName()
    {
        QFETCH(QString, control);
        QFETCH(QString, name);
        QFETCH(QString, description);
        Form1Harness harness(m_folder.path());
        Form1& w = *harness.window;
        w.setCaption(Control::Label4, "3 bytes");
        const std::map<QString, QWidget*> controls{
            {"Dir1", w.Dir1},   {"File1", w.File1},   {"List1", w.List1},
            {"Text1", w.Text1}, {"Text2", w.Text2},   {"Command3", w.Command3},
            {"Label4", w.Label4}, {"Label5", w.Label5}};
        QAccessibleInterface* read = QAccessible::queryAccessibleInterface(controls.at(control));
        QVERIFY(read);
        QCOMPARE(read->text(QAccessible::Name), name);
        QCOMPARE(read->text(QAccessible::Description), description);
    }

    void theDriveListIsNamedByAnUnseenLabel()
    {
        Form1Harness harness(m_folder.path());
        QAccessibleInterface* drive = QAccessible::queryAccessibleInterface(harness.window->Drive1);
        const auto labels = drive->relations(QAccessible::Label);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels.first().first->text(QAccessible::Name), QStringLiteral("Unidad"));
        QVERIFY(!static_cast<QWidget*>(labels.first().first->object())->isVisible());
    }

    void theBulletBarsReadAsProgressBarsFollowingTheirBullets()
    {
        Form1Harness harness(m_folder.path());
        Form1& w = *harness.window;
        const auto bullets = [](int count) {
            std::string text;
            for (int i = 0; i < count; ++i)
                text += "\xE2\x80\xA2";
            return text;
        };
        const struct {
            Control bar;
            int count;
            int percent;
        } readings[]{{Control::Label2, 0, 0},  {Control::Label2, 20, 50},  {Control::Label2, 39, 97},
                     {Control::Label10, 59, 98}, {Control::Label10, 60, 100}};
        for (const auto& reading : readings) {
            w.setCaption(reading.bar, bullets(reading.count));
            QLabel* label = reading.bar == Control::Label2 ? w.Label2 : w.Label10;
            QAccessibleInterface* read = QAccessible::queryAccessibleInterface(label);
            QCOMPARE(read->role(), QAccessible::ProgressBar);
            QCOMPARE(read->valueInterface()->currentValue().toInt(), reading.percent);
            QCOMPARE(read->valueInterface()->maximumValue().toInt(), 100);
        }
        QCOMPARE(QAccessible::queryAccessibleInterface(w.Label2)->text(QAccessible::Name),
                 QStringLiteral("Progreso del análisis"));
        QCOMPARE(QAccessible::queryAccessibleInterface(w.Label10)->text(QAccessible::Name),
                 QStringLiteral("Progreso de la comparación"));
    }

    void theButtonsShowTheirOwnPictures()
    {
        Form1Harness harness(m_folder.path());
        Form1& w = *harness.window;
        const QImage analyze = w.Command1->picture().toImage();
        const QImage erase = w.Command3->picture().toImage();
        QCOMPARE(analyze.size(), QSize(36, 33));
        QCOMPARE(erase.size(), QSize(36, 33));
        QVERIFY(hasColour(analyze, isPurple));
        QVERIFY(!hasColour(analyze, isRed));
        // The delete picture crosses figure 2 out in red.
        QVERIFY(hasColour(erase, isRed));
        // Transparent around the figures.
        QCOMPARE(analyze.pixelColor(0, 32).alpha(), 0);
        QVERIFY(w.windowIcon().availableSizes().contains(QSize(32, 32)));
    }

    void tabGoesThroughTheControlsInTheDesignsOrder()
    {
        Form1Harness harness(m_folder.path());
        Form1& w = *harness.window;
        QVERIFY(harness.showActive());
        QCOMPARE(QApplication::focusWidget(), w.Dir1);
        // Text1 is hidden and Command3 disabled: both are skipped; the
        // option buttons are one stop, on the selected one.
        const QList<QWidget*> expected{w.File1, w.Command1, w.List1, w.Drive1, w.Option5,
                                       w.Command2};
        for (QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        w.Command3->setEnabled(true);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w.Command3);

        // Another selected option button becomes the group's stop.
        w.Option2->click();
        w.Drive1->setFocus();
        QTest::keyClick(w.Drive1, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w.Option2);
        QTest::keyClick(w.Option2, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w.Command2);
    }

    void theMenusHoldTheirItemsWithAccessKeysAndShortcuts()
    {
        Form1Harness harness(m_folder.path());
        Form1& w = *harness.window;
        QCOMPARE(w.Archivo->title(), QStringLiteral("&Archivo"));
        QCOMPARE(w.Ayudam->title(), QStringLiteral("A&yuda"));
        QCOMPARE(w.Archivo->actions(), (QList<QAction*>{w.log, w.ver, w.BorraLog, w.Salir}));
        QCOMPARE(w.Ayudam->actions(), (QList<QAction*>{w.Ayuda, w.about}));
        QCOMPARE(w.log->text(), QStringLiteral("&Activar Log"));
        QCOMPARE(w.ver->text(), QStringLiteral("&Ver Log"));
        QCOMPARE(w.BorraLog->text(), QStringLiteral("&Borrar Log"));
        QCOMPARE(w.Salir->text(), QStringLiteral("&Salir"));
        QCOMPARE(w.Ayuda->text(), QStringLiteral("Ayuda"));
        QCOMPARE(w.about->text(), QStringLiteral("A&cerca de"));
        QCOMPARE(w.log->shortcut(), QKeySequence(QStringLiteral("Ctrl+L")));
        QCOMPARE(w.ver->shortcut(), QKeySequence(QStringLiteral("Ctrl+V")));
        QCOMPARE(w.BorraLog->shortcut(), QKeySequence(QStringLiteral("Ctrl+B")));
        QCOMPARE(w.Ayuda->shortcut(), QKeySequence(Qt::Key_F1));
        QVERIFY(w.Salir->shortcut().isEmpty());
        QVERIFY(w.about->shortcut().isEmpty());
    }

    void menuShortcutsWorkWithoutOpeningTheMenuWhereverTheFocusIs()
    {
        Form1Harness harness(m_folder.path());
        Form1& w = *harness.window;
        QVERIFY(harness.showActive());
        // Text1 would keep Ctrl+V for pasting if the menu did not come first.
        w.Option4->click();
        w.Text1->setFocus();
        QSignalSpy log(w.log, &QAction::triggered);
        QSignalSpy ver(w.ver, &QAction::triggered);
        QSignalSpy borraLog(w.BorraLog, &QAction::triggered);
        QTest::keyClick(w.Text1, Qt::Key_L, Qt::ControlModifier);
        QTest::keyClick(w.Text1, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w.Text1->text(), QStringLiteral("*.*"));
        w.Dir1->setFocus();
        QTest::keyClick(w.Dir1, Qt::Key_B, Qt::ControlModifier);
        QTest::keyClick(w.Dir1, Qt::Key_F1);
        QCOMPARE(log.count(), 1);
        QCOMPARE(ver.count(), 1);
        QCOMPARE(borraLog.count(), 1);
        QCOMPARE(harness.help.requests().size(), std::size_t(1));
    }

    void everyExitPathEndsTheProgramAtOnce()
    {
        Form1Harness harness(m_folder.path());
        Form1& w = *harness.window;
        QVERIFY(harness.showActive());
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        QCOMPARE(harness.programEnds, 1);
        w.Salir->trigger();
        QCOMPARE(harness.programEnds, 2);
        // Intro on the focused "Salir", as on any button of the desktop.
        w.Command2->setFocus();
        QTest::keyClick(w.Command2, Qt::Key_Return);
        QCOMPARE(harness.programEnds, 3);
        QCOMPARE(harness.messages.callCount(), std::size_t(0));
    }

    void introOnAnalizarAnalysesAndAnyOtherCharacterKeyEndsTheProgram()
    {
        Form1Harness harness(m_folder.path());
        Form1& w = *harness.window;
        QVERIFY(harness.showActive());
        w.Command1->setFocus();
        // Tab only moves on.
        QTest::keyClick(w.Command1, Qt::Key_Tab);
        QCOMPARE(harness.programEnds, 0);
        w.Command1->setFocus();
        QTest::keyClick(w.Command1, Qt::Key_Space);
        QCOMPARE(harness.programEnds, 1);
        // No analysis ran: it would have written its count.
        QCOMPARE(w.Label3->text(), QStringLiteral("  Archivos duplicados"));
        w.Command1->setFocus();
        QTest::keyClick(w.Command1, Qt::Key_X);
        QCOMPARE(harness.programEnds, 2);
        // Intro, from the main keys or the keypad, analyses like a click.
        for (const Qt::Key intro : {Qt::Key_Return, Qt::Key_Enter}) {
            w.Label3->clear();
            QTest::keyClick(w.Command1, intro, intro == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
            QCOMPARE(w.Label3->text(), QStringLiteral("0 Archivos duplicados"));
        }
        QCOMPARE(harness.programEnds, 2);
    }

private:
    QTemporaryDir m_folder;
};

QTEST_MAIN(Form1DesignTest)
#include "Form1DesignTest.moc"
