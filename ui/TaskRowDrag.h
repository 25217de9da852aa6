#pragma once

#include <QObject>

class QPoint;
class QTreeWidget;
class TaskListHistory;
class TaskRowStore;

// Rows dragged within the task list land where they are dropped, moved as the Move Up and
// Move Down buttons move them, as one step of the list's history; drags from elsewhere are left to the window, which adds the
// files they carry.
class TaskRowDrag : public QObject {
public:
    TaskRowDrag(QTreeWidget& list, TaskRowStore& rows, TaskListHistory& history);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void dropAt(const QPoint& position);

    QTreeWidget& m_list;
    TaskRowStore& m_rows;
    TaskListHistory& m_history;
};
