#pragma once

#include <QWidget>

// A settings dialog the main window waits for: a fixed window of its own (so that
// disabling the main window leaves the dialog usable), shown centred over the main
// window without a modal loop; the main window takes no input until it closes.
class MainWindowDialog : public QWidget {
public:
    explicit MainWindowDialog(QWidget* mainWindow);

    void showOver(QWidget* mainWindow);

protected:
    // Each new showing; a window manager showing the dialog again after minimising it
    // is not one.
    virtual void FormShow() = 0;

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* m_mainWindow;
};
