#include "ui/QtFileDialogs.h"

#include "core/PathRules.h"
#include "settings/FileTypeFilters.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

namespace {

// The window the user works in owns the dialog, so it stays over that window.
QWidget* Owner()
{
    return QApplication::activeWindow();
}

}

void QtFileDialogs::openAt(QFileDialog& dialog, const QString& startAt) const
{
    const QString folder = FolderOf(startAt);
    if (!startAt.isEmpty() && !folder.isEmpty() && QFileInfo(folder).isDir()) {
        dialog.setDirectory(folder);
        if (const QString name = QFileInfo(startAt).fileName(); !name.isEmpty())
            dialog.selectFile(name);
    } else if (!m_lastFolder.isEmpty()) {
        dialog.setDirectory(m_lastFolder);
    }
}

void QtFileDialogs::rememberFolderOf(const QString& chosen)
{
    if (!chosen.isEmpty())
        m_lastFolder = QFileInfo(chosen).absolutePath();
}

QStringList QtFileDialogs::openFiles(const FileDialogOptions& options)
{
    QFileDialog dialog(Owner());
    openAt(dialog, options.startAt);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(QtFileDialogFilters(options.filter));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    // The task list takes the first name of a selection last (the name the user
    // clicked last comes first in that list). Qt's dialog gives the names in the
    // order the user sees them, so its last name goes first: the files are then
    // listed in that same order.
    QStringList names = dialog.selectedFiles();
    rememberFolderOf(names.value(0));
    if (names.size() > 1)
        names.prepend(names.takeLast());
    return names;
}

QString QtFileDialogs::saveFile(const FileDialogOptions& options)
{
    QFileDialog dialog(Owner());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(QtFileDialogFilters(options.filter));
    dialog.setDefaultSuffix(options.defaultExtension);
    // The program asks its own overwrite question when the job starts.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    openAt(dialog, options.startAt);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    rememberFolderOf(dialog.selectedFiles().first());
    return dialog.selectedFiles().first();
}

QString QtFileDialogs::BrowseForFolder(const QString& title)
{
    const QString folder = QFileDialog::getExistingDirectory(Owner(), title, m_lastFolder);
    if (!folder.isEmpty())
        m_lastFolder = folder;
    return folder;
}
