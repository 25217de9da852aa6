#pragma once

#include "tasks/TaskRowStore.h"

#include <QHash>

class QTreeWidget;

// The rows of the list view as the task list's store: the caption is the first
// column and cell n the column n + 1 (only Length, Size and Status are shown).
// Every column of a row shows the whole caption as its tooltip, but a failed entry's
// Status column shows why it failed (the hidden cell CellFailure).
class TreeTaskRowStore : public TaskRowStore {
public:
    explicit TreeTaskRowStore(QTreeWidget& view);

    int rowCount() const override;
    QString caption(int row) const override;
    bool hasCaption(const QString& text) const override;
    void setCaption(int row, const QString& text) override;
    QString cell(int row, int cell) const override;
    void setCell(int row, int cell, const QString& text) override;
    bool isSelected(int row) const override;
    void setSelected(int row, bool selected) override;
    void appendRow(const QString& caption) override;
    void insertRow(int row, const QString& caption) override;
    void removeRow(int row) override;

private:
    bool isCounted() const;
    void count(const QString& caption, int change);

    QTreeWidget& m_view;
    // How many rows carry each caption: asking every row through the view
    // made adding a long list slower with each file.
    mutable QHash<QString, int> m_captions;
    // The rows counted in m_captions; when the view has another number, rows
    // were changed behind the store and the count is made again.
    mutable int m_counted = 0;
};
