#pragma once

#include "platform/FileDialogs.h"

class QFileDialog;

// The desktop's own file and folder dialogs. Each opens where the options say, or else
// in the folder the user chose from last.
class QtFileDialogs : public FileDialogs {
public:
    QStringList openFiles(const FileDialogOptions& options) override;
    QString saveFile(const FileDialogOptions& options) override;
    QString BrowseForFolder(const QString& title) override;

private:
    void openAt(QFileDialog& dialog, const QString& startAt) const;
    void rememberFolderOf(const QString& chosen);

    QString m_lastFolder;
};
