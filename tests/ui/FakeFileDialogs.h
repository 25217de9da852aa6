#pragma once

#include "platform/FileDialogs.h"

// Answers the file and folder dialogs from the test's script and remembers how they were set up.
class FakeFileDialogs : public FileDialogs {
public:
    QStringList openFiles(const FileDialogOptions& options) override
    {
        lastOptions = options;
        return filesToOpen;
    }
    QString saveFile(const FileDialogOptions& options) override
    {
        lastOptions = options;
        return fileToSave;
    }
    QString BrowseForFolder(const QString& title) override
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
