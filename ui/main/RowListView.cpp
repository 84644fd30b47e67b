#include "RowListView.h"

#include <QKeyEvent>

namespace zelvo {

RowListView::RowListView(QWidget* parent) : QListView(parent)
{
    setUniformItemSizes(true);
    setEditTriggers(NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            emit rowClicked();
    });
}

void RowListView::keyPressEvent(QKeyEvent* event)
{
    const QPersistentModelIndex before = currentIndex();
    QListView::keyPressEvent(event);
    if (currentIndex().isValid() && currentIndex() != before)
        emit rowClicked();
}

} // namespace zelvo
