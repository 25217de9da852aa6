#include "ui/CommandLinesWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CommandLinesWindow::CommandLinesWindow(QWidget* owner, const QString& lines)
    : QDialog(owner)
{
    setWindowTitle("Command Lines");
    setAttribute(Qt::WA_DeleteOnClose);
    memLines = new QPlainTextEdit(lines, this);
    memLines->setReadOnly(true);
    memLines->setLineWrapMode(QPlainTextEdit::NoWrap);
    memLines->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* copy = buttons->addButton("Copy All", QDialogButtonBox::ActionRole);
    connect(copy, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(memLines->toPlainText()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(memLines);
    layout->addWidget(buttons);
    resize(760, 320);
}
