#pragma once

#include <QObject>

#include <functional>

class QMainWindow;

// While files are being added to the task list: how far the adding has got, in
// the main window's status bar (beside the list's summary), and Esc in that
// window to stop it.
class TaskAddProgress : public QObject {
public:
    TaskAddProgress(QMainWindow& window, std::function<void()> stop);

    // Files done of the files found; the first call shows the status bar.
    void show(int done, int found);
    void hide();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QMainWindow& m_window;
    std::function<void()> m_stop;
    bool m_shown = false;
};
