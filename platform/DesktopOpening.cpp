#include "platform/DesktopOpening.h"

#include "platform/Prompter.h"
#include "platform/Shell.h"

#include <QStringList>

namespace {

// The targets from the first on, each tried once the desktop has answered for the one before.
void OpenFrom(Shell& shell, Prompter& prompter, const QStringList& targets, qsizetype first)
{
    if (first == targets.size()) {
        prompter.inform("Cannot Open", "There is no program on this desktop that opens " + targets.join(" or ")
                                           + ".\nPlease install one, or open it yourself.");
        return;
    }
    shell.open(targets[first], [&shell, &prompter, targets, first](bool opened) {
        if (!opened)
            OpenFrom(shell, prompter, targets, first + 1);
    });
}

}

void OpenOrExplain(Shell& shell, Prompter& prompter, const QStringList& targets)
{
    OpenFrom(shell, prompter, targets, 0);
}

void OpenOrExplain(Shell& shell, Prompter& prompter, const QString& target)
{
    OpenOrExplain(shell, prompter, QStringList{target});
}
