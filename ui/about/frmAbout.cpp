#include "frmAbout.h"

#include "AboutArtwork.h"
#include "AboutVersion.h"
#include "ui/Twips.h"
#include "ui/main/Artwork.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace zelvo {

namespace {

QLabel* pictureLabel(QWidget* parent, const char* name, const QImage& picture, QPoint at)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setPixmap(QPixmap::fromImage(picture));
    // Pictures keep their natural size, whatever room the design gives them.
    label->setGeometry(QRect(at, picture.size()));
    return label;
}

QLabel* textLabel(QWidget* parent, const char* name, const QString& text, QRect where,
                  QColor colour)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(where);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

QWidget* lineControl(QWidget* parent, QRect where, QColor colour)
{
    auto* line = new QWidget(parent);
    line->setObjectName(QStringLiteral("Line1"));
    line->setGeometry(where);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
    return line;
}

} // namespace

frmAbout::frmAbout()
{
    setObjectName(QStringLiteral("frmAbout"));
    // Task bars list a parentless dialog as a window of its own, but skip a
    // tool window: Qt marks it as a utility window, transient for the program
    // as a whole, so the box needs no owner window to stay off the task bar.
    // (A window that refuses the focus would be skipped too, but Enter and
    // Esc need the focus.) The hints leave only the close box in the title bar.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    // Tool windows normally let the program end without them; this box keeps
    // it running until it is closed, like any other window of the program.
    setAttribute(Qt::WA_QuitOnClose, true);
    setAttribute(Qt::WA_DeleteOnClose, true);
    setModal(false);
    setFixedSize(kWidth, kHeight);
    setWindowIcon(QIcon(QPixmap::fromImage(about::globeEmblem())));

    // The layout was drawn for an 8-point dialog font; a wider default font
    // would push "1.0.0" out of lblVersion and the notice onto a third line.
    QFont dialogFont(QStringLiteral("Liberation Sans"));
    dialogFont.setStyleHint(QFont::SansSerif);
    dialogFont.setPointSize(8);
    setFont(dialogFont);

    createControls();
    stackControls();
    centreOnScreen();
    Form_Load();
}

void frmAbout::createControls()
{
    cmdOK = new QPushButton(QStringLiteral("Aceptar"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twipRect(3720, 3120, 1245, 345));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    Image4 =
        pictureLabel(this, "Image4", about::spanishFlag(), twipRect(120, 3120, 0, 0).topLeft());
    Label1 = textLabel(this, "Label1", QStringLiteral("© 2026 Zelvo"),
                       twipRect(3000, 2040, 1455, 255), palette().color(QPalette::HighlightedText));
    Image3 =
        pictureLabel(this, "Image3", about::globeEmblem(), twipRect(4440, 1920, 0, 0).topLeft());
    // The same picture as the main window's "Analizar" button.
    Image2 = pictureLabel(this, "Image2", analyzePicture().toImage(),
                          twipRect(4320, 120, 0, 0).topLeft());
    Image1 =
        pictureLabel(this, "Image1", about::bannerPicture(), twipRect(600, 120, 0, 0).topLeft());
    // The engraved separator: a dark grey rule with a white double-width rule
    // one pixel below and to its right.
    Line1[1] = lineControl(this, QRect(twipsToPixels(90), twipsToPixels(2445),
                                       twipsToPixels(5040 - 90), 1),
                           QColor(128, 128, 128));
    lblTitle = textLabel(this, "lblTitle", QStringLiteral("Título de la aplicación"),
                         twipRect(120, 0, 1692, 360), Qt::black);
    lblTitle->hide();
    Line1[0] = lineControl(this, QRect(twipsToPixels(105), twipsToPixels(2460),
                                       twipsToPixels(5040 - 105), 2),
                           Qt::white);
    lblVersion = textLabel(this, "lblVersion", QStringLiteral("Versión 1.0.0"),
                           twipRect(3000, 720, 1005, 225), palette().color(QPalette::WindowText));
    lblDisclaimer = textLabel(this, "lblDisclaimer",
                              QStringLiteral("Programa de libre distribución (freeware).        "
                                             "Puede copiarlo y distribuirlo sin limitación. "),
                              twipRect(2040, 2520, 3132, 468), QColor(255, 255, 0));

    // A screen reader says what the pictures show; the texts read as they are.
    const std::pair<QLabel*, const char*> pictures[]{{Image1, "Quervaleta"},
                                                     {Image2, "Dos figuras numeradas"},
                                                     {Image3, "Globo terráqueo"},
                                                     {Image4, "Bandera de España"}};
    for (const auto& [picture, name] : pictures)
        picture->setAccessibleName(QString::fromUtf8(name));
}

void frmAbout::stackControls()
{
    // Listed from front to back; raising them from the back leaves the first
    // one in front.
    QWidget* const frontToBack[] = {cmdOK,    Image4,   Label1,   Image3,     Image2,       Image1,
                                    Line1[1], lblTitle, Line1[0], lblVersion, lblDisclaimer};
    for (auto it = std::rbegin(frontToBack); it != std::rend(frontToBack); ++it)
        (*it)->raise();
    cmdOK->setFocus();
}

void frmAbout::centreOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    move(available.center() - QPoint(kWidth / 2, kHeight / 2));
}

QString frmAbout::versionText()
{
    return QStringLiteral("Versión %1.%2.%3")
        .arg(about::kVersionMajor)
        .arg(about::kVersionMinor)
        .arg(about::kVersionRevision);
}

void frmAbout::Form_Load()
{
    const QString title = QString::fromUtf8(about::kApplicationTitle);
    setWindowTitle(QStringLiteral("Acerca de ") + title);
    lblVersion->setText(versionText());
    lblTitle->setText(title);
}

void frmAbout::cmdOK_Click()
{
    close();
}

void frmAbout::paintEvent(QPaintEvent*)
{
    // Drawn unscaled from the top-left corner: the box shows only that part
    // of the larger picture.
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), about::backgroundPicture());
}

} // namespace zelvo
