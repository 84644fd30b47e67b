#include "AccessibleLabels.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QLabel>
#include <algorithm>

namespace zelvo {

namespace {

// Dynamic properties rather than subclasses: the labels stay plain QLabels,
// created from the design's table like all the others.
const char* const kBarScaleProperty = "zelvoBarScale";
const char* const kCaptionProperty = "zelvoCaption";

class BulletBarAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit BulletBarAccessible(QLabel* label) : QAccessibleWidget(label, QAccessible::ProgressBar)
    {
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text kind) const override
    {
        // The bullets themselves mean nothing read aloud; the value does.
        if (kind == QAccessible::Value)
            return QStringLiteral("%1 %").arg(percent());
        return QAccessibleWidget::text(kind);
    }

    QVariant currentValue() const override { return percent(); }
    // The work moves the bar; the user cannot.
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    int percent() const { return bulletBarPercent(static_cast<const QLabel*>(object())); }
};

class CaptionedLabelAccessible final : public QAccessibleWidget {
public:
    explicit CaptionedLabelAccessible(QLabel* label) : QAccessibleWidget(label, QAccessible::StaticText)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Name)
            return QAccessibleWidget::text(kind);
        const auto* label = static_cast<const QLabel*>(object());
        const QString caption = label->property(kCaptionProperty).toString();
        const QString value = label->text().trimmed();
        return value.isEmpty() ? caption : caption + QStringLiteral(": ") + value;
    }
};

QAccessibleInterface* labelFactory(const QString&, QObject* object)
{
    auto* label = qobject_cast<QLabel*>(object);
    if (!label)
        return nullptr;
    if (label->property(kBarScaleProperty).isValid())
        return new BulletBarAccessible(label);
    if (label->property(kCaptionProperty).isValid())
        return new CaptionedLabelAccessible(label);
    return nullptr;
}

} // namespace

void readAsBulletBar(QLabel* label, const QString& name, int scale)
{
    // The property first: naming the label already asks for its interface.
    // A name of its own also keeps QLabel from reporting every new row of
    // bullets as a new name: the bar reports a new value instead.
    label->setProperty(kBarScaleProperty, scale);
    label->setAccessibleName(name);
}

void readWithCaption(QLabel* label, const QString& caption)
{
    // No accessible name: QLabel then reports each new text as a new name,
    // which the interface above composes.
    label->setProperty(kCaptionProperty, caption);
}

int bulletBarPercent(const QLabel* label)
{
    const int scale = label->property(kBarScaleProperty).toInt();
    if (scale <= 0)
        return -1;
    const auto bullets = int(label->text().count(QChar(0x2022)));
    return std::min(100, bullets * 100 / scale);
}

void bulletBarChanged(QLabel* label)
{
    if (bulletBarPercent(label) < 0 || !QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent event(label, bulletBarPercent(label));
    QAccessible::updateAccessibility(&event);
}

void installAccessibleLabels()
{
    static const bool installed = [] {
        QAccessible::installFactory(labelFactory);
        return true;
    }();
    (void)installed;
}

} // namespace zelvo
