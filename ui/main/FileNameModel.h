#pragma once

#include <QAbstractListModel>
#include <string>
#include <vector>

namespace zelvo {

// The names File1 lists, kept as the raw bytes the disk gave; the view shows
// them decoded for display. The whole list is replaced at once, so a folder of
// 100,000 files costs one reset, not 100,000 insertions.
class FileNameModel final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    // The raw bytes of a row's name, as a QByteArray.
    static constexpr int RawNameRole = Qt::UserRole;

    void setNames(std::vector<std::string> names);
    const std::vector<std::string>& names() const { return m_names; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    std::vector<std::string> m_names;
};

} // namespace zelvo
