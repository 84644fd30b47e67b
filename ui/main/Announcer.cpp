#include "Announcer.h"

#include <QAccessibleObject>

namespace zelvo {

namespace {

class AnnouncementAccessible final : public QAccessibleObject {
public:
    explicit AnnouncementAccessible(Announcer* announcer) : QAccessibleObject(announcer) {}

    QAccessible::Role role() const override { return QAccessible::Notification; }
    QAccessible::State state() const override { return {}; }
    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Name ? announcer()->lastSaid() : QString();
    }
    QAccessibleInterface* parent() const override
    {
        return QAccessible::queryAccessibleInterface(object()->parent());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

private:
    const Announcer* announcer() const { return static_cast<const Announcer*>(object()); }
};

QAccessibleInterface* announcerFactory(const QString&, QObject* object)
{
    if (auto* announcer = qobject_cast<Announcer*>(object))
        return new AnnouncementAccessible(announcer);
    return nullptr;
}

} // namespace

Announcer::Announcer(QObject* parent) : QObject(parent)
{
    installAccessible();
    m_wait.setSingleShot(true);
    connect(&m_wait, &QTimer::timeout, this, &Announcer::sayPending);
}

void Announcer::announce(const QString& text)
{
    const QString said = text.simplified();
    if (said.isEmpty())
        return;
    if (m_pending.isEmpty() || m_pending.constLast() != said)
        m_pending.append(said);
    if (m_wait.isActive())
        return;
    const qint64 since = m_sinceSaid.isValid() ? m_sinceSaid.elapsed() : kIntervalMilliseconds;
    if (since >= kIntervalMilliseconds)
        sayPending();
    else
        m_wait.start(int(kIntervalMilliseconds - since));
}

void Announcer::sayPending()
{
    if (m_pending.isEmpty())
        return;
    m_said = m_pending.join(QStringLiteral(". "));
    m_pending.clear();
    m_sinceSaid.start();
    // A screen reader speaks a notification when it is shown.
    QAccessibleEvent shown(this, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
    emit said(m_said);
}

void Announcer::installAccessible()
{
    static const bool installed = [] {
        QAccessible::installFactory(announcerFactory);
        return true;
    }();
    (void)installed;
}

} // namespace zelvo
