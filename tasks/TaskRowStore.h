#pragma once

#include <QString>

// The rows of the task list: the only store of its entries. Each row has a
// caption (the path), ten text cells and a selected flag.
class TaskRowStore {
public:
    static constexpr int CellCount = 10;

    virtual ~TaskRowStore() = default;

    virtual int rowCount() const = 0;
    virtual QString caption(int row) const = 0;
    // True when a row's caption is exactly this text (letter case counts).
    virtual bool hasCaption(const QString& text) const
    {
        for (int row = 0; row < rowCount(); ++row) {
            if (caption(row) == text)
                return true;
        }
        return false;
    }
    virtual void setCaption(int row, const QString& text) = 0;
    virtual QString cell(int row, int cell) const = 0;
    virtual void setCell(int row, int cell, const QString& text) = 0;
    virtual bool isSelected(int row) const = 0;
    // Changes the selection only: the focused row and the scroll position stay.
    virtual void setSelected(int row, bool selected) = 0;
    // Appends a row with the caption, ten empty cells and no selection.
    virtual void appendRow(const QString& caption) = 0;
    // The same, put in at that index: the rows from there on move down one place.
    virtual void insertRow(int row, const QString& caption) = 0;
    virtual void removeRow(int row) = 0;
};
