#include "settings/FileTypeFilters.h"

namespace {

const QString AllFiles = "All Files (*.*)|*.*";

// "AVI Files (*.avi)|*.avi|" for each extension.
QString ExtensionPairs(const QStringList& extensions)
{
    QString pairs;
    for (const QString& extension : extensions)
        pairs += extension.mid(1).toUpper() + " Files (*" + extension + ")|*" + extension + '|';
    return pairs;
}

}

QString BuildOutputFilter(const QStringList& outputExtensions)
{
    return ExtensionPairs(outputExtensions) + AllFiles;
}

QString BuildOpenFilter(const QStringList& inputExtensions, const QString& inputMask)
{
    QStringList others;
    for (const QString& pattern : inputMask.split(';', Qt::SkipEmptyParts)) {
        if (!inputExtensions.contains(pattern.mid(1)))
            others << pattern;
    }
    QString filter = "All Support Files(" + inputMask + ")|" + inputMask + '|' + ExtensionPairs(inputExtensions);
    // A line for each of the many newer types would make the list too long to scan.
    if (!others.isEmpty())
        filter += "Other Video Files (" + others.join(';') + ")|" + others.join(';') + '|';
    return filter + AllFiles;
}

QStringList QtFileDialogFilters(const QString& filter)
{
    const QStringList items = filter.split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
        QString description = items[i];
        const qsizetype parenthesis = description.indexOf('(');
        if (parenthesis >= 0)
            description = description.left(parenthesis).trimmed();
        const QStringList patterns = items[i + 1].split(';', Qt::SkipEmptyParts);
        filters << description + " (" + (patterns == QStringList{"*.*"} ? QString("*") : patterns.join(' ')) + ')';
    }
    return filters;
}
