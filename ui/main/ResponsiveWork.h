#pragma once

#include "core/CoarseClock.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

class QEvent;
class QWidget;

namespace zelvo {

// Long handlers (the folder scan, the analysis, the deletion) run on the
// window's thread and must not handle any click, key or menu command before
// they end. Left alone, such a handler also stops the window from painting and
// from answering the window system, which then calls it "not responding".
// While work is in progress this lets the window breathe at a bounded rate
// (paint events, window-system traffic, user input) and judges every input as
// it comes in, against the window as it stands then: input that chose
// something is kept here and posted again, in order, when the work ends;
// input that chose nothing is dropped, so that it never lands on what the
// work put there meanwhile. A press or double click chose nothing when it hit
// a disabled control or a list's place without a row, and the rest of its
// gesture (moves with the button down, the release) goes with it; a key,
// wheel turn or menu key chose nothing when its receiver was disabled. A
// click kept on a list's row is dropped too if that row is no longer where it
// was when the work ends. A close request met during the work is remembered
// and carried out afterwards.
class ResponsiveWork : public QObject {
public:
    // How often, at most, pulse() lets the event loop run.
    static constexpr int kPulseMilliseconds = 50;

    explicit ResponsiveWork(QWidget* window);
    ~ResponsiveWork() override;

    // Marks one piece of work for its lifetime; pieces may nest.
    class Scope {
    public:
        explicit Scope(ResponsiveWork& work) : m_work(work) { m_work.begin(); }
        ~Scope() { m_work.end(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        ResponsiveWork& m_work;
    };

    bool inProgress() const { return m_depth > 0; }
    // Cheap enough to call on every file operation: runs pending paint and
    // window-system events when the last run is at least kPulseMilliseconds
    // old, user input excluded.
    void pulse();
    // Called by the window's close handler: true (and the close remembered)
    // while work is in progress.
    bool postponeClose();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Verdict { Pass, Hold, Drop };
    struct HeldInput {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
        // For a press on a list's row: the row's text then.
        std::optional<QString> rowText;
    };

    void begin();
    void end();
    Verdict judge(QObject* receiver, const QEvent* event);
    void replay(std::vector<HeldInput> held);

    QWidget* m_window;
    int m_depth = 0;
    bool m_closePending = false;
    // Whether the mouse gesture under way began with a press that chose
    // nothing.
    bool m_droppingGesture = false;
    // When the last pulse ran. pulse() asks the time on every file operation,
    // so the coarse clock.
    CoarseClock::time_point m_lastPulse{};
    std::vector<HeldInput> m_heldInput;
};

} // namespace zelvo
