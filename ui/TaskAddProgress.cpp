#include "ui/TaskAddProgress.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QStatusBar>

#include <utility>

TaskAddProgress::TaskAddProgress(QMainWindow& window, std::function<void()> stop)
    : QObject(&window), m_window(window), m_stop(std::move(stop))
{
}

void TaskAddProgress::show(int done, int found)
{
    m_window.statusBar()->showMessage(
        QString("Adding files to the Task List: %1 of %2 done. Press Esc to stop.").arg(done).arg(found));
    if (m_shown)
        return;
    m_shown = true;
    // Esc goes to whichever control has the focus, so it is watched for the whole window.
    qApp->installEventFilter(this);
}

void TaskAddProgress::hide()
{
    if (!m_shown)
        return;
    m_shown = false;
    qApp->removeEventFilter(this);
    m_window.statusBar()->clearMessage();
}

bool TaskAddProgress::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == &m_window) {
            m_stop();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
