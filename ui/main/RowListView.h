#pragma once

#include <QListView>

namespace zelvo {

// A list box as the window's design knows it: rowClicked() follows a click on
// a row (the same row again included) and a move of the current row with the
// keyboard, never a change the program makes to the rows.
class RowListView final : public QListView {
    Q_OBJECT
public:
    explicit RowListView(QWidget* parent = nullptr);

signals:
    void rowClicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace zelvo
