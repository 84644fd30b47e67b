// The window's design: every control at its place and size, with its caption,
// font, colours, tool tip and initial state; the menus; the tab order.

#include "Form1.h"

#include "AccessibleLabels.h"
#include "Artwork.h"
#include "DirectoryList.h"
#include "DriveList.h"
#include "DuplicateRowModel.h"
#include "FileNameModel.h"
#include "PictureButton.h"
#include "RowListView.h"
#include "ui/Twips.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QRadioButton>
#include <QStyleOptionGroupBox>
#include <QScreen>

namespace zelvo {

namespace {

// Fonts are set in pixels, so that the text keeps its size relative to the
// controls (which the design gives in pixels) whatever the screen's dots per
// inch. Arial resolves to the metric-compatible Liberation Sans on Debian.
QFont arial(double points)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(int(points * 96.0 / 72.0 + 0.5));
    return font;
}

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

void setBackground(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(widget->backgroundRole(), colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// Draws a frame's caption on its top line, as the design's frame has it, so
// that the option buttons, placed from the frame's top edge, start below the
// line rather than across it. Only the frame uses it; its children keep the
// application's style.
class CaptionOnFrameLine final : public QProxyStyle {
public:
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                         SubControl part, const QWidget* widget) const override
    {
        QRect rect = QProxyStyle::subControlRect(control, option, part, widget);
        if (control == CC_GroupBox && part == SC_GroupBoxFrame)
            rect.setTop(option->rect.top() + option->fontMetrics.height() / 2);
        if (control == CC_GroupBox && part == SC_GroupBoxLabel)
            rect.translate(6, 0);
        return rect;
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        if (element != PE_FrameGroupBox) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        painter->save();
        painter->setPen(option->palette.color(QPalette::Mid));
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override
    {
        const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
        if (control != CC_GroupBox || !box) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        QStyleOptionGroupBox part = *box;
        part.subControls = box->subControls & SC_GroupBoxFrame;
        QProxyStyle::drawComplexControl(control, &part, painter, widget);
        // The caption hides the line behind it.
        const QRect caption = subControlRect(control, option, SC_GroupBoxLabel, widget);
        painter->fillRect(caption.adjusted(-2, 0, 2, 0), option->palette.window());
        part.subControls = box->subControls & ~SC_GroupBoxFrame;
        QProxyStyle::drawComplexControl(control, &part, painter, widget);
    }
};

// The colours the design gives the labels' text.
enum class Ink { Default, Red, Blue, Workspace };

QColor colourOf(Ink ink)
{
    switch (ink) {
    case Ink::Red:
        return QColor(255, 0, 0);
    case Ink::Blue:
        return QColor(0, 0, 255);
    case Ink::Workspace:
        // The system colour of the application workspace: a mid grey.
        return QGuiApplication::palette().color(QPalette::Dark);
    case Ink::Default:
        break;
    }
    return {};
}

struct TwipPlace {
    int left, top, width, height;
};

// A label of the design. Transparent labels are exactly those lying on the
// panel Shape1 (and the title Label17): the panel shows through them.
struct LabelDesign {
    QLabel* Form1::*control;
    const char* caption;
    TwipPlace place;
    bool transparent = false;
    double points = 0; // 0: the window's default font
    Ink ink = Ink::Default;
    bool hidden = false;
};

// Created in this order, from Label1 to Label17.
const LabelDesign kLabels[] = {
    {&Form1::Label1, "", {360, 3480, 6615, 255}, true, 9, Ink::Red},
    {&Form1::Label2, "", {5880, 360, 3975, 255}, false, 14.25, Ink::Blue},
    {&Form1::Label3, "  Archivos duplicados", {5880, 3000, 3975, 255}, false, 7.5},
    {&Form1::Label4, "", {480, 3720, 2295, 255}, true, 9, Ink::Red},
    {&Form1::Label5, "", {360, 3960, 2175, 255}, true, 9, Ink::Red},
    {&Form1::Label6, "", {3240, 3000, 2295, 255}, false, 7.5},
    {&Form1::Label7, "0|", {5640, 360, 255, 375}, false, 0, Ink::Default, true},
    {&Form1::Label8, "|100", {9960, 360, 375, 255}, false, 0, Ink::Default, true},
    {&Form1::Label9, " Información de archivo", {480, 3240, 1575, 135}, false, 6.75},
    {&Form1::Label10, "", {960, 5160, 5295, 255}, true, 12, Ink::Red},
    {&Form1::Label11, "Comparando con:", {480, 4320, 1575, 255}, true, 0, Ink::Default, true},
    {&Form1::Label12, "", {360, 4560, 6375, 255}, true},
    {&Form1::Label13, "0|", {600, 5160, 255, 255}, true, 0, Ink::Default, true},
    {&Form1::Label14, "|100", {6480, 5160, 375, 255}, true, 0, Ink::Default, true},
    {&Form1::Label15, "Archivos en directorio", {3240, 360, 2295, 255}, false},
    {&Form1::Label16, "", {360, 4800, 2415, 255}, true},
    {&Form1::Label17, "Quervaleta V1.0.0", {8400, 0, 2415, 255}, true, 6.75, Ink::Workspace},
};

QRect pixelsOf(const TwipPlace& place)
{
    return twipRect(place.left, place.top, place.width, place.height);
}

PictureButton* pictureButton(QWidget* client, const QString& caption, const QPixmap& picture,
                             const TwipPlace& place, const QString& toolTip)
{
    auto* button = new PictureButton(caption, picture, client);
    button->setGeometry(pixelsOf(place));
    button->setToolTip(toolTip);
    return button;
}

RowListView* rowList(QWidget* client, QAbstractItemModel* rows,
                     QAbstractItemView::SelectionMode selection, const TwipPlace& place)
{
    auto* list = new RowListView(client);
    list->setModel(rows);
    list->setSelectionMode(selection);
    list->setGeometry(pixelsOf(place));
    return list;
}

} // namespace

void Form1::createControls()
{
    installAccessibleLabels();
    QWidget* client = createClientArea();
    createLabels(client);
    createPanel(client);

    Dir1 = new DirectoryList(client);
    Dir1->setGeometry(twipRect(240, 600, 2775, 2565));
    m_fileNames = new FileNameModel(this);
    File1 = rowList(client, m_fileNames, QAbstractItemView::ExtendedSelection,
                    {3120, 600, 2535, 2235});
    Command1 = pictureButton(
        client, QStringLiteral("Analizar"), analyzePicture(), {9120, 3360, 1215, 735},
        QStringLiteral("Buscar archivos duplicados en el directorio seleccionado"));
    m_rows = new DuplicateRowModel(this);
    m_rows->shareListing(&m_listing);
    List1 = rowList(client, m_rows, QAbstractItemView::SingleSelection, {5760, 600, 4455, 2205});
    Drive1 = new DriveList([this] { return m_services.drives.mountPoints(); }, client);
    Drive1->setGeometry(twipRect(240, 240, 2775, 315));

    createFileTypes(client);

    Text1 = new QLineEdit(QStringLiteral("*.*"), client);
    Text1->setGeometry(twipRect(7320, 5040, 1455, 300));
    Text1->setFont(arial(9));
    Text1->hide();
    Command2 = new QPushButton(QStringLiteral("Salir"), client);
    Command2->setGeometry(twipRect(9120, 5040, 1215, 495));
    Command3 = pictureButton(client, QStringLiteral("Borrar"), deletePicture(), {9120, 4200, 1215, 735},
                             QStringLiteral("Borrar archivos seleccionados"));
    Command3->setEnabled(false);
    createViewer(client);
    nameControls();

    stackControls();
    for (QWidget* button : std::initializer_list<QWidget*>{Command1, Command2, Command3})
        button->installEventFilter(this);
    for (QWidget* textBox : std::initializer_list<QWidget*>{Text1, Text2})
        textBox->installEventFilter(this);
}

QWidget* Form1::createClientArea()
{
    setWindowTitle(QStringLiteral("Zelvo"));
    setWindowIcon(QIcon(windowIconPicture()));
    // Fixed border, close box only; still a window of its own in the task bar.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto* client = new QWidget(this);
    client->setFixedSize(twipsToPixels(10470), twipsToPixels(5760));
    // The window's default font, for every control the design gives none.
    client->setFont(arial(8.25));
    setCentralWidget(client);
    return client;
}

void Form1::createLabels(QWidget* client)
{
    for (const LabelDesign& design : kLabels) {
        auto* label = new QLabel(client);
        this->*design.control = label;
        // How a label reads is settled before its first text, which would
        // otherwise be read (and cached) the plain way.
        readLabelAloud(label);
        label->setText(QString::fromUtf8(design.caption));
        label->setGeometry(pixelsOf(design.place));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setAutoFillBackground(!design.transparent);
        if (design.points > 0)
            label->setFont(arial(design.points));
        if (design.ink != Ink::Default)
            setTextColour(label, colourOf(design.ink));
        if (design.hidden)
            label->hide();
    }
}

void Form1::readLabelAloud(QLabel* label)
{
    if (label == Label2)
        readAsBulletBar(label, QStringLiteral("Progreso del análisis"), 40);
    else if (label == Label10)
        readAsBulletBar(label, QStringLiteral("Progreso de la comparación"), 60);
    else if (label == Label4)
        readWithCaption(label, QStringLiteral("Tamaño"));
    else if (label == Label5)
        readWithCaption(label, QStringLiteral("Fecha"));
    else if (label == Label12)
        readWithCaption(label, QStringLiteral("Comparando con"));
    else if (label == Label16)
        readWithCaption(label, QStringLiteral("Fecha del archivo comparado"));
}

void Form1::nameControls()
{
    // The names a screen reader says for the controls that have no caption
    // of their own, or whose caption is too terse to stand alone.
    const std::pair<QWidget*, const char*> names[]{
        {Drive1, "Unidad"},
        {Dir1, "Carpetas"},
        {File1, "Archivos de la carpeta"},
        {List1, "Archivos duplicados"},
        {Text1, "Tipos de archivo"},
        {Text2, "Vista previa del archivo"},
        {Image2, "Imagen del archivo"},
        {Frame1, "Tipo de archivo"},
    };
    for (const auto& [control, name] : names)
        control->setAccessibleName(QString::fromUtf8(name));
    // On this desktop Qt reads a drop-down list by its chosen item alone and
    // leaves its name to a label: one that is never shown, as the design has
    // no caption there.
    auto* driveCaption = new QLabel(QStringLiteral("Unidad"), Drive1->parentWidget());
    driveCaption->setBuddy(Drive1);
    driveCaption->hide();
    for (QWidget* tipped : std::initializer_list<QWidget*>{Command1, Command3, Frame1, Text2})
        tipped->setAccessibleDescription(tipped->toolTip());
}

void Form1::createPanel(QWidget* client)
{
    Shape1 = new QFrame(client);
    Shape1->setGeometry(twipRect(240, 3360, 6855, 2175));
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setLineWidth(1);
    setBackground(Shape1, QColor(255, 192, 128));

    // A one-pixel rule in the system's window background colour along the top
    // edge of the client area, under the menu bar.
    Line1 = new QFrame(client);
    Line1->setGeometry(0, 0, twipsToPixels(10440) + 1, 1);
    setBackground(Line1, QGuiApplication::palette().color(QPalette::Base));

    Image2 = new QLabel(client);
    Image2->setGeometry(twipRect(3960, 3720, 2115, 1590));
    Image2->setScaledContents(true);
    Image2->hide();
}

void Form1::createFileTypes(QWidget* client)
{
    Frame1 = new QGroupBox(QStringLiteral("tipo"), client);
    Frame1->setGeometry(twipRect(7200, 3240, 1695, 2295));
    Frame1->setToolTip(QStringLiteral("Seleccion de tipos de archivo"));
    auto* captionOnLine = new CaptionOnFrameLine;
    captionOnLine->setParent(Frame1);
    Frame1->setStyle(captionOnLine);
    auto option = [this](QRadioButton*& name, const QString& caption, QRect place) {
        name = new QRadioButton(caption, Frame1);
        name->setGeometry(place);
        setBackground(name, QColor(128, 128, 128));
    };
    // Created from the back to the front of the design's stacking order.
    option(Option1, QStringLiteral("JPG"), twipRect(360, 240, 975, 255));
    option(Option2, QStringLiteral("MP3"), twipRect(360, 480, 975, 255));
    option(Option3, QStringLiteral("AVI"), twipRect(360, 720, 975, 255));
    option(Option4, QStringLiteral("Otros"), twipRect(360, 1200, 975, 375));
    option(Option5, QStringLiteral("Todos"), twipRect(360, 960, 975, 315));
    Option5->setChecked(true);
}

void Form1::createViewer(QWidget* client)
{
    Text2 = new QPlainTextEdit(QStringLiteral("Text2"), client);
    Text2->setGeometry(twipRect(3120, 3720, 3855, 1692));
    Text2->setReadOnly(true);
    Text2->setTabChangesFocus(true);
    Text2->setFont(arial(6.75));
    Text2->setToolTip(QStringLiteral("Visor de archivos"));
    Text2->hide();
}

void Form1::stackControls()
{
    // The design's stacking order, from the back to the front: where two
    // controls overlap, the later one lies in front.
    const QList<QWidget*> backToFront{
        Shape1,  Label3,  Label4,  Label5,   Label6, Label2, Label7, Label8,  Label1,   Label9,
        Label10, Label11, Label12, Label13,  Label14, Label15, Label16, Line1, Image2,  Label17,
        Dir1,    File1,   Command1, List1,   Drive1, Frame1, Text1,  Command2, Command3, Text2};
    for (QWidget* control : backToFront)
        control->raise();
}

void Form1::createMenus()
{
    auto item = [this](QMenu* menu, const QString& caption, QKeySequence shortcut,
                       void (Form1::*handler)()) {
        auto* action = menu->addAction(caption);
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        // Added to the window too, so the key works wherever the focus is,
        // without the menu being opened.
        addAction(action);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };

    Archivo = menuBar()->addMenu(QStringLiteral("&Archivo"));
    log = item(Archivo, QStringLiteral("&Activar Log"), QKeySequence(Qt::CTRL | Qt::Key_L),
               &Form1::log_Click);
    log->setCheckable(true);
    log->setChecked(false);
    ver = item(Archivo, QStringLiteral("&Ver Log"), QKeySequence(Qt::CTRL | Qt::Key_V),
               &Form1::ver_Click);
    BorraLog = item(Archivo, QStringLiteral("&Borrar Log"), QKeySequence(Qt::CTRL | Qt::Key_B),
                    &Form1::BorraLog_Click);
    Salir = item(Archivo, QStringLiteral("&Salir"), {}, &Form1::Salir_Click);

    Ayudam = menuBar()->addMenu(QStringLiteral("A&yuda"));
    Ayuda = item(Ayudam, QStringLiteral("Ayuda"), QKeySequence(Qt::Key_F1), &Form1::Ayuda_Click);
    about = item(Ayudam, QStringLiteral("A&cerca de"), {}, &Form1::about_Click);

    // The window keeps exactly the client area's size below its menu bar.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    layout()->activate();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void Form1::setTabOrder()
{
    // Text1 takes its turn only while shown and Command3 only while enabled:
    // Qt skips hidden and disabled controls. The option buttons are one stop,
    // on the selected one (see connectHandlers).
    const QList<QWidget*> order{Dir1,    File1,   Command1, List1,   Drive1,   Text1,   Option1,
                                Option2, Option3, Option4,  Option5, Command2, Command3, Text2};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    for (QWidget* passive : std::initializer_list<QWidget*>{Frame1, Image2, Shape1, Line1})
        passive->setFocusPolicy(Qt::NoFocus);
    for (QRadioButton* unselected : {Option1, Option2, Option3, Option4})
        unselected->setFocusPolicy(Qt::ClickFocus);
    Dir1->setFocus();
}

} // namespace zelvo
