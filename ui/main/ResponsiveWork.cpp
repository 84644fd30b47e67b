#include "ResponsiveWork.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace zelvo {

namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Shortcut:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

} // namespace

ResponsiveWork::ResponsiveWork(QWidget* window) : QObject(window), m_window(window) {}

ResponsiveWork::~ResponsiveWork()
{
    if (m_depth > 0)
        qApp->removeEventFilter(this);
}

void ResponsiveWork::begin()
{
    if (m_depth++ > 0)
        return;
    m_lastPulse = CoarseClock::now();
    qApp->installEventFilter(this);
}

void ResponsiveWork::end()
{
    if (--m_depth > 0)
        return;
    qApp->removeEventFilter(this);
    // Input held back goes out again in the order it came, and only then the
    // close request, so that what the user did first happens first.
    auto held = std::move(m_heldInput);
    m_heldInput.clear();
    for (auto& [receiver, event] : held) {
        if (receiver)
            QCoreApplication::postEvent(receiver, event.release());
    }
    if (m_closePending) {
        m_closePending = false;
        QMetaObject::invokeMethod(m_window, &QWidget::close, Qt::QueuedConnection);
    }
    // Input that reached Qt's window-system queue during a pulse may sit there
    // until the dispatcher wakes up again; wake it now rather than at the
    // user's next move.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
}

void ResponsiveWork::pulse()
{
    constexpr std::chrono::milliseconds interval(kPulseMilliseconds);
    if (m_depth == 0 || CoarseClock::now() - m_lastPulse < interval)
        return;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_lastPulse = CoarseClock::now();
}

bool ResponsiveWork::postponeClose()
{
    if (m_depth == 0)
        return false;
    m_closePending = true;
    return true;
}

bool ResponsiveWork::isHeldBack(QObject* receiver, const QEvent* event) const
{
    if (!isUserInput(event->type()) || !receiver->isWidgetType())
        return false;
    // A message box that the work itself opens must stay usable.
    const QWidget* modal = QApplication::activeModalWidget();
    const QWidget* target = static_cast<QWidget*>(receiver)->window();
    return modal == nullptr || target != modal->window();
}

bool ResponsiveWork::eventFilter(QObject* watched, QEvent* event)
{
    if (!isHeldBack(watched, event))
        return false;
    m_heldInput.emplace_back(watched, std::unique_ptr<QEvent>(event->clone()));
    return true;
}

} // namespace zelvo
