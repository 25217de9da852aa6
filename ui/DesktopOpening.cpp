#include "ui/DesktopOpening.h"

#include "platform/Prompter.h"
#include "platform/Shell.h"

#include <QStringList>

void OpenOrExplain(Shell& shell, Prompter& prompter, const QStringList& targets)
{
    for (const QString& target : targets)
        if (shell.open(target))
            return;
    prompter.inform("Cannot Open", "There is no program on this desktop that opens " + targets.join(" or ")
                                       + ".\nPlease install one, or open it yourself.");
}

void OpenOrExplain(Shell& shell, Prompter& prompter, const QString& target)
{
    OpenOrExplain(shell, prompter, QStringList{target});
}
