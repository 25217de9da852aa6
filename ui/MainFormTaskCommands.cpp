// The main window's task list commands: toolbar, popup menu, keys and dropped files.
#include "ui/MainForm.h"

#include "platform/Shell.h"
#include "tasks/TaskAdder.h"
#include "tasks/TaskListEdits.h"
#include "tasks/TaskSort.h"
#include "platform/DesktopOpening.h"
#include "ui/FileDrops.h"
#include "ui/TaskAddProgress.h"
#include "ui/TaskRowDrag.h"
#include "ui/TaskThumbnails.h"
#include "ui/TreeTaskRowStore.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>

void TMainForm::buildTaskMenu()
{
    mnuOpen = ppmTask->addAction("Open", this, &TMainForm::ltvTaskDblClick);
    ppmTask->addSeparator();
    mnuAddFiles = ppmTask->addAction("Add Files...", this, &TMainForm::tbtnAddFileClick);
    mnuAddDirectory = ppmTask->addAction("Add Directorys...", this, &TMainForm::tbtnAddDirClick);
    ppmTask->addSeparator();
    mnuRemove = ppmTask->addAction("Remove", this, &TMainForm::tbtnRemoveClick);
    mnuClear = ppmTask->addAction("Clear", this, &TMainForm::tbtnClearClick);
    ppmTask->addSeparator();
    mnuCommandLines = ppmTask->addAction("Show Command Lines", this, &TMainForm::showCommandLines);
    ppmTask->addSeparator();
    mnuUndo = ppmTask->addAction("Undo", QKeySequence(Qt::CTRL | Qt::Key_Z), this, &TMainForm::mnuUndoClick);
    mnuRedo = ppmTask->addAction("Redo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), this,
                                 &TMainForm::mnuRedoClick);
    mnuSortByName = ppmTask->addAction("Sort by Name", this, &TMainForm::mnuSortByNameClick);
    mnuSortByDate = ppmTask->addAction("Sort by Date", this, &TMainForm::mnuSortByDateClick);
    // The keys work with the menu closed; a focused text box keeps them for its own text.
    addAction(mnuUndo);
    addAction(mnuRedo);
    // Items are disabled only while the menu shows, so that the keys always reach the handlers.
    connect(ppmTask, &QMenu::aboutToHide, this, [this] {
        for (QAction* item : ppmTask->actions())
            item->setEnabled(true);
    });

    connect(ltvTask, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        ppmTaskPopup();
        ppmTask->popup(ltvTask->viewport()->mapToGlobal(position));
    });
    connect(ltvTask, &QTreeWidget::itemDoubleClicked, this, &TMainForm::ltvTaskDblClick);
    connect(tbtnAddFile, &QToolButton::clicked, this, &TMainForm::tbtnAddFileClick);
    connect(tbtnAddDir, &QToolButton::clicked, this, &TMainForm::tbtnAddDirClick);
    connect(tbtnUp, &QToolButton::clicked, this, &TMainForm::tbtnUpClick);
    connect(tbtnDown, &QToolButton::clicked, this, &TMainForm::tbtnDownClick);
    connect(tbtnRemove, &QToolButton::clicked, this, &TMainForm::tbtnRemoveClick);
    connect(tbtnClear, &QToolButton::clicked, this, &TMainForm::tbtnClearClick);
}

void TMainForm::buildAdding()
{
    m_rows = std::make_unique<TreeTaskRowStore>(*ltvTask);
    m_history = std::make_unique<TaskListHistory>(*m_rows);
    TaskAddHooks hooks;
    hooks.hideIntro = [this] { panltvTask->hide(); };
    hooks.progress = [this](int done, int found) { m_addProgress->show(done, found); };
    // Each batch after the window has painted and answered what came meanwhile.
    hooks.later = [this](std::function<void()> batch) { QTimer::singleShot(0, this, std::move(batch)); };
    hooks.ended = [this](ListButtons buttons) {
        m_addProgress->hide();
        endAddStep();
        applyListButtons(buttons);
        m_summaryTimer->start(0);
    };
    m_adder = std::make_unique<TaskAdder>(*m_rows, *m_services.prompter, hooks);
    m_addProgress = new TaskAddProgress(*this, [this] { m_adder->Stop(); });
    // The output file box would paste a dropped file's address; files go to the list.
    new FileDropRedirect(*edtOutputFile, [this](const QStringList& paths) { dropLater(paths); });
    new TaskRowDrag(*ltvTask, *m_rows, *m_history);
    new TaskThumbnails(*ltvTask, m_program.EncoderPath);

    labTaskSummary = new QLabel(statusBar());
    statusBar()->addPermanentWidget(labTaskSummary);
    m_summaryTimer = new QTimer(this);
    m_summaryTimer->setSingleShot(true);
    connect(m_summaryTimer, &QTimer::timeout, this, [this] { labTaskSummary->setText(TaskListSummary(*m_rows)); });
    QAbstractItemModel* model = ltvTask->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, &TMainForm::showTaskSummaryLater);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &TMainForm::showTaskSummaryLater);
    // A row's picture changes nothing that the summary counts.
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex&, const QModelIndex&, const QList<int>& roles) {
                if (roles != QList<int>{Qt::DecorationRole})
                    showTaskSummaryLater();
            });
    connect(model, &QAbstractItemModel::modelReset, this, &TMainForm::showTaskSummaryLater);
    labTaskSummary->setText(TaskListSummary(*m_rows));
}

void TMainForm::showTaskSummaryLater()
{
    // The sum reads every row (about 1 ms a thousand): once the changes of an event-loop turn
    // have settled, and during a long add once a second, so that 30,000 files do not cost
    // it a sixth of their time.
    if (!m_summaryTimer->isActive())
        m_summaryTimer->start(isAdding() ? 1000 : 0);
}

bool TMainForm::isAdding() const
{
    return m_adder->IsAdding();
}

void TMainForm::applyListButtons(ListButtons change)
{
    if (change == ListButtons::Unchanged)
        return;
    for (QToolButton* button : {tbtnUp, tbtnDown, tbtnRemove, tbtnClear, tbtnStart})
        button->setEnabled(change == ListButtons::Enable);
}

void TMainForm::changeTasks(const std::function<ListButtons()>& change)
{
    ListButtons buttons = ListButtons::Unchanged;
    m_history->Record([&] { buttons = change(); });
    applyListButtons(buttons);
}

void TMainForm::addTasks(const std::function<void()>& command)
{
    if (!m_addStep)
        m_addStep = m_history->Open();
    command();
    if (!isAdding())
        endAddStep();
}

void TMainForm::endAddStep()
{
    if (m_addStep)
        m_history->Close(*std::exchange(m_addStep, std::nullopt));
}

void TMainForm::tbtnAddFileClick()
{
    const QStringList files = m_services.dialogs->openFiles(OpenDialog1);
    addTasks([&] { m_adder->AddFiles(files); });
}

void TMainForm::tbtnAddDirClick()
{
    const QString folder = m_services.dialogs->BrowseForFolder("Add a directory to the Task List");
    addTasks([&] { m_adder->AddDirectory(folder); });
    ltvTask->setFocus();
}

void TMainForm::DropFiles(const QStringList& paths)
{
    addTasks([&] { m_adder->AddDropped(paths, ltvTask->isEnabled()); });
}

void TMainForm::tbtnUpClick()
{
    changeTasks([this] {
        MoveTasksUp(*m_rows);
        return ListButtons::Unchanged;
    });
}

void TMainForm::tbtnDownClick()
{
    changeTasks([this] {
        MoveTasksDown(*m_rows);
        return ListButtons::Unchanged;
    });
}

void TMainForm::tbtnRemoveClick()
{
    const int before = m_rows->rowCount();
    int first = 0;
    while (first < before && !m_rows->isSelected(first))
        ++first;
    changeTasks([this] { return RemoveSelectedTasks(*m_rows); });
    // The row that took the first removed one's place (else the new last row) is selected
    // and current, so that a second Delete removes it.
    if (first < before && m_rows->rowCount() > 0)
        ltvTask->setCurrentItem(ltvTask->topLevelItem(std::min(first, m_rows->rowCount() - 1)));
}

void TMainForm::tbtnClearClick()
{
    changeTasks([this] { return ClearTasks(*m_rows); });
}

void TMainForm::mnuUndoClick()
{
    // A job reads the rows, and an add appends to them, until it ends.
    if (!ltvTask->isEnabled() || isAdding() || !m_history->CanUndo())
        return;
    m_history->Undo();
    showRestoredTasks();
}

void TMainForm::mnuRedoClick()
{
    if (!ltvTask->isEnabled() || isAdding() || !m_history->CanRedo())
        return;
    m_history->Redo();
    showRestoredTasks();
}

void TMainForm::showRestoredTasks()
{
    applyListButtons(m_rows->rowCount() > 0 ? ListButtons::Enable : ListButtons::Disable);
    for (int row = 0; row < m_rows->rowCount(); ++row) {
        if (m_rows->isSelected(row)) {
            ltvTask->selectionModel()->setCurrentIndex(ltvTask->model()->index(row, 0), QItemSelectionModel::NoUpdate);
            ltvTask->scrollToItem(ltvTask->topLevelItem(row));
            return;
        }
    }
}

void TMainForm::mnuSortByNameClick()
{
    changeTasks([this] {
        SortTasksByName(*m_rows);
        return ListButtons::Unchanged;
    });
}

void TMainForm::mnuSortByDateClick()
{
    changeTasks([this] {
        SortTasksByDate(*m_rows);
        return ListButtons::Unchanged;
    });
}

void TMainForm::ltvTaskDblClick()
{
    const QString path = FirstSelectedTaskPath(*m_rows);
    if (!path.isEmpty())
        OpenOrExplain(*m_services.shell, *m_services.prompter, path);
}

void TMainForm::ppmTaskPopup()
{
    const TaskMenuState state = TaskMenuRule(*m_rows);
    mnuOpen->setEnabled(state.open);
    mnuAddFiles->setEnabled(state.addFiles);
    mnuAddDirectory->setEnabled(state.addDirectory);
    mnuRemove->setEnabled(state.remove);
    mnuClear->setEnabled(state.clear);
    mnuSortByName->setEnabled(state.sort);
    mnuSortByDate->setEnabled(state.sort);
    mnuUndo->setEnabled(m_history->CanUndo() && !isAdding());
    mnuRedo->setEnabled(m_history->CanRedo() && !isAdding());
}

bool TMainForm::ltvTaskKeyDown(int key)
{
    if (key == Qt::Key_Backspace) {
        tbtnClearClick();
        return true;
    }
    if (key == Qt::Key_Delete) {
        tbtnRemoveClick();
        return true;
    }
    return false;
}

void TMainForm::ReadTaskEntry(int index, int selector, ltvItemData& entry) const
{
    ::ReadTaskEntry(*m_rows, index, selector, entry);
}

void TMainForm::WriteTaskEntry(int index, int selector, const ltvItemData& entry)
{
    ::WriteTaskEntry(*m_rows, index, selector, entry);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    event->acceptProposedAction();
    dropLater(DroppedPaths(event->mimeData()));
}

void TMainForm::dropLater(const QStringList& paths)
{
    // The program the files came from waits until the drop event is handled, so
    // a long add runs after it.
    QMetaObject::invokeMethod(this, [this, paths] { DropFiles(paths); }, Qt::QueuedConnection);
}

