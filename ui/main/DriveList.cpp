#include "DriveList.h"

#include "DisplayText.h"

#include <QSignalBlocker>

namespace zelvo {

DriveList::DriveList(Source source, QWidget* parent) : QComboBox(parent), m_source(std::move(source))
{
}

void DriveList::refresh()
{
    const QByteArray chosen = currentData().toByteArray();
    const QSignalBlocker quiet(this);
    clear();
    for (const std::string& mountPoint : m_source())
        addItem(displayText(mountPoint), QByteArray::fromStdString(mountPoint));
    int index = chosen.isNull() ? -1 : findData(chosen);
    if (index < 0 && !chosen.isNull()) {
        addItem(displayText(chosen.toStdString()), chosen);
        index = count() - 1;
    }
    setCurrentIndex(index);
}

void DriveList::preselect(int index)
{
    const QSignalBlocker quiet(this);
    setCurrentIndex(index);
}

std::string DriveList::chosenMountPoint() const
{
    return currentData().toByteArray().toStdString();
}

void DriveList::showPopup()
{
    refresh();
    QComboBox::showPopup();
}

} // namespace zelvo
