#pragma once

#include "core/CoarseClock.h"

#include <QObject>
#include <QPointer>
#include <memory>
#include <utility>
#include <vector>

class QEvent;
class QWidget;

namespace zelvo {

// Long handlers (the folder scan, the analysis, the deletion) run on the
// window's thread and must not handle any click, key or menu command before
// they end. Left alone, such a handler also stops the window from painting and
// from answering the window system, which then calls it "not responding".
// While work is in progress this lets the window breathe at a bounded rate
// (paint events, window-system traffic) but holds back every user input: real
// input stays in the window system's queue, input posted to the program's
// windows is kept here and posted again, in order, when the work ends. A close
// request met during the work is remembered and carried out afterwards.
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
    void begin();
    void end();
    bool isHeldBack(QObject* receiver, const QEvent* event) const;

    QWidget* m_window;
    int m_depth = 0;
    bool m_closePending = false;
    // When the last pulse ran. pulse() asks the time on every file operation,
    // so the coarse clock.
    CoarseClock::time_point m_lastPulse{};
    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> m_heldInput;
};

} // namespace zelvo
