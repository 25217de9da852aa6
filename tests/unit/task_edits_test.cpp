#include "tasks/TaskListEdits.h"
#include "tasks/MemoryTaskRowStore.h"
#include "tasks/TaskListHistory.h"
#include "tasks/TaskSort.h"

#include <functional>

#include <gtest/gtest.h>

namespace {

// "B*" is a selected row named B; each row's cells carry its name so that
// moves can be seen to take the whole entry along.
MemoryTaskRowStore Rows(const QStringList& names)
{
    MemoryTaskRowStore rows;
    for (QString name : names) {
        const bool selected = name.endsWith('*');
        name.remove('*');
        rows.appendRow(name);
        const int row = rows.rowCount() - 1;
        for (int cell = 0; cell < TaskRowStore::CellCount; ++cell)
            rows.setCell(row, cell, name + QString::number(cell));
        rows.setSelected(row, selected);
    }
    return rows;
}

QStringList Names(const MemoryTaskRowStore& rows)
{
    QStringList names;
    for (int row = 0; row < rows.rowCount(); ++row) {
        for (int cell = 0; cell < TaskRowStore::CellCount; ++cell)
            EXPECT_EQ(rows.cell(row, cell), rows.caption(row) + QString::number(cell));
        names << rows.caption(row) + (rows.isSelected(row) ? "*" : "");
    }
    return names;
}

QStringList MovedUp(const QStringList& names)
{
    MemoryTaskRowStore rows = Rows(names);
    MoveTasksUp(rows);
    return Names(rows);
}

QStringList MovedDown(const QStringList& names)
{
    MemoryTaskRowStore rows = Rows(names);
    MoveTasksDown(rows);
    return Names(rows);
}

}

TEST(TaskMoveTest, SelectedRunsMoveOnePlaceAsABlock)
{
    EXPECT_EQ(MovedUp({"A", "B*", "C*", "D"}), QStringList({"B*", "C*", "A", "D"}));
    EXPECT_EQ(MovedDown({"A", "B*", "C*", "D"}), QStringList({"A", "D", "B*", "C*"}));
    EXPECT_EQ(MovedUp({"A", "B*", "C", "D*"}), QStringList({"B*", "A", "D*", "C"}));
    EXPECT_EQ(MovedDown({"A*", "B", "C*", "D"}), QStringList({"B", "A*", "D", "C*"}));
}

TEST(TaskMoveTest, RunsAtTheEdgeTheyMoveTowardsStayInPlaceSelected)
{
    EXPECT_EQ(MovedUp({"A*", "B", "C"}), QStringList({"A*", "B", "C"}));
    EXPECT_EQ(MovedDown({"A", "B", "C*"}), QStringList({"A", "B", "C*"}));
    // Only the run at the edge is held; the others still move.
    EXPECT_EQ(MovedUp({"A*", "B*", "C", "D*", "E"}), QStringList({"A*", "B*", "D*", "C", "E"}));
    EXPECT_EQ(MovedDown({"A", "B*", "C", "D*", "E*"}), QStringList({"A", "C", "B*", "D*", "E*"}));
}

TEST(TaskMoveTest, NothingSelectedMovesNothing)
{
    EXPECT_EQ(MovedUp({"A", "B", "C"}), QStringList({"A", "B", "C"}));
    EXPECT_EQ(MovedDown({"A", "B", "C"}), QStringList({"A", "B", "C"}));
}

TEST(TaskRemoveTest, RemovesEverySelectedRowAndSwitchesButtonsOffOnlyWhenEmpty)
{
    MemoryTaskRowStore rows = Rows({"A*", "B", "C*", "D*", "E"});
    EXPECT_EQ(RemoveSelectedTasks(rows), ListButtons::Unchanged);
    EXPECT_EQ(Names(rows), QStringList({"B", "E"}));

    MemoryTaskRowStore all = Rows({"A*", "B*"});
    EXPECT_EQ(RemoveSelectedTasks(all), ListButtons::Disable);
    EXPECT_EQ(all.rowCount(), 0);
}

TEST(TaskRemoveTest, NothingSelectedChangesNothing)
{
    MemoryTaskRowStore rows = Rows({"A", "B"});
    EXPECT_EQ(RemoveSelectedTasks(rows), ListButtons::Unchanged);
    EXPECT_EQ(Names(rows), QStringList({"A", "B"}));
}

TEST(TaskClearTest, EmptiesTheListAndSwitchesButtonsOffEvenWhenAlreadyEmpty)
{
    MemoryTaskRowStore rows = Rows({"A*", "B"});
    EXPECT_EQ(ClearTasks(rows), ListButtons::Disable);
    EXPECT_EQ(rows.rowCount(), 0);
    EXPECT_EQ(ClearTasks(rows), ListButtons::Disable);
}

TEST(TaskMoveTest, ADragMovesAsThatManyPressesOfTheMoveButtons)
{
    const struct {
        QStringList rows;
        int places;
        QStringList moved;
    } cases[] = {
        {{"A", "B*", "C", "D"}, 2, {"A", "C", "D", "B*"}},
        {{"A", "B", "C*", "D*"}, -2, {"C*", "D*", "A", "B"}},
        {{"A", "B*", "C*", "D"}, 5, {"A", "D", "B*", "C*"}},
        {{"A*", "B", "C"}, 0, {"A*", "B", "C"}},
    };
    for (const auto& test : cases) {
        MemoryTaskRowStore rows = Rows(test.rows);
        MoveTasksBy(rows, test.places);
        EXPECT_EQ(Names(rows), test.moved) << test.rows.join(',').toStdString() << " by " << test.places;
    }
}

TEST(TaskSummaryTest, CountsTheFilesAndAddsTheirLengthsOverHours)
{
    MemoryTaskRowStore rows;
    EXPECT_EQ(TaskListSummary(rows), "0 files, total length 00:00:00");
    const QStringList lengths{"00:59:59.5", "01:30:00.7", "", "99:30:00"};
    for (const QString& length : lengths) {
        rows.appendRow(length);
        rows.setCell(rows.rowCount() - 1, 0, length);
        if (rows.rowCount() == 1) {
            EXPECT_EQ(TaskListSummary(rows), "1 file, total length 00:59:59.5");
        }
    }
    EXPECT_EQ(TaskListSummary(rows), "4 files, total length 102:00:00.2");
}

TEST(TaskHistoryTest, UndoPutsBackRowsCellsAndSelectionAndRedoMakesTheChangeAgain)
{
    const struct {
        const char* name;
        QStringList rows;
        std::function<void(MemoryTaskRowStore&)> change;
        QStringList changed;
    } cases[] = {
        {"RemoveApart", {"A", "B*", "C", "D*", "E"}, [](auto& rows) { RemoveSelectedTasks(rows); }, {"A", "C", "E"}},
        {"Clear", {"A*", "B"}, [](auto& rows) { ClearTasks(rows); }, {}},
        {"MoveDown", {"A*", "B", "C"}, MoveTasksDown, {"B", "A*", "C"}},
        {"SortByName", {"clip10", "Clip2*", "clip1"}, SortTasksByName, {"clip1", "Clip2*", "clip10"}},
        {"Insert", {"A"}, [](auto& rows) { rows = Rows({"B", "A"}); }, {"B", "A"}},
    };
    for (const auto& test : cases) {
        MemoryTaskRowStore rows = Rows(test.rows);
        TaskListHistory history(rows);
        history.Record([&] { test.change(rows); });
        EXPECT_EQ(Names(rows), test.changed) << test.name;
        history.Undo();
        EXPECT_EQ(Names(rows), test.rows) << test.name;
        EXPECT_FALSE(history.CanUndo()) << test.name;
        history.Record([] {}); // no change, no step: Redo stays
        ASSERT_TRUE(history.CanRedo()) << test.name;
        history.Redo();
        EXPECT_EQ(Names(rows), test.changed) << test.name;
    }
}
