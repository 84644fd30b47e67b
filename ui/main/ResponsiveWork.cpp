#include "ResponsiveWork.h"

#include <QAbstractEventDispatcher>
#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QWidget>
#include <utility>

namespace zelvo {

namespace {

// Input that may choose something. A move counts only with a button down,
// when it drags; hovering chooses nothing and may pass.
bool isUserInput(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
        return static_cast<const QMouseEvent*>(event)->buttons() != Qt::NoButton;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::InputMethod:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
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

bool isPress(const QEvent* event)
{
    return event->type() == QEvent::MouseButtonPress ||
           event->type() == QEvent::MouseButtonDblClick;
}

bool isMouse(const QEvent* event)
{
    return isPress(event) || event->type() == QEvent::MouseMove ||
           event->type() == QEvent::MouseButtonRelease;
}

// The list whose rows `widget` shows, when it is a list's viewport.
const QAbstractItemView* listShownBy(const QObject* widget)
{
    const auto* list = qobject_cast<const QAbstractItemView*>(widget->parent());
    return list && list->viewport() == widget ? list : nullptr;
}

// The text of the row under a press on a list, if a row lies there.
std::optional<QString> rowTextAt(const QAbstractItemView& list, const QEvent* press)
{
    const QModelIndex row =
        list.indexAt(static_cast<const QMouseEvent*>(press)->position().toPoint());
    if (!row.isValid())
        return std::nullopt;
    return row.data().toString();
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
    m_droppingGesture = false;
    qApp->installEventFilter(this);
}

void ResponsiveWork::end()
{
    if (--m_depth > 0)
        return;
    qApp->removeEventFilter(this);
    // Input held back goes out again in the order it came, and only then the
    // close request, so that what the user did first happens first.
    replay(std::exchange(m_heldInput, {}));
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

void ResponsiveWork::replay(std::vector<HeldInput> held)
{
    bool droppingGesture = false;
    for (HeldInput& input : held) {
        if (!input.receiver)
            continue;
        const QEvent* event = input.event.get();
        if (isPress(event)) {
            // The row clicked must still be the one at that place.
            const QAbstractItemView* list = listShownBy(input.receiver);
            droppingGesture = list && rowTextAt(*list, event) != input.rowText;
        }
        if (droppingGesture && isMouse(event))
            continue;
        QCoreApplication::postEvent(input.receiver, input.event.release());
    }
}

void ResponsiveWork::pulse()
{
    constexpr std::chrono::milliseconds interval(kPulseMilliseconds);
    if (m_depth == 0 || CoarseClock::now() - m_lastPulse < interval)
        return;
    // User input comes in too, to be judged by eventFilter() while the window
    // still shows what it was aimed at.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_lastPulse = CoarseClock::now();
}

bool ResponsiveWork::postponeClose()
{
    if (m_depth == 0)
        return false;
    m_closePending = true;
    return true;
}

ResponsiveWork::Verdict ResponsiveWork::judge(QObject* receiver, const QEvent* event)
{
    const bool shortcut = event->type() == QEvent::Shortcut;
    if (!shortcut && !isUserInput(event))
        return Verdict::Pass;
    // A message box that the work itself opens must stay usable.
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal && receiver->isWidgetType() &&
        static_cast<const QWidget*>(receiver)->window() == modal->window())
        return Verdict::Pass;
    // A menu key goes to the action it triggers, which is no widget.
    if (shortcut)
        return Verdict::Hold;
    // Input to a window reaches its widgets next and is judged there.
    if (!receiver->isWidgetType())
        return Verdict::Pass;
    const auto* widget = static_cast<const QWidget*>(receiver);

    if (isPress(event)) {
        const QAbstractItemView* list = listShownBy(widget);
        m_droppingGesture = !widget->isEnabled() || (list && !rowTextAt(*list, event));
        return m_droppingGesture ? Verdict::Drop : Verdict::Hold;
    }
    if (isMouse(event)) {
        const bool dropped = m_droppingGesture;
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<const QMouseEvent*>(event)->buttons() == Qt::NoButton)
            m_droppingGesture = false;
        return dropped ? Verdict::Drop : Verdict::Hold;
    }
    return widget->isEnabled() ? Verdict::Hold : Verdict::Drop;
}

bool ResponsiveWork::eventFilter(QObject* watched, QEvent* event)
{
    switch (judge(watched, event)) {
    case Verdict::Pass:
        return false;
    case Verdict::Drop:
        return true;
    case Verdict::Hold:
        break;
    }
    HeldInput held{watched, std::unique_ptr<QEvent>(event->clone()), std::nullopt};
    if (const QAbstractItemView* list = isPress(event) ? listShownBy(watched) : nullptr)
        held.rowText = rowTextAt(*list, event);
    m_heldInput.push_back(std::move(held));
    return true;
}

} // namespace zelvo
