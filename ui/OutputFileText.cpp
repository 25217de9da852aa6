#include "ui/OutputFileText.h"

#include "core/PathRules.h"
#include "settings/ProgramValues.h"

#include <QDir>

QString WithHomeFolder(const QString& text)
{
    if (text == "~" || text.startsWith("~/"))
        return QDir::homePath() + text.mid(1);
    return text;
}

QString WithOutputType(const QString& text, const QString& outputExt)
{
    const QString extension = LastExtension(text);
    if (extension.isEmpty() || outputExt.isEmpty() || extension.toLower() == outputExt.toLower()
        || !OutputExtensions().contains(extension.toLower()))
        return text;
    return text.chopped(extension.size()) + outputExt;
}
