#pragma once

#include "ui/FileDialogs.h"

// Answers the file and folder dialogs from the test's script and remembers how they were set up.
class FakeFileDialogs : public FileDialogs {
public:
    QStringList openFiles(QWidget*, const FileDialogOptions& options) override
    {
        lastOptions = options;
        return filesToOpen;
    }
    QString saveFile(QWidget*, const FileDialogOptions& options) override
    {
        lastOptions = options;
        return fileToSave;
    }
    QString browseForFolder(QWidget*, const QString& title) override
    {
        lastFolderTitle = title;
        return folderToBrowse;
    }

    QStringList filesToOpen;
    QString fileToSave;
    QString folderToBrowse;
    FileDialogOptions lastOptions;
    QString lastFolderTitle;
};
