#include "ui/DesktopShell.h"

#include <QDesktopServices>
#include <QUrl>

void DesktopShell::open(const QString& target)
{
    const QUrl url = target.startsWith('/') ? QUrl::fromLocalFile(target) : QUrl(target);
    QDesktopServices::openUrl(url);
}
