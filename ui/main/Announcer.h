#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

namespace zelvo {

// Says what happened to the screen reader: the end of a scan, an analysis or
// a deletion, as the count lines tell it. The window has no place of its own
// for this, so the announcer is an object the accessibility layer reads as a
// notification that shows itself anew each time it has something to say.
// Nothing of it is drawn.
//
// Announcements are throttled: at most one every kIntervalMilliseconds, the
// texts that came meanwhile said together when the interval ends, so a
// long run cannot flood the bus and the last word is never lost.
class Announcer final : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalMilliseconds = 500;

    explicit Announcer(QObject* parent);

    void announce(const QString& text);
    // What was said last, as the screen reader reads it.
    const QString& lastSaid() const { return m_said; }

    // Teaches Qt's accessibility layer to read announcers. Idempotent.
    static void installAccessible();

signals:
    void said(const QString& text);

private:
    void sayPending();

    QStringList m_pending;
    QString m_said;
    QElapsedTimer m_sinceSaid;
    QTimer m_wait;
};

} // namespace zelvo
