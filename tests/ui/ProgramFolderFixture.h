#pragma once

#include "tests/support/FakeDesktop.h"
#include "tests/support/FakePower.h"
#include "tests/support/FakePrompter.h"
#include "tests/support/FakeShell.h"
#include "tests/ui/FakeFileDialogs.h"
#include "ui/MainForm.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

// A program folder of the test's own, and a main window started on it with fake desktop effects.
class ProgramFolderFixture : public ::testing::Test {
protected:
    // Kept as a build folder is: the preferences and temp folder beside the program.
    ProgramFolderFixture() { writeFile(ProgramValues::BuildFolderMark); }

    QString programDir() const { return m_folder.path() + '/'; }

    void writeFile(const QString& relativePath, const QByteArray& content = {})
    {
        QFile file(programDir() + relativePath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    TMainForm& start(const QStringList& arguments = {})
    {
        m_form = std::make_unique<TMainForm>(programDir(), arguments,
                                             MainFormServices{&prompter, &shell, &dialogs, &power, &inhibitor, &notifier});
        return *m_form;
    }

    // Runs the event loop until the adding commands given so far have ended.
    static void untilAdded(TMainForm& form)
    {
        while (form.isAdding())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    FakePrompter prompter;
    FakeShell shell;
    FakeFileDialogs dialogs;
    FakePower power;
    FakeSleepInhibitor inhibitor;
    FakeNotifier notifier;
    QTemporaryDir m_folder;
    std::unique_ptr<TMainForm> m_form;
};
