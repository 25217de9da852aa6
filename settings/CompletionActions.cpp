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
    // What the desktop does with the folder is not reported, as with any file browser. Its
    // opener outlives the program, so the folder opens also when the program ends now.
    const auto openFolder = [&] {
        const QString folder = FolderOf(choices.outputFile);
        if (choices.openDir && !folder.isEmpty())
            shell.open(folder);
    };
    if (choices.exit) {
        openFolder();
        return AfterCompletion::CloseProgram;
    }
    prompter.inform("Complete", "The joining is completed successfully.");
    openFolder();
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
