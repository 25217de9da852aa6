#include "core/NameBytes.h"
#include "tests/support/Clips.h"
#include "tests/ui/ProgramFolderFixture.h"
#include "ui/MessageBoxPrompter.h"
#include "ui/TaskThumbnails.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QTreeWidget>
#include <QUrl>

namespace {

// The list commands reach the task list through the real list view.
class MainFormTaskList : public ProgramFolderFixture {
protected:
    // Copies of one clip, made once for all the tests.
    void SetUp() override
    {
        ClipRecipe recipe;
        recipe.seconds = 1.0;
        recipe.width = 160;
        recipe.height = 120;
        recipe.audio = false;
        const QString source = SharedClip(recipe);
        QDir(m_folder.path()).mkdir("clips");
        for (const char* name : {"a.avi", "b.avi", "c.avi"})
            ASSERT_TRUE(QFile::copy(source, clip(name)));
    }

    // The events of a real double click, on the list's empty space below its rows.
    static void doubleClickBelowTheRows(TMainForm& form)
    {
        QWidget* viewport = form.ltvTask->viewport();
        const QPointF below(5, viewport->height() - 5);
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                        QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, below, viewport->mapToGlobal(below), Qt::LeftButton,
                              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(viewport, &event);
        }
    }

    QString clip(const QString& name) const { return programDir() + "clips/" + name; }

    // The window shown with the command line's files added, as the program starts.
    TMainForm& startShown(const QStringList& arguments)
    {
        TMainForm& form = start(arguments);
        form.show();
        QApplication::processEvents();
        untilAdded(form);
        return form;
    }

    // A folder of many names for one clip, long enough to add that events are
    // processed several times on the way.
    QString longFolder()
    {
        const QString folder = programDir() + "many";
        QDir().mkpath(folder);
        for (int i = 0; i < LongFolderFiles; ++i)
            EXPECT_TRUE(QFile::link(clip("a.avi"), QString("%1/%2.avi").arg(folder).arg(i, 4, 10, QChar('0'))));
        return folder;
    }
    static constexpr int LongFolderFiles = 1000;

    // Runs `act` while an add is under way, once it has added a row.
    static void whileAdding(TMainForm& form, const std::function<void()>& act)
    {
        QTimer::singleShot(0, &form, [&form, act] {
            if (form.ltvTask->topLevelItemCount() > 0)
                act();
            else
                whileAdding(form, act);
        });
    }

    static QStringList captions(const TMainForm& form)
    {
        QStringList texts;
        for (int row = 0; row < form.ltvTask->topLevelItemCount(); ++row)
            texts << form.ltvTask->topLevelItem(row)->text(0);
        return texts;
    }

    static bool listButtonsEnabled(const TMainForm& form, bool enabled)
    {
        for (QToolButton* button : {form.tbtnUp, form.tbtnDown, form.tbtnRemove, form.tbtnClear, form.tbtnStart}) {
            if (button->isEnabled() != enabled)
                return false;
        }
        return true;
    }

    static void press(TMainForm& form, Qt::Key key)
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(form.ltvTask, &event);
    }
};

TEST_F(MainFormTaskList, CommandLineFilesFillTheVisibleColumnsOnceTheWindowIsUp)
{
    TMainForm& form = start({clip("b.avi"), programDir() + "clips/missing.avi"});
    EXPECT_TRUE(captions(form).isEmpty()) << "no question or message may come before the window";
    form.show();
    QApplication::processEvents();
    untilAdded(form);
    EXPECT_EQ(captions(form), QStringList{clip("b.avi")});
    EXPECT_TRUE(listButtonsEnabled(form, true));
    EXPECT_TRUE(form.panltvTask->isHidden());
    const QTreeWidgetItem* row = form.ltvTask->topLevelItem(0);
    EXPECT_EQ(row->text(1), "00:00:01");
    EXPECT_EQ(row->text(2), "160x120");
    EXPECT_EQ(row->text(3), "OK");
}

TEST_F(MainFormTaskList, StartWithoutArgumentsKeepsTheIntroAndTheButtonsOff)
{
    TMainForm& form = start();
    EXPECT_FALSE(form.panltvTask->isHidden());
    EXPECT_TRUE(listButtonsEnabled(form, false));
}

TEST_F(MainFormTaskList, AddFilesAndAddDirectoryUseTheirDialogs)
{
    TMainForm& form = start();
    dialogs.filesToOpen = {clip("c.avi"), clip("a.avi")};
    form.tbtnAddFile->click();
    untilAdded(form);
    EXPECT_EQ(captions(form), (QStringList{clip("a.avi"), clip("c.avi")}));
    EXPECT_EQ(dialogs.lastOptions.filter, form.OpenDialog1.filter);
    EXPECT_TRUE(listButtonsEnabled(form, true));

    dialogs.folderToBrowse = programDir() + "clips";
    prompter.answer(false);
    prompter.answer(false);
    form.mnuAddDirectory->trigger();
    untilAdded(form);
    EXPECT_EQ(dialogs.lastFolderTitle, "Add a directory to the Task List");
    EXPECT_EQ(captions(form), (QStringList{clip("a.avi"), clip("c.avi"), clip("b.avi")}));
}

TEST_F(MainFormTaskList, KeysMoveButtonsAndOpenReachTheList)
{
    TMainForm& form = start({programDir() + "clips"});
    QApplication::processEvents();
    untilAdded(form);
    press(form, Qt::Key_Delete);
    EXPECT_EQ(captions(form).size(), 3) << "Delete with nothing selected changes nothing";

    form.ltvTask->topLevelItem(2)->setSelected(true);
    form.tbtnUp->click();
    EXPECT_EQ(captions(form), (QStringList{clip("a.avi"), clip("c.avi"), clip("b.avi")}));
    EXPECT_EQ(form.ltvTask->topLevelItem(1)->text(1), "00:00:01") << "the cells travel with the path";
    form.ltvTaskDblClick();
    EXPECT_EQ(shell.opened, QStringList{clip("c.avi")});
    doubleClickBelowTheRows(form);
    EXPECT_EQ(shell.opened, (QStringList{clip("c.avi"), clip("c.avi")})) << "empty space opens the selection";

    press(form, Qt::Key_Delete);
    EXPECT_EQ(captions(form), (QStringList{clip("a.avi"), clip("b.avi")}));
    EXPECT_TRUE(listButtonsEnabled(form, true));

    press(form, Qt::Key_Backspace);
    EXPECT_TRUE(captions(form).isEmpty());
    EXPECT_TRUE(listButtonsEnabled(form, false));
    EXPECT_TRUE(prompter.messages.isEmpty()) << "neither key asks";
}

TEST_F(MainFormTaskList, PopupMenuFollowsTheListAndTheSelection)
{
    TMainForm& form = start();
    form.ppmTaskPopup();
    EXPECT_FALSE(form.mnuOpen->isEnabled());
    EXPECT_FALSE(form.mnuRemove->isEnabled());
    EXPECT_FALSE(form.mnuClear->isEnabled());
    EXPECT_TRUE(form.mnuAddFiles->isEnabled());
    EXPECT_EQ(form.mnuAddDirectory->text(), "Add Directorys...");

    form.DropFiles({clip("a.avi")});
    form.ppmTaskPopup();
    EXPECT_FALSE(form.mnuOpen->isEnabled());
    EXPECT_TRUE(form.mnuClear->isEnabled());
    form.ltvTask->topLevelItem(0)->setSelected(true);
    form.ppmTaskPopup();
    EXPECT_TRUE(form.mnuOpen->isEnabled());
    EXPECT_TRUE(form.mnuRemove->isEnabled());
}

TEST_F(MainFormTaskList, DropsAreIgnoredWhileTheListIsDisabled)
{
    TMainForm& form = start();
    form.ltvTask->setEnabled(false);
    form.DropFiles({programDir() + "clips"});
    EXPECT_TRUE(captions(form).isEmpty());
    EXPECT_TRUE(form.panltvTask->isHidden());

    form.ltvTask->setEnabled(true);
    form.DropFiles({programDir() + "clips"});
    untilAdded(form);
    EXPECT_EQ(captions(form).size(), 3);
    EXPECT_TRUE(listButtonsEnabled(form, true));
}

TEST_F(MainFormTaskList, ALongAddShowsItsProgressAndEscStopsItKeepingWhatWasAdded)
{
    dialogs.folderToBrowse = longFolder();
    TMainForm& form = start();
    form.show();
    QString shown;
    whileAdding(form, [&] {
        EXPECT_TRUE(form.statusBar()->isVisible());
        shown = form.statusBar()->currentMessage();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(form.edtOutputFile, &escape);
    });
    form.tbtnAddDir->click();
    untilAdded(form);

    EXPECT_TRUE(QRegularExpression("^Adding files to the Task List: \\d+ of 1000 done. Press Esc to stop.$")
                    .match(shown)
                    .hasMatch())
        << shown.toStdString();
    const int added = form.ltvTask->topLevelItemCount();
    EXPECT_GT(added, 0);
    EXPECT_LT(added, LongFolderFiles) << "Esc must end the add";
    EXPECT_FALSE(form.isAdding());
    EXPECT_TRUE(form.statusBar()->currentMessage().isEmpty());
    EXPECT_TRUE(listButtonsEnabled(form, true));
    EXPECT_TRUE(prompter.messages.isEmpty());
}

// The files named on the command line are added inside the event loop, and
// closing the window there must end the program, not go on reading every file.
TEST_F(MainFormTaskList, ClosingTheWindowDuringAnAddEndsTheAddAndTheProgram)
{
    TMainForm& form = start({longFolder()});
    form.show();
    whileAdding(form, [&form] { form.close(); });
    bool timedOut = false;
    QTimer::singleShot(60000, qApp, [&timedOut] {
        timedOut = true;
        QApplication::quit();
    });
    QApplication::exec();

    EXPECT_FALSE(timedOut);
    EXPECT_LT(form.ltvTask->topLevelItemCount(), LongFolderFiles);
    EXPECT_FALSE(form.isAdding());
    EXPECT_TRUE(prompter.messages.isEmpty()) << "nothing more is said once the window is closed";
}

// The output file box, left to itself, pastes a dropped file's address into its text.
TEST_F(MainFormTaskList, FilesDroppedOnTheOutputBoxGoToTheListAndLeaveTheBoxAlone)
{
    TMainForm& form = start();
    const QString output = form.edtOutputFile->text();
    // As file managers give them: the addresses, and the same as plain text.
    // A name that is not UTF-8 comes percent-encoded byte for byte.
    const QByteArray latin1 = QFile::encodeName(clip("caf")) + "\xE9.avi";
    ASSERT_EQ(rename(QFile::encodeName(clip("b.avi")).constData(), latin1.constData()), 0);
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(clip("c.avi")), QUrl::fromLocalFile(clip("a.avi")),
                   QUrl::fromEncoded("file://" + latin1.toPercentEncoding("/"))});
    files.setText(QUrl::fromLocalFile(clip("c.avi")).toString() + "\n" + QUrl::fromLocalFile(clip("a.avi")).toString());
    const QPoint inside = form.edtOutputFile->rect().center();
    QDragEnterEvent enter(inside, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.edtOutputFile, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(inside, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.edtOutputFile, &drop);
    EXPECT_TRUE(drop.isAccepted());
    QApplication::processEvents();
    untilAdded(form);

    EXPECT_EQ(captions(form), (QStringList{clip("c.avi"), clip("a.avi"), NameFromBytes(latin1)}));
    unlink(latin1.constData());
    EXPECT_EQ(form.edtOutputFile->text(), output);
    EXPECT_TRUE(listButtonsEnabled(form, true));
}

TEST_F(MainFormTaskList, LongPathsKeepTheirEndsVisibleAndShowWholeAsTheRowsTooltip)
{
    const QString deep = programDir() + "clips/" + QString("a folder of holiday videos from the summer/").repeated(4);
    QDir().mkpath(deep);
    for (const char* name : {"beach day one.avi", "beach day two.avi"})
        ASSERT_TRUE(QFile::copy(clip("a.avi"), deep + name));
    TMainForm& form = startShown({deep});
    ASSERT_EQ(form.ltvTask->topLevelItemCount(), 2);
    // Both rows' pictures are settled (the film: this program folder has no encoder), so that
    // the rows differ in their paths alone.
    const TaskThumbnails* pictures = form.ltvTask->findChild<TaskThumbnails*>();
    ASSERT_NE(pictures, nullptr);
    const auto waiting = [&] {
        return form.ltvTask->topLevelItem(0)->icon(0).cacheKey() == pictures->waitingIcon().cacheKey()
            || form.ltvTask->topLevelItem(1)->icon(0).cacheKey() == pictures->waitingIcon().cacheKey();
    };
    while (waiting())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    form.ltvTask->setCurrentItem(nullptr);
    form.ltvTask->clearSelection();

    // The first column of each row as drawn on the screen.
    auto drawnPaths = [&form] {
        const QImage view = form.ltvTask->viewport()->grab().toImage();
        QList<QImage> rows;
        for (int row = 0; row < 2; ++row) {
            QRect cell = form.ltvTask->visualItemRect(form.ltvTask->topLevelItem(row));
            cell.setLeft(form.ltvTask->header()->sectionViewportPosition(0));
            cell.setWidth(form.ltvTask->columnWidth(0));
            rows << view.copy(cell);
        }
        return rows;
    };
    const QList<QImage> shown = drawnPaths();
    EXPECT_NE(shown[0], shown[1]) << "the two paths must be told apart";
    form.ltvTask->setTextElideMode(Qt::ElideRight);
    const QList<QImage> cutAtTheRight = drawnPaths();
    EXPECT_EQ(cutAtTheRight[0], cutAtTheRight[1]) << "the paths are too long for the column";

    const QRect status = form.ltvTask->visualItemRect(form.ltvTask->topLevelItem(1));
    const QPoint overStatus(form.ltvTask->header()->sectionViewportPosition(3) + 5, status.center().y());
    QHelpEvent tip(QEvent::ToolTip, overStatus, form.ltvTask->viewport()->mapToGlobal(overStatus));
    QApplication::sendEvent(form.ltvTask->viewport(), &tip);
    EXPECT_EQ(QToolTip::text(), deep + "beach day two.avi");
    QToolTip::hideText();
}

}

namespace {

void SendMouse(QWidget& target, QEvent::Type type, QPoint position, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, position, target.mapToGlobal(position), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&target, &event);
}

// A drag of the list's own rows: a real press on the row, then what the list's drag carries
// entering the list and dropped on the target row (the offscreen platform has no drag loop).
void DragRow(QTreeWidget& list, int from, int to)
{
    QWidget& viewport = *list.viewport();
    const QPoint start = list.visualItemRect(list.topLevelItem(from)).center();
    const QPoint end = list.visualItemRect(list.topLevelItem(to)).center();
    SendMouse(viewport, QEvent::MouseButtonPress, start, Qt::LeftButton);
    std::unique_ptr<QMimeData> rows(list.model()->mimeData(list.selectionModel()->selectedIndexes()));
    QDragEnterEvent enter(start, Qt::CopyAction | Qt::MoveAction, rows.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&viewport, &enter);
    QDragMoveEvent move(end, Qt::CopyAction | Qt::MoveAction, rows.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&viewport, &move);
    QDropEvent drop(end, Qt::CopyAction | Qt::MoveAction, rows.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&viewport, &drop);
    EXPECT_NE(drop.dropAction(), Qt::MoveAction) << "a move would have the list delete the dragged rows";
    SendMouse(viewport, QEvent::MouseButtonRelease, end, Qt::NoButton);
    QApplication::processEvents();
}

}

TEST_F(MainFormTaskList, DraggedRowsMoveAsTheMoveButtonsMoveThemAndDroppedFilesAreStillAdded)
{
    TMainForm& form = startShown({clip("a.avi"), clip("b.avi"), clip("c.avi")});
    ASSERT_EQ(captions(form), (QStringList{clip("a.avi"), clip("b.avi"), clip("c.avi")}));
    // The summary is made in the turn after the add's end.
    QApplication::processEvents();
    EXPECT_EQ(form.labTaskSummary->text(), "3 files, total length 00:00:03");

    DragRow(*form.ltvTask, 0, 2);
    EXPECT_EQ(captions(form), (QStringList{clip("b.avi"), clip("c.avi"), clip("a.avi")}));
    EXPECT_TRUE(form.ltvTask->topLevelItem(2)->isSelected());

    // A selected run, dragged by its first row.
    form.ltvTask->clearSelection();
    form.ltvTask->topLevelItem(0)->setSelected(true);
    form.ltvTask->topLevelItem(1)->setSelected(true);
    DragRow(*form.ltvTask, 0, 1);
    EXPECT_EQ(captions(form), (QStringList{clip("a.avi"), clip("b.avi"), clip("c.avi")}));
    EXPECT_TRUE(form.ltvTask->topLevelItem(1)->isSelected() && form.ltvTask->topLevelItem(2)->isSelected());

    form.tbtnClearClick();
    QApplication::processEvents();
    EXPECT_EQ(form.labTaskSummary->text(), "0 files, total length 00:00:00");

    // Files dragged in from a file manager still go to the list.
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(clip("b.avi"))});
    QWidget* viewport = form.ltvTask->viewport();
    const QPoint inside(20, 20);
    QDragEnterEvent enter(inside, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDropEvent drop(inside, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    QApplication::processEvents();
    EXPECT_EQ(captions(form), QStringList{clip("b.avi")});
    QApplication::processEvents();
    EXPECT_EQ(form.labTaskSummary->text(), "1 file, total length 00:00:01");
}

TEST_F(MainFormTaskList, UndoTakesBackRemoveClearAndADragAndRedoMakesThemAgain)
{
    TMainForm& form = startShown({programDir() + "clips"});
    const QStringList abc{clip("a.avi"), clip("b.avi"), clip("c.avi")};
    ASSERT_EQ(captions(form), abc);

    form.ltvTask->topLevelItem(1)->setSelected(true);
    press(form, Qt::Key_Delete);
    EXPECT_EQ(captions(form), (QStringList{clip("a.avi"), clip("c.avi")}));
    EXPECT_TRUE(form.ltvTask->topLevelItem(1)->isSelected()) << "the next row is selected";
    EXPECT_EQ(form.ltvTask->currentItem(), form.ltvTask->topLevelItem(1));
    form.mnuUndo->trigger();
    EXPECT_EQ(captions(form), abc);
    EXPECT_TRUE(form.ltvTask->topLevelItem(1)->isSelected()) << "the row comes back selected";
    EXPECT_EQ(form.ltvTask->topLevelItem(1)->text(2), "160x120") << "with its cells";

    press(form, Qt::Key_Backspace);
    EXPECT_TRUE(captions(form).isEmpty());
    EXPECT_TRUE(listButtonsEnabled(form, false));
    form.mnuUndo->trigger();
    EXPECT_EQ(captions(form), abc);
    EXPECT_TRUE(listButtonsEnabled(form, true));

    DragRow(*form.ltvTask, 0, 2);
    const QStringList dragged{clip("b.avi"), clip("c.avi"), clip("a.avi")};
    EXPECT_EQ(captions(form), dragged);
    form.mnuUndo->trigger();
    EXPECT_EQ(captions(form), abc);
    form.mnuRedo->trigger();
    EXPECT_EQ(captions(form), dragged);
    form.mnuRedo->trigger();
    EXPECT_EQ(captions(form), dragged) << "nothing more to redo";

    // Back past every step to the list the program started with.
    for (int step = 0; step < 4; ++step)
        form.mnuUndo->trigger();
    EXPECT_EQ(captions(form), abc);
    EXPECT_TRUE(prompter.messages.isEmpty());
}

TEST_F(MainFormTaskList, DuplicatesOfAFolderAskOncePerFileUntilAnAnswerForAll)
{
    const QString folder = programDir() + "twice";
    QDir().mkpath(folder);
    constexpr int Files = 300;
    for (int i = 1; i <= Files; ++i)
        ASSERT_TRUE(QFile::link(clip("a.avi"), QString("%1/clip%2.avi").arg(folder).arg(i)));
    using Answer = Prompter::Answer;
    const struct {
        const char* name;
        QList<Answer> answers;
        int rows;
    } cases[] = {
        {"YesToAll", {Answer::YesToAll}, 2 * Files},
        {"NoToAll", {Answer::NoToAll}, Files},
        {"YesNoThenNoToAll", {Answer::Yes, Answer::No, Answer::NoToAll}, Files + 1},
    };
    for (const auto& test : cases) {
        TMainForm& form = start();
        dialogs.folderToBrowse = folder;
        form.tbtnAddDir->click();
        untilAdded(form);
        ASSERT_EQ(form.ltvTask->topLevelItemCount(), Files) << test.name;
        prompter.messages.clear();
        prompter.forAllAnswers = test.answers;
        form.tbtnAddDir->click();
        untilAdded(form);
        EXPECT_EQ(form.ltvTask->topLevelItemCount(), test.rows) << test.name;
        ASSERT_EQ(prompter.messages.size(), test.answers.size()) << test.name;
        for (int asked = 0; asked < test.answers.size(); ++asked) {
            EXPECT_EQ(prompter.messages[asked].kind, FakePrompter::Kind::AskForAll) << test.name;
            EXPECT_EQ(prompter.messages[asked].caption, "Already Listed");
            EXPECT_TRUE(prompter.messages[asked].text.endsWith(QString("\n%1/clip%2.avi").arg(folder).arg(asked + 1)))
                << prompter.messages[asked].text.toStdString();
        }
    }
}

TEST_F(MainFormTaskList, FoldersListInNaturalOrderAndTheListSortsByNameOrDateAsOneStep)
{
    const QString folder = programDir() + "natural";
    QDir().mkpath(folder);
    QStringList natural;
    for (int i = 1; i <= 12; ++i) {
        natural << QString("%1/clip%2.avi").arg(folder).arg(i);
        ASSERT_TRUE(QFile::copy(clip("a.avi"), natural.last()));
    }
    TMainForm& form = startShown({folder});
    EXPECT_EQ(captions(form), natural);

    // Made in the order 12, 11, ..., 1; clip5 says it was recorded before any of them.
    for (int i = 1; i <= 12; ++i) {
        QFile file(natural[i - 1]);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2022, 1, 1), QTime(12, 0)).addSecs(-60 * i),
                                     QFileDevice::FileModificationTime));
    }
    const QString recorded = folder + "/recorded.mp4";
    ASSERT_EQ(RunProgram("ffmpeg", {"-nostdin", "-v", "error", "-i", natural[4], "-c", "copy", "-metadata",
                                    "creation_time=2019-05-06T07:08:09Z", recorded}).exitCode, 0);
    dialogs.filesToOpen = {recorded};
    form.tbtnAddFile->click();

    form.mnuSortByDate->trigger();
    QStringList byDate{recorded};
    for (int i = 12; i >= 1; --i)
        byDate << natural[i - 1];
    EXPECT_EQ(captions(form), byDate);
    form.mnuSortByName->trigger();
    EXPECT_EQ(captions(form), natural + QStringList{recorded});
    form.mnuUndo->trigger();
    EXPECT_EQ(captions(form), byDate);
    form.mnuUndo->trigger();
    EXPECT_EQ(captions(form), natural + QStringList{recorded});
}

// The real question boxes: four buttons, and Esc answers for the rest of the add; a job's
// question is window-modal, answered after the call returned, and Enter answers No.
TEST_F(MainFormTaskList, EscInTheDuplicateQuestionIsNoToAll)
{
    TMainForm& form = startShown({});
    MessageBoxPrompter boxes(&form);
    std::optional<Prompter::Answer> forAll;
    boxes.poseForAll("Already Listed", "text", [&forAll](Prompter::Answer answer) { forAll = answer; });
    QWidget* asked = QApplication::activeModalWidget();
    ASSERT_NE(asked, nullptr);
    EXPECT_EQ(asked->findChildren<QPushButton*>().size(), 4);
    EXPECT_FALSE(forAll.has_value());
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(asked, &escape);
    EXPECT_EQ(forAll, Prompter::Answer::NoToAll);

    std::optional<bool> overwrite;
    boxes.pose({Prompter::Question::Kind::YesNo, "File Exists", "text"}, [&overwrite](bool yes) { overwrite = yes; });
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_FALSE(overwrite.has_value());
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(box, &enter);
    EXPECT_EQ(overwrite, false);
}
