#include "settings/CompletionActions.h"

#include "core/PathRules.h"
#include "platform/Power.h"
#include "platform/Prompter.h"
#include "platform/Shell.h"

void RunCompletionActions(const CompletionChoices& choices, Prompter& prompter, Shell& shell, Power& power,
                          const std::function<void()>& closeProgram)
{
    if (choices.turnOff) {
        PowerOffComputer(power, prompter, closeProgram);
        return;
    }
    // What the desktop does with the folder is not reported, as with any file browser.
    const QString folder = choices.openDir ? FolderOf(choices.outputFile) : QString();
    if (choices.exit) {
        // The program ends once the folder's opener has started: it outlives the program.
        if (folder.isEmpty())
            closeProgram();
        else
            shell.open(folder, [closeProgram](bool) { closeProgram(); });
        return;
    }
    prompter.inform("Complete", "The joining is completed successfully.");
    if (!folder.isEmpty())
        shell.open(folder, [](bool) {});
}

void PowerOffComputer(Power& power, Prompter& prompter, const std::function<void()>& closeProgram)
{
    EnableShutdownPrivilege(power);
    power.powerOff([&prompter, closeProgram](const QString& refusal) {
        if (refusal.isEmpty()) {
            closeProgram();
            return;
        }
        prompter.error("Power Off", "The computer was not turned off. The system refused it:\n" + refusal);
    });
}

void EnableShutdownPrivilege(Power& power)
{
    power.allowInteractiveAuthorization();
}
