#pragma once

#include <QString>
#include <QStringList>

// What a file dialog is set up with: a "|"-separated filter, a default extension, and
// where it opens.
struct FileDialogOptions {
    QString filter;
    QString defaultExtension;
    // A file whose folder the dialog opens in, the file's name already chosen; when empty
    // or in no existing folder, the dialog opens in the folder the user chose from last.
    QString startAt;
};

// The dialogs that ask the user for files and folders, over the window the user works
// in; tests answer them.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Several existing files; empty when cancelled. The list is in the dialog's own order.
    virtual QStringList openFiles(const FileDialogOptions& options) = 0;
    // One file name to write; empty when cancelled.
    virtual QString saveFile(const FileDialogOptions& options) = 0;
    // A folder; empty when cancelled.
    virtual QString BrowseForFolder(const QString& title) = 0;
};
