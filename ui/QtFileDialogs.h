#pragma once

#include "ui/FileDialogs.h"

// The desktop's own file and folder dialogs.
class QtFileDialogs : public FileDialogs {
public:
    QStringList openFiles(QWidget* owner, const FileDialogSpec& spec) override;
    QString saveFile(QWidget* owner, const FileDialogSpec& spec) override;
    QString browseForFolder(QWidget* owner, const QString& title) override;
};
