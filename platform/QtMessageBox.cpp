#include "QtMessageBox.h"

#include "ByteText.h"

#include <QMessageBox>
#include <QPushButton>

namespace zelvo {

namespace {

QMessageBox::Icon qtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessageAnswer QtMessageBox::show(const std::string& text, const std::string& title, MessageButtons buttons,
                                 MessageIcon icon)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(QString::fromStdString(title));
    // Plain text: a path with "<" in it must show as typed.
    box.setTextFormat(Qt::PlainText);
    // A message may name a file whose name is not UTF-8: it reads as it
    // does in the lists. A line feed followed by a carriage return is one
    // line break, as the messages were written for.
    const std::u32string characters = bytesToCharacters(text);
    QString shown = QString::fromUcs4(characters.data(), qsizetype(characters.size()));
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    box.setText(shown);
    box.setIcon(qtIcon(icon));

    struct Choice {
        QPushButton* button;
        MessageAnswer answer;
    };
    const auto add = [&box](QMessageBox::StandardButton standard, const char* caption, MessageAnswer answer) {
        QPushButton* button = box.addButton(standard);
        button->setText(QString::fromUtf8(caption));
        return Choice{button, answer};
    };

    // The first button is the default one; Esc and the close box choose the
    // second, or the only one.
    Choice first{};
    Choice second{};
    switch (buttons) {
    case MessageButtons::Ok:
        first = add(QMessageBox::Ok, "Aceptar", MessageAnswer::Ok);
        second = first;
        break;
    case MessageButtons::OkCancel:
        first = add(QMessageBox::Ok, "Aceptar", MessageAnswer::Ok);
        second = add(QMessageBox::Cancel, "Cancelar", MessageAnswer::Cancel);
        break;
    case MessageButtons::YesNo:
        first = add(QMessageBox::Yes, "Sí", MessageAnswer::Yes);
        second = add(QMessageBox::No, "No", MessageAnswer::No);
        break;
    }
    box.setDefaultButton(first.button);
    box.setEscapeButton(second.button);

    box.exec();
    return box.clickedButton() == first.button ? first.answer : second.answer;
}

} // namespace zelvo
