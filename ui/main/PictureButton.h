#pragma once

#include <QPixmap>
#include <QPushButton>

namespace zelvo {

// A push button that draws its picture centred above its caption, the way the
// window's "Analizar" and "Borrar" buttons look. Intro (Return or the keypad's
// Enter) presses it as the space bar does: down while the key is held, a click
// when it is let go.
class PictureButton final : public QPushButton {
public:
    PictureButton(const QString& caption, const QPixmap& picture, QWidget* parent = nullptr);

    const QPixmap& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    QPixmap m_picture;
};

} // namespace zelvo
