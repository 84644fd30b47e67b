#include "QtDateText.h"

#include <QDateTime>

namespace zelvo {

namespace {

QDateTime localTime(Timestamp t) { return QDateTime::fromSecsSinceEpoch(t.seconds); }

// Removes the time-zone fields ("t" to "tttt") and the blanks that led to
// them; text in single quotes is left alone.
QString withoutTimeZone(const QString& format)
{
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't') {
            while (result.endsWith(u' '))
                result.chop(1);
            while (i + 1 < format.size() && format[i + 1] == u't')
                ++i;
            continue;
        }
        result += c;
    }
    return result.trimmed();
}

} // namespace

QtDateText::QtDateText() : QtDateText(chooseLocale(QLocale::system())) {}

QtDateText::QtDateText(const QLocale& locale)
    : m_locale(locale), m_timeFormat(timeFormatWithSeconds(locale.timeFormat(QLocale::ShortFormat)))
{
}

QLocale QtDateText::chooseLocale(const QLocale& system)
{
    const QString name = system.name();
    if (system.language() == QLocale::C || name == u"C" || name == u"POSIX")
        return QLocale(QLocale::Spanish, QLocale::Spain);
    return system;
}

QString QtDateText::timeFormatWithSeconds(const QString& shortTimeFormat)
{
    const QString format = withoutTimeZone(shortTimeFormat);
    // Find the hours and minutes fields outside quotes; a format that already
    // shows seconds is kept.
    qsizetype hoursEnd = -1;
    qsizetype minutesStart = -1;
    qsizetype minutesEnd = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size() && minutesEnd < 0; ++i) {
        const QChar c = format[i];
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c == u'\'')
            continue;
        if (c == u's')
            return format;
        if (c == u'h' || c == u'H')
            hoursEnd = i + 1;
        if (c == u'm') {
            minutesStart = i;
            while (i + 1 < format.size() && format[i + 1] == u'm')
                ++i;
            minutesEnd = i + 1;
        }
    }
    if (minutesEnd < 0)
        return format + QStringLiteral(":ss");
    // Seconds follow the minutes with the separator between hours and
    // minutes ("H.mm" gives "H.mm.ss").
    QString separator = QStringLiteral(":");
    if (hoursEnd >= 0 && hoursEnd < minutesStart) {
        const QString between = format.mid(hoursEnd, minutesStart - hoursEnd);
        if (!between.contains(u'\''))
            separator = between;
    }
    if (format.indexOf(u's', minutesEnd) >= 0)
        return format;
    return format.left(minutesEnd) + separator + QStringLiteral("ss") + format.mid(minutesEnd);
}

std::string QtDateText::generalDate(Timestamp t)
{
    if (localTime(t).time() == QTime(0, 0, 0))
        return shortDate(t);
    return shortDate(t) + " " + timeWithSeconds(t);
}

std::string QtDateText::shortDate(Timestamp t)
{
    return m_locale.toString(localTime(t).date(), QLocale::ShortFormat).toStdString();
}

std::string QtDateText::timeWithSeconds(Timestamp t)
{
    return m_locale.toString(localTime(t).time(), m_timeFormat).toStdString();
}

Timestamp QtDateText::now() { return Timestamp{QDateTime::currentSecsSinceEpoch()}; }

} // namespace zelvo
