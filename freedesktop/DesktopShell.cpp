#include "freedesktop/DesktopShell.h"

#include <QCoreApplication>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

namespace {

constexpr int AnswerMs = 3000;

// The type xdg-mime files the target under: a file's content type, an address's scheme.
QString TypeOf(const QString& target)
{
    if (target.startsWith('/'))
        return QMimeDatabase().mimeTypeForFile(target).name();
    return "x-scheme-handler/" + QUrl(target).scheme();
}

// Without a registered program, xdg-open still hands web pages to the system's browser.
bool HasBrowserFor(const QString& type)
{
    const bool webPage = type == "text/html" || type == "x-scheme-handler/http" || type == "x-scheme-handler/https";
    return webPage && (!qEnvironmentVariableIsEmpty("BROWSER") || !QStandardPaths::findExecutable("x-www-browser").isEmpty());
}

}

void DesktopShell::open(const QString& target, std::function<void(bool opened)> answered)
{
    const QString xdgOpen = QStandardPaths::findExecutable("xdg-open");
    const QString xdgMime = QStandardPaths::findExecutable("xdg-mime");
    if (xdgOpen.isEmpty() || xdgMime.isEmpty()) {
        answered(false);
        return;
    }
    const QString type = TypeOf(target);
    auto* query = new QProcess(QCoreApplication::instance());
    // A registry that does not answer soon counts as one that knows no program.
    auto* patience = new QTimer(query);
    patience->setSingleShot(true);
    QObject::connect(patience, &QTimer::timeout, query, [query] { query->kill(); });
    // A question still open when the program ends is dropped with whoever asked it.
    QObject::connect(query, &QProcess::errorOccurred, query, [query, answered](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart && !QCoreApplication::closingDown()) {
            query->deleteLater();
            answered(false);
        }
    });
    QObject::connect(query, &QProcess::finished, query,
                     [query, xdgOpen, target, type, answered](int exitCode, QProcess::ExitStatus status) {
                         query->deleteLater();
                         if (QCoreApplication::closingDown())
                             return;
                         const bool known = status == QProcess::NormalExit && exitCode == 0
                             && !query->readAllStandardOutput().trimmed().isEmpty();
                         answered((known || HasBrowserFor(type)) && QProcess::startDetached(xdgOpen, {target}));
                     });
    query->start(xdgMime, {"query", "default", type});
    patience->start(AnswerMs);
}
