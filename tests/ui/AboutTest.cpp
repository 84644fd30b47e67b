#include "ui/about/AboutArtwork.h"
#include "ui/about/frmAbout.h"
#include "ui/main/Artwork.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

using namespace zelvo;

namespace {

QLabel* label(QWidget& box, const char* name)
{
    auto* found = box.findChild<QLabel*>(QLatin1String(name));
    if (!found)
        qFatal("no label %s", name);
    return found;
}

// The number of lines a label needs for its text at its own width.
int linesNeeded(const QLabel& label)
{
    const QFontMetrics metrics(label.font());
    const QRect needed =
        metrics.boundingRect(QRect(0, 0, label.width(), 1000), Qt::TextWordWrap, label.text());
    return (needed.height() + metrics.lineSpacing() / 2) / metrics.lineSpacing();
}

QColor textColour(const QLabel& label)
{
    return label.palette().color(QPalette::WindowText);
}

} // namespace

class AboutTest : public QObject {
    Q_OBJECT
  private slots:
    void loadingSetsCaptionVersionLineAndHiddenTitle()
    {
        frmAbout box;
        box.show();
        QCOMPARE(box.windowTitle(), QStringLiteral("Acerca de Zelvo"));
        QCOMPARE(label(box, "lblVersion")->text(), QStringLiteral("Versi\u00f3n 1.0.0"));
        QCOMPARE(label(box, "lblTitle")->text(), QStringLiteral("Zelvo"));
        QVERIFY(!label(box, "lblTitle")->isVisible());
        QVERIFY(label(box, "lblVersion")->isVisible());
    }

    void noticesKeepTheirTextsAndColours()
    {
        frmAbout box;
        QLabel* disclaimer = label(box, "lblDisclaimer");
        QCOMPARE(disclaimer->text(),
                 QStringLiteral("Programa de libre distribuci\u00f3n (freeware).        "
                                "Puede copiarlo y distribuirlo sin limitaci\u00f3n. "));
        QCOMPARE(textColour(*disclaimer), QColor(255, 255, 0));
        QCOMPARE(label(box, "Label1")->text(), QStringLiteral("\u00a9 2026 Zelvo"));
        QCOMPARE(textColour(*label(box, "Label1")), box.palette().color(QPalette::HighlightedText));
    }

    void textsFitTheirLabelsAsDesigned()
    {
        frmAbout box;
        QCOMPARE(linesNeeded(*label(box, "lblVersion")), 1);
        QCOMPARE(linesNeeded(*label(box, "Label1")), 1);
        QLabel* disclaimer = label(box, "lblDisclaimer");
        QCOMPARE(linesNeeded(*disclaimer), 2);
        QVERIFY(2 * QFontMetrics(disclaimer->font()).lineSpacing() <= disclaimer->height());
    }

    void boxIsAFixedToolWindowWithOnlyACloseBox()
    {
        frmAbout box;
        QCOMPARE(box.size(), QSize(344, 237));
        QCOMPARE(box.minimumSize(), box.maximumSize());
        QCOMPARE(box.windowType(), Qt::Tool);
        const Qt::WindowFlags flags = box.windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(flags & Qt::WindowContextHelpButtonHint));
        QVERIFY(!box.isModal());
        QVERIFY(box.parentWidget() == nullptr);
        QCOMPARE(box.windowIcon().pixmap(32, 32).size(), QSize(32, 32));
    }

    void boxIsCentredOnTheScreen()
    {
        frmAbout box;
        const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
        const QPoint boxCentre = box.geometry().center();
        QVERIFY2((boxCentre - screenCentre).manhattanLength() <= 2, "box is not centred");
    }

    void controlsLieWhereTheDesignPutsThem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("cmdOK") << "cmdOK" << QRect(248, 208, 83, 23);
        QTest::newRow("Image4") << "Image4" << QRect(8, 208, 32, 32);
        QTest::newRow("Label1") << "Label1" << QRect(200, 136, 97, 17);
        QTest::newRow("Image3") << "Image3" << QRect(296, 128, 32, 32);
        QTest::newRow("Image2") << "Image2" << QRect(288, 8, 36, 33);
        QTest::newRow("Image1") << "Image1" << QRect(40, 8, 208, 34);
        QTest::newRow("lblTitle") << "lblTitle" << QRect(8, 0, 113, 24);
        QTest::newRow("lblVersion") << "lblVersion" << QRect(200, 48, 67, 15);
        QTest::newRow("lblDisclaimer") << "lblDisclaimer" << QRect(136, 168, 209, 31);
    }

    void controlsLieWhereTheDesignPutsThem()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        frmAbout box;
        QWidget* control = box.findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), geometry);
    }

    void pictureOfAnalizarIsTheOneOnTheMainWindowButton()
    {
        frmAbout box;
        const QImage shown =
            label(box, "Image2")->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(shown, analyzePicture().toImage().convertToFormat(QImage::Format_ARGB32));
    }

    void controlsAreStackedInTheDesignOrder()
    {
        frmAbout box;
        QStringList backToFront;
        for (QObject* child : box.children()) {
            if (child->isWidgetType())
                backToFront << child->objectName();
        }
        const QStringList expected{"lblDisclaimer", "lblVersion", "Line1",  "lblTitle",
                                   "Line1",         "Image1",     "Image2", "Image3",
                                   "Label1",        "Image4",     "cmdOK"};
        QCOMPARE(backToFront, expected);
    }

    void separatorIsEngravedAndBackgroundShowsItsTopLeftCorner()
    {
        frmAbout box;
        const QImage shown = box.grab().toImage();
        QCOMPARE(shown.pixelColor(100, 163), QColor(128, 128, 128));
        QCOMPARE(shown.pixelColor(100, 164), QColor(Qt::white));
        QCOMPARE(shown.pixelColor(100, 165), QColor(Qt::white));
        QCOMPARE(shown.pixelColor(6, 163), QColor(128, 128, 128));
        QVERIFY(shown.pixelColor(6, 164) != QColor(Qt::white));
        // Away from every control the box shows the picture pixel for pixel.
        const QImage background = about::backgroundPicture();
        for (const QPoint at :
             {QPoint(2, 60), QPoint(120, 100), QPoint(340, 100), QPoint(100, 230)})
            QCOMPARE(shown.pixelColor(at), background.pixelColor(at));
    }

    void enterClosesAndDestroysTheBox()
    {
        QPointer<frmAbout> box = new frmAbout;
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box));
        QTest::keyClick(box, Qt::Key_Return);
        QTRY_VERIFY(box.isNull());
    }

    void escapeClosesAndDestroysTheBox()
    {
        QPointer<frmAbout> box = new frmAbout;
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box));
        QTest::keyClick(box, Qt::Key_Escape);
        QTRY_VERIFY(box.isNull());
    }

    void aceptarClosesAndDestroysTheBox()
    {
        QPointer<frmAbout> box = new frmAbout;
        box->show();
        auto* ok = box->findChild<QPushButton*>(QStringLiteral("cmdOK"));
        QCOMPARE(ok->text(), QStringLiteral("Aceptar"));
        QVERIFY(ok->isDefault());
        QTest::mouseClick(ok, Qt::LeftButton);
        QTRY_VERIFY(box.isNull());
    }

    // Runs the event loop to its end, so it comes last.
    void openBoxKeepsTheProgramRunningAfterTheMainWindowCloses()
    {
        QWidget mainWindow;
        mainWindow.show();
        QPointer<frmAbout> box = new frmAbout;
        box->show();
        bool stillRunningWithTheBox = false;
        QTimer::singleShot(0, &mainWindow, [&] { mainWindow.close(); });
        QTimer::singleShot(100, box, [&] {
            stillRunningWithTheBox = true;
            box->close();
        });
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(stillRunningWithTheBox);
        QVERIFY(box.isNull());
    }
};

QTEST_MAIN(AboutTest)
#include "AboutTest.moc"
