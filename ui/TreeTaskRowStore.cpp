#include "ui/TreeTaskRowStore.h"

#include "tasks/TaskEntry.h"

#include <QTreeWidget>

namespace {

constexpr int StatusColumn = CellStatus + 1;
constexpr int FailureColumn = CellFailure + 1;

// The Status column tells why the entry failed, when it did; every other column the caption.
void SetRowTip(QTreeWidgetItem& item, const QString& caption)
{
    for (int column = 0; column <= TaskRowStore::CellCount; ++column)
        item.setToolTip(column, caption);
    if (!item.text(FailureColumn).isEmpty())
        item.setToolTip(StatusColumn, item.text(FailureColumn));
}

}

TreeTaskRowStore::TreeTaskRowStore(QTreeWidget& view)
    : m_view(view)
{
}

int TreeTaskRowStore::rowCount() const
{
    return m_view.topLevelItemCount();
}

QString TreeTaskRowStore::caption(int row) const
{
    return m_view.topLevelItem(row)->text(0);
}

bool TreeTaskRowStore::hasCaption(const QString& text) const
{
    if (!isCounted()) {
        m_captions.clear();
        for (int row = 0; row < rowCount(); ++row)
            ++m_captions[caption(row)];
        m_counted = rowCount();
    }
    return m_captions.value(text) > 0;
}

void TreeTaskRowStore::setCaption(int row, const QString& text)
{
    QTreeWidgetItem* item = m_view.topLevelItem(row);
    if (isCounted()) {
        count(item->text(0), -1);
        count(text, 1);
    }
    item->setText(0, text);
    SetRowTip(*item, text);
}

QString TreeTaskRowStore::cell(int row, int cell) const
{
    return m_view.topLevelItem(row)->text(cell + 1);
}

void TreeTaskRowStore::setCell(int row, int cell, const QString& text)
{
    QTreeWidgetItem* item = m_view.topLevelItem(row);
    item->setText(cell + 1, text);
    if (cell == CellFailure)
        item->setToolTip(StatusColumn, text.isEmpty() ? item->text(0) : text);
}

bool TreeTaskRowStore::isSelected(int row) const
{
    return m_view.topLevelItem(row)->isSelected();
}

void TreeTaskRowStore::setSelected(int row, bool selected)
{
    m_view.topLevelItem(row)->setSelected(selected);
}

void TreeTaskRowStore::appendRow(const QString& caption)
{
    insertRow(rowCount(), caption);
}

void TreeTaskRowStore::insertRow(int row, const QString& caption)
{
    QStringList texts(CellCount + 1);
    texts[0] = caption;
    auto* item = new QTreeWidgetItem(texts);
    SetRowTip(*item, caption);
    const bool counted = isCounted();
    m_view.insertTopLevelItem(row, item);
    if (counted) {
        ++m_captions[caption];
        ++m_counted;
    }
}

void TreeTaskRowStore::removeRow(int row)
{
    const bool counted = isCounted();
    QTreeWidgetItem* item = m_view.takeTopLevelItem(row);
    if (counted) {
        count(item->text(0), -1);
        --m_counted;
    }
    delete item;
}

bool TreeTaskRowStore::isCounted() const
{
    return m_counted == rowCount();
}

void TreeTaskRowStore::count(const QString& caption, int change)
{
    const int rows = m_captions.value(caption) + change;
    if (rows > 0)
        m_captions.insert(caption, rows);
    else
        m_captions.remove(caption);
}
