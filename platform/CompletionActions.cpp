#include "platform/CompletionActions.h"

#include "core/PathRules.h"
#include "platform/Power.h"
#include "platform/Prompter.h"
#include "platform/Shell.h"
#include "platform/DesktopOpening.h"

void RunCompletionActions(const CompletionChoices& choices, const CompletionDesktop& desktop,
                          const std::function<void()>& closeProgram)
{
    if (choices.turnOff) {
        Prompter& prompter = desktop.prompter;
        Shell& shell = desktop.shell;
        Power& power = desktop.power;
        desktop.countdown([choices, &prompter, &shell, &power, closeProgram](bool turnOff) {
            if (turnOff)
                PowerOffComputer(power, prompter, closeProgram,
                                 [choices, &prompter, &shell] { ReportCompletion(choices, prompter, shell); });
        });
        return;
    }
    if (choices.exit) {
        // What the desktop does with the folder is not reported, as the program is ending:
        // it ends once the folder's opener has started, which outlives it.
        const QString folder = choices.openDir ? FolderOf(choices.outputFile) : QString();
        if (folder.isEmpty())
            closeProgram();
        else
            desktop.shell.open(folder, [closeProgram](bool) { closeProgram(); });
        return;
    }
    ReportCompletion(choices, desktop.prompter, desktop.shell);
}

void ReportCompletion(const CompletionChoices& choices, Prompter& prompter, Shell& shell)
{
    prompter.inform("Complete", "The joining is completed successfully.");
    const QString folder = choices.openDir ? FolderOf(choices.outputFile) : QString();
    if (!folder.isEmpty())
        OpenOrExplain(shell, prompter, folder);
}

void PowerOffComputer(Power& power, Prompter& prompter, const std::function<void()>& closeProgram,
                      const std::function<void()>& refused)
{
    EnableShutdownPrivilege(power);
    power.powerOff([&prompter, closeProgram, refused](const QString& refusal) {
        if (refusal.isEmpty()) {
            closeProgram();
            return;
        }
        prompter.error("Power Off", "The computer was not turned off. The system refused it:\n" + refusal);
        refused();
    });
}

void EnableShutdownPrivilege(Power& power)
{
    power.allowInteractiveAuthorization();
}
