#pragma once

#include "DateText.h"

#include <QLocale>
#include <QString>

namespace zelvo {

// Dates in the user's locale, in local time. A system without a locale of
// its own (C or POSIX) gets Spanish (Spain), the language of the program.
class QtDateText : public DateText {
public:
    QtDateText();
    explicit QtDateText(const QLocale& locale);

    std::string generalDate(Timestamp) override;
    std::string shortDate(Timestamp) override;
    std::string timeWithSeconds(Timestamp) override;
    Timestamp now() override;

    const QLocale& locale() const { return m_locale; }

    // The locale to write dates in, given the system's.
    static QLocale chooseLocale(const QLocale& system);
    // A time format that shows seconds and no time zone, made from a
    // locale's short time format ("H:mm" gives "H:mm:ss").
    static QString timeFormatWithSeconds(const QString& shortTimeFormat);

private:
    QLocale m_locale;
    QString m_timeFormat;
};

} // namespace zelvo
