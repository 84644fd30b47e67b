#include "DisplayText.h"

#include <QStringDecoder>

namespace zelvo {

QString displayText(std::string_view bytes)
{
    const QByteArrayView view(bytes.data(), qsizetype(bytes.size()));
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(view);
    if (!utf8.hasError())
        return text;
    QStringDecoder windows1252("windows-1252", QStringConverter::Flag::Stateless);
    if (windows1252.isValid())
        return windows1252.decode(view);
    return QString::fromLatin1(view);
}

} // namespace zelvo
