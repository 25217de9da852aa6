#include "settings/CompletionActions.h"

#include "core/PathRules.h"
#include "platform/Power.h"
#include "platform/Prompter.h"
#include "platform/Shell.h"

AfterCompletion RunCompletionActions(const CompletionChoices& choices, Prompter& prompter, Shell& shell, Power& power)
{
    if (choices.turnOff) {
        PowerOffComputer(power);
        return AfterCompletion::CloseProgram;
    }
    if (choices.exit)
        return AfterCompletion::CloseProgram;
    prompter.inform("Complete", "The joining is completed successfully.");
    if (choices.openDir) {
        const QString folder = FolderOf(choices.outputFile);
        // What the desktop does with the folder is not reported, as with any file browser.
        if (!folder.isEmpty())
            shell.open(folder);
    }
    return AfterCompletion::StayIdle;
}

void PowerOffComputer(Power& power)
{
    EnableShutdownPrivilege(power);
    power.powerOff();
}

void EnableShutdownPrivilege(Power& power)
{
    power.allowInteractiveAuthorization();
}
