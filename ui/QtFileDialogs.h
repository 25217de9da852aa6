#pragma once

#include "platform/FileDialogs.h"

// The desktop's own file and folder dialogs.
class QtFileDialogs : public FileDialogs {
public:
    QStringList openFiles(const FileDialogOptions& options) override;
    QString saveFile(const FileDialogOptions& options) override;
    QString BrowseForFolder(const QString& title) override;
};
