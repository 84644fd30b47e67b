#include "PictureButton.h"

#include <QKeyEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace zelvo {

namespace {

bool isIntro(const QKeyEvent& key)
{
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

} // namespace

PictureButton::PictureButton(const QString& caption, const QPixmap& picture, QWidget* parent)
    : QPushButton(caption, parent), m_picture(picture)
{
}

void PictureButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    const int shift = isDown() ? 1 : 0;
    const QRect inside = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    const QPixmap shown = isEnabled()
                              ? m_picture
                              : style()->generatedIconPixmap(QIcon::Disabled, m_picture, &option);
    const int pictureTop = inside.top();
    painter.drawPixmap(inside.left() + (inside.width() - m_picture.width()) / 2 + shift,
                       pictureTop + shift, shown);

    QRect captionArea = inside;
    captionArea.setTop(pictureTop + m_picture.height());
    captionArea.translate(shift, shift);
    style()->drawItemText(&painter, captionArea, Qt::AlignHCenter | Qt::AlignVCenter, palette(),
                          isEnabled(), text(), QPalette::ButtonText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = inside;
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

// The click comes with the key's release, never with a repeat of a key held
// down: a button whose click opens a box would otherwise hand the repeats to
// that box, where Intro answers its default button.
void PictureButton::keyPressEvent(QKeyEvent* event)
{
    if (!isIntro(*event)) {
        QPushButton::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat())
        setDown(true);
    event->accept();
}

void PictureButton::keyReleaseEvent(QKeyEvent* event)
{
    if (!isIntro(*event)) {
        QPushButton::keyReleaseEvent(event);
        return;
    }
    event->accept();
    if (event->isAutoRepeat() || !isDown())
        return;
    setDown(false);
    click();
}

} // namespace zelvo
