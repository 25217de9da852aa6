#include "ui/TreeTaskRowStore.h"

#include <QTreeWidget>

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

void TreeTaskRowStore::setCaption(int row, const QString& text)
{
    m_view.topLevelItem(row)->setText(0, text);
}

QString TreeTaskRowStore::cell(int row, int cell) const
{
    return m_view.topLevelItem(row)->text(cell + 1);
}

void TreeTaskRowStore::setCell(int row, int cell, const QString& text)
{
    m_view.topLevelItem(row)->setText(cell + 1, text);
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
    QStringList texts(CellCount + 1);
    texts[0] = caption;
    m_view.addTopLevelItem(new QTreeWidgetItem(texts));
}

void TreeTaskRowStore::removeRow(int row)
{
    delete m_view.takeTopLevelItem(row);
}
