#include "Form1.h"

#include "ResponsiveWork.h"
#include "log/DuplicateDeletion.h"
#include "ui/viewer/Form2.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>

namespace zelvo {

bool Form1::MenuLogSwitch::isOn() const { return m_form.log && m_form.log->isChecked(); }

void Form1::MenuLogSwitch::turnOff()
{
    if (m_form.log)
        m_form.log->setChecked(false);
}

// The menu item is checkable, so its check mark, the switch itself, has
// already flipped when this runs; the log touches no file until a record is
// due.
void Form1::log_Click() {}

Form1::ViewerSlot::~ViewerSlot() { delete window; }

void Form1::ver_Click()
{
    if (Form2* open = m_viewer.window) {
        open->show();
        open->raise();
        open->activateWindow();
        return;
    }
    Form2* viewer = Form2::open(m_services.fileSystem, m_services.messages, m_activityLog.path());
    if (!viewer)
        return;
    m_viewer.window = viewer;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        viewer->move(screen->availableGeometry().center() - viewer->rect().center());
    viewer->show();
    viewer->activateWindow();
}

void Form1::BorraLog_Click() { m_activityLog.BorraLog(); }

void Form1::Command3_Click()
{
    ResponsiveWork::Scope working(work());
    DuplicateDeletion(m_pacedFileSystem, m_services.messages, *this, m_activityLog).run();
}

PairRecorder& Form1::pairRecorder() { return m_activityLog; }

} // namespace zelvo
