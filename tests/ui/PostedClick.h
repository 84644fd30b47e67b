#pragma once

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

namespace zelvo {

// Queues a left click on the middle of a widget, the way the window system
// delivers one: it is handled only when the event loop gets to it.
inline void postClick(QWidget* target)
{
    const QPointF inside = QPointF(target->rect().center());
    const QPointF global = QPointF(target->mapToGlobal(inside.toPoint()));
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonPress, inside, global,
                                                        Qt::LeftButton, Qt::LeftButton, {}));
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonRelease, inside,
                                                        global, Qt::LeftButton, {}, {}));
}

} // namespace zelvo
