#pragma once

#include "tasks/TaskRowStore.h"

class QTreeWidget;

// The rows of the list view as the task list's store: the caption is the first
// column and cell n the column n + 1 (only Length, Size and Status are shown).
class TreeTaskRowStore : public TaskRowStore {
public:
    explicit TreeTaskRowStore(QTreeWidget& view);

    int rowCount() const override;
    QString caption(int row) const override;
    void setCaption(int row, const QString& text) override;
    QString cell(int row, int cell) const override;
    void setCell(int row, int cell, const QString& text) override;
    bool isSelected(int row) const override;
    void setSelected(int row, bool selected) override;
    void appendRow(const QString& caption) override;
    void removeRow(int row) override;

private:
    QTreeWidget& m_view;
};
