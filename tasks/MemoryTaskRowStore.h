#pragma once

#include "tasks/TaskRowStore.h"

#include <QList>
#include <QStringList>

#include <array>

// Task rows held in memory: the console mode's list, and the tests'.
class MemoryTaskRowStore : public TaskRowStore {
public:
    struct Row {
        QString caption;
        std::array<QString, CellCount> cells;
        bool selected = false;
    };

    int rowCount() const override { return static_cast<int>(rows.size()); }
    QString caption(int row) const override { return rows.at(row).caption; }
    void setCaption(int row, const QString& text) override { rows[row].caption = text; }
    QString cell(int row, int cell) const override { return rows.at(row).cells.at(cell); }
    void setCell(int row, int cell, const QString& text) override { rows[row].cells.at(cell) = text; }
    bool isSelected(int row) const override { return rows.at(row).selected; }
    void setSelected(int row, bool selected) override { rows[row].selected = selected; }
    void appendRow(const QString& caption) override { rows.append(Row{caption, {}, false}); }
    void insertRow(int row, const QString& caption) override { rows.insert(row, Row{caption, {}, false}); }
    void removeRow(int row) override { rows.removeAt(row); }

    QStringList captions() const
    {
        QStringList list;
        for (const Row& row : rows)
            list << row.caption;
        return list;
    }

    QList<Row> rows;
};
