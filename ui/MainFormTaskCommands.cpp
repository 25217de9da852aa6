// The main window's task list commands: toolbar, popup menu, keys and dropped files.
#include "ui/MainForm.h"

#include "platform/Shell.h"
#include "tasks/TaskAdder.h"
#include "tasks/TaskListEdits.h"
#include "settings/DesktopOpening.h"
#include "ui/FileDrops.h"
#include "ui/TaskAddProgress.h"
#include "ui/TaskRowDrag.h"
#include "ui/TaskThumbnails.h"
#include "ui/TreeTaskRowStore.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

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
    TaskAddHooks hooks;
    hooks.hideIntro = [this] { panltvTask->hide(); };
    hooks.progress = [this](int done, int found) { m_addProgress->show(done, found); };
    hooks.ended = [this] {
        m_addProgress->hide();
        m_summaryTimer->start(0);
    };
    m_adder = std::make_unique<TaskAdder>(*m_rows, *m_services.prompter, hooks);
    m_addProgress = new TaskAddProgress(*this, [this] { m_adder->Stop(); });
    // The output file box would paste a dropped file's address; files go to the list.
    new FileDropRedirect(*edtOutputFile, [this](const QStringList& paths) { dropLater(paths); });
    new TaskRowDrag(*ltvTask, *m_rows);
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

void TMainForm::tbtnAddFileClick()
{
    applyListButtons(m_adder->AddFiles(m_services.dialogs->openFiles(OpenDialog1)));
}

void TMainForm::tbtnAddDirClick()
{
    const QString folder = m_services.dialogs->BrowseForFolder("Add a directory to the Task List");
    const ListButtons change = m_adder->AddDirectory(folder);
    ltvTask->setFocus();
    applyListButtons(change);
}

void TMainForm::DropFiles(const QStringList& paths)
{
    applyListButtons(m_adder->AddDropped(paths, ltvTask->isEnabled()));
}

void TMainForm::tbtnUpClick()
{
    MoveTasksUp(*m_rows);
}

void TMainForm::tbtnDownClick()
{
    MoveTasksDown(*m_rows);
}

void TMainForm::tbtnRemoveClick()
{
    applyListButtons(RemoveSelectedTasks(*m_rows));
}

void TMainForm::tbtnClearClick()
{
    applyListButtons(ClearTasks(*m_rows));
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

