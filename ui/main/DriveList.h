#pragma once

#include <QComboBox>
#include <functional>
#include <string>
#include <vector>

namespace zelvo {

// The drive list Drive1: the mount points a user chooses between, shown
// decoded, kept as raw bytes in each item's data. The list is read again each
// time it opens, so media inserted while the program runs appear; rereading
// never counts as a change of drive.
class DriveList final : public QComboBox {
public:
    using Source = std::function<std::vector<std::string>()>;

    DriveList(Source source, QWidget* parent = nullptr);

    // Reads the mount points again, keeping the chosen one chosen (and
    // listed, even when it has gone meanwhile). Emits no change.
    void refresh();
    // Chooses a drive without it counting as a change.
    void preselect(int index);
    std::string chosenMountPoint() const;

    void showPopup() override;

private:
    Source m_source;
};

} // namespace zelvo
