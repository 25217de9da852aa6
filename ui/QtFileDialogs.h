#pragma once

#include "ui/FileDialogs.h"

// The desktop's own file and folder dialogs.
class QtFileDialogs : public FileDialogs {
public:
    QStringList openFiles(QWidget* owner, const FileDialogOptions& options) override;
    QString saveFile(QWidget* owner, const FileDialogOptions& options) override;
    QString browseForFolder(QWidget* owner, const QString& title) override;
};
