#include "ui/QtFileDialogs.h"

#include "settings/FileTypeFilters.h"

#include <QApplication>
#include <QFileDialog>

namespace {

// The window the user works in owns the dialog, so it stays over that window.
QWidget* Owner()
{
    return QApplication::activeWindow();
}

}

QStringList QtFileDialogs::openFiles(const FileDialogOptions& options)
{
    QFileDialog dialog(Owner());
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(QtFileDialogFilters(options.filter));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    // The task list takes the first name of a selection last (the name the user
    // clicked last comes first in that list). Qt's dialog gives the names in the
    // order the user sees them, so its last name goes first: the files are then
    // listed in that same order.
    QStringList names = dialog.selectedFiles();
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
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString QtFileDialogs::BrowseForFolder(const QString& title)
{
    return QFileDialog::getExistingDirectory(Owner(), title);
}
