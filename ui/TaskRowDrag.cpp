#include "ui/TaskRowDrag.h"

#include "tasks/TaskListEdits.h"
#include "tasks/TaskListHistory.h"
#include "tasks/TaskRowStore.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTreeWidget>

TaskRowDrag::TaskRowDrag(QTreeWidget& list, TaskRowStore& rows, TaskListHistory& history)
    : QObject(&list), m_list(list), m_rows(rows), m_history(history)
{
    m_list.setDragEnabled(true);
    m_list.setDragDropMode(QAbstractItemView::DragDrop);
    m_list.viewport()->installEventFilter(this);
}

bool TaskRowDrag::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    // The list's own drags carry its rows in the item views' format and no file addresses.
    const QMimeData* data = drop->mimeData();
    if (!data || data->hasUrls() || !data->hasFormat(m_list.model()->mimeTypes().constFirst()))
        return false;
    // A move would have the list delete the dragged rows itself once the drop is done.
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop)
        dropAt(drop->position().toPoint());
    return true;
}

void TaskRowDrag::dropAt(const QPoint& position)
{
    const int dragged = m_list.currentIndex().row();
    if (dragged < 0)
        return;
    const QString caption = m_rows.caption(dragged);
    // Below the last row is the last row.
    QTreeWidgetItem* under = m_list.itemAt(position);
    const int target = under ? m_list.indexOfTopLevelItem(under) : m_list.topLevelItemCount() - 1;
    m_history.Record([&] { MoveTasksBy(m_rows, target - dragged); });
    // The dragged row stays the current one, as the keyboard's place in the list.
    for (int row = 0; row < m_rows.rowCount(); ++row) {
        if (m_rows.caption(row) == caption) {
            m_list.selectionModel()->setCurrentIndex(m_list.model()->index(row, 0), QItemSelectionModel::NoUpdate);
            break;
        }
    }
}
