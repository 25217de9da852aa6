#include "ui/FileDrops.h"

#include "core/NameBytes.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <utility>

QStringList DroppedPaths(const QMimeData* data)
{
    QStringList paths;
    if (!data)
        return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths << NameOfFileUrl(url);
    }
    return paths;
}

FileDropRedirect::FileDropRedirect(QObject& control, std::function<void(const QStringList&)> dropped)
    : QObject(&control), m_dropped(std::move(dropped))
{
    control.installEventFilter(this);
}

bool FileDropRedirect::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    // Drag enter and drag move events are drop events too.
    auto* drop = static_cast<QDropEvent*>(event);
    const QStringList paths = DroppedPaths(drop->mimeData());
    if (paths.isEmpty())
        return QObject::eventFilter(watched, event);
    drop->acceptProposedAction();
    if (type == QEvent::Drop)
        m_dropped(paths);
    return true;
}
