#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QMimeData;

// The local files and folders that a drag carries; empty when it carries none.
QStringList DroppedPaths(const QMimeData* data);

// Takes drops of files from a control that would otherwise keep them itself
// (an edit box pastes their file:// addresses) and hands the files on; other
// drops, such as plain text, stay the control's own.
class FileDropRedirect : public QObject {
public:
    FileDropRedirect(QObject& control, std::function<void(const QStringList&)> dropped);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(const QStringList&)> m_dropped;
};
