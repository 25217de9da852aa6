#pragma once

#include <QDialog>

class QPlainTextEdit;

// The encoder command lines a job would run now, exactly as the console's --dry-run prints
// them, in a window that can be read and copied from but not edited. It does not hold up
// the main window: it is shown beside it and goes when closed.
class CommandLinesWindow : public QDialog {
public:
    CommandLinesWindow(QWidget* owner, const QString& lines);

    QPlainTextEdit* memLines = nullptr;
};
