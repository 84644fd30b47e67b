#include "platform/QtMessageBox.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace zelvo;

// What the box looked like while it was open.
struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList captions;
    QString defaultCaption;
};

// Each test shows a real box and answers it from a timer, as a user would;
// a second timer closes anything left, so no test can hang on a dialog.
class QtMessageBoxTest : public QObject {
    Q_OBJECT

private:
    SeenBox m_seen;

    // Waits for the modal box, notes what it shows and acts on it.
    void answerWith(std::function<void(QMessageBox&)> act)
    {
        m_seen = {};
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this, poll, act] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            poll->deleteLater();
            poll->stop();
            m_seen.title = box->windowTitle();
            m_seen.text = box->text();
            m_seen.icon = box->icon();
            for (QAbstractButton* b : box->buttons())
                m_seen.captions << b->text();
            m_seen.captions.sort();
            if (box->defaultButton())
                m_seen.defaultCaption = box->defaultButton()->text();
            act(*box);
        });
        poll->start(10);
        QTimer::singleShot(5000, this, [] {
            if (QWidget* w = QApplication::activeModalWidget())
                w->close();
        });
    }

    static void press(QMessageBox& box, const QString& caption)
    {
        for (QAbstractButton* b : box.buttons())
            if (b->text() == caption)
                b->click();
    }

private slots:
    void showsTheTextTitleAndIconAsGiven()
    {
        QtMessageBox messages;
        answerWith([](QMessageBox& box) { press(box, "Aceptar"); });
        const auto answer = messages.show("El dispositivo no esta listo.\n¿Volver a intentarlo?",
                                          "Errores con dispositivos", MessageButtons::OkCancel, MessageIcon::None);
        QCOMPARE(answer, MessageAnswer::Ok);
        QCOMPARE(m_seen.title, QString("Errores con dispositivos"));
        QCOMPARE(m_seen.text, QString("El dispositivo no esta listo.\n¿Volver a intentarlo?"));
        QCOMPARE(m_seen.icon, QMessageBox::NoIcon);
        QCOMPARE(m_seen.captions, (QStringList{"Aceptar", "Cancelar"}));
        QCOMPARE(m_seen.defaultCaption, QString("Aceptar"));
    }

    void yesAndNoAreInSpanishWithYesTheDefault()
    {
        QtMessageBox messages;
        answerWith([](QMessageBox& box) { press(box, "No"); });
        QCOMPARE(messages.show("¿Desea borrar el archivo log?", "Borrado archivo log", MessageButtons::YesNo,
                               MessageIcon::Question),
                 MessageAnswer::No);
        QCOMPARE(m_seen.captions, (QStringList{"No", "Sí"}));
        QCOMPARE(m_seen.defaultCaption, QString("Sí"));
        QCOMPARE(m_seen.icon, QMessageBox::Question);

        answerWith([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); });
        QCOMPARE(messages.show("x", "y", MessageButtons::YesNo, MessageIcon::Question), MessageAnswer::Yes);
    }

    void escapeAnswersCancelOrNo()
    {
        QtMessageBox messages;
        answerWith([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
        QCOMPARE(messages.show("x", "y", MessageButtons::OkCancel, MessageIcon::None), MessageAnswer::Cancel);
        answerWith([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
        QCOMPARE(messages.show("x", "y", MessageButtons::YesNo, MessageIcon::Question), MessageAnswer::No);
        answerWith([](QMessageBox& box) { box.close(); });
        QCOMPARE(messages.show("x", "y", MessageButtons::YesNo, MessageIcon::Question), MessageAnswer::No);
    }

    void aLoneOkBoxAnswersOkHoweverItCloses()
    {
        QtMessageBox messages;
        answerWith([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
        QCOMPARE(messages.show("No hay ningún archivo Zelvo.log que borrar", "Log", MessageButtons::Ok,
                               MessageIcon::Critical),
                 MessageAnswer::Ok);
        QCOMPARE(m_seen.captions, QStringList{"Aceptar"});
        QCOMPARE(m_seen.icon, QMessageBox::Critical);
    }

    void exclamationShowsTheWarningIconAndTextStaysPlain()
    {
        QtMessageBox messages;
        answerWith([](QMessageBox& box) { press(box, "Aceptar"); });
        messages.show("<b>C:\\a</b>", "t", MessageButtons::Ok, MessageIcon::Exclamation);
        QCOMPARE(m_seen.icon, QMessageBox::Warning);
        QCOMPARE(m_seen.text, QString("<b>C:\\a</b>"));
        // One line break for LF CR; a name that is not UTF-8 as the lists show it.
        answerWith([](QMessageBox& box) { press(box, "Aceptar"); });
        messages.show("No se puede borrar el archivo.\n\r/f/caf\xE9", "t", MessageButtons::Ok, MessageIcon::Critical);
        QCOMPARE(m_seen.text, QStringLiteral("No se puede borrar el archivo.\n/f/caf\u00e9"));
        answerWith([](QMessageBox& box) { press(box, "Aceptar"); });
        messages.show("i", "t", MessageButtons::Ok, MessageIcon::Information);
        QCOMPARE(m_seen.icon, QMessageBox::Information);
    }
};

QTEST_MAIN(QtMessageBoxTest)
#include "QtMessageBoxTest.moc"
