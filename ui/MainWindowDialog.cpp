#include "ui/MainWindowDialog.h"

#include <QShowEvent>
#include <QWindow>

MainWindowDialog::MainWindowDialog(QWidget* mainWindow)
    : QWidget(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                           | Qt::WindowCloseButtonHint)
    , m_mainWindow(mainWindow)
{
}

void MainWindowDialog::showOver(QWidget* mainWindow)
{
    move(mainWindow->geometry().center() - rect().center());
    show();
    raise();
    activateWindow();
}

void MainWindowDialog::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        if (windowHandle() && m_mainWindow->windowHandle())
            windowHandle()->setTransientParent(m_mainWindow->windowHandle());
        m_mainWindow->setEnabled(false);
        FormShow();
    }
    QWidget::showEvent(event);
}

void MainWindowDialog::closeEvent(QCloseEvent* event)
{
    m_mainWindow->setEnabled(true);
    QWidget::closeEvent(event);
}
