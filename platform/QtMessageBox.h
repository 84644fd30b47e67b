#pragma once

#include "MessageBox.h"

#include <QPointer>
#include <QWidget>

namespace zelvo {

// Modal message boxes with Spanish buttons. The box is centred on its parent
// window when one is given.
class QtMessageBox : public MessageBox {
public:
    explicit QtMessageBox(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParentWindow(QWidget* parent) { m_parent = parent; }

    MessageAnswer show(const std::string& text, const std::string& title, MessageButtons buttons,
                       MessageIcon icon) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace zelvo
