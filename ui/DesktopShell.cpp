#include "ui/DesktopShell.h"

#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

// The type xdg-mime files the target under: a file's content type, an address's scheme.
QString TypeOf(const QString& target)
{
    if (target.startsWith('/'))
        return QMimeDatabase().mimeTypeForFile(target).name();
    return "x-scheme-handler/" + QUrl(target).scheme();
}

bool HasDefaultProgram(const QString& xdgMime, const QString& type)
{
    QProcess query;
    query.start(xdgMime, {"query", "default", type});
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished();
        return false;
    }
    return query.exitCode() == 0 && !query.readAllStandardOutput().trimmed().isEmpty();
}

// Without a registered program, xdg-open still hands web pages to the system's browser.
bool HasBrowserFor(const QString& type)
{
    const bool webPage = type == "text/html" || type == "x-scheme-handler/http" || type == "x-scheme-handler/https";
    return webPage && (!qEnvironmentVariableIsEmpty("BROWSER") || !QStandardPaths::findExecutable("x-www-browser").isEmpty());
}

}

bool DesktopShell::open(const QString& target)
{
    const QString xdgOpen = QStandardPaths::findExecutable("xdg-open");
    const QString xdgMime = QStandardPaths::findExecutable("xdg-mime");
    if (xdgOpen.isEmpty() || xdgMime.isEmpty())
        return false;
    const QString type = TypeOf(target);
    if (!HasDefaultProgram(xdgMime, type) && !HasBrowserFor(type))
        return false;
    return QProcess::startDetached(xdgOpen, {target});
}
