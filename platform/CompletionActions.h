#pragma once

#include <QString>

#include <functional>

class Power;
class Prompter;
class Shell;

// What a completed job does last, from the general preferences at that moment.
struct CompletionChoices {
    bool turnOff = false;
    bool exit = false;
    bool openDir = false;
    QString outputFile; // its folder is the one opened
};

// Gives the user time to keep the computer on before it is turned off. Returns at once;
// decided learns true when the power-off is to go ahead, false when the user cancelled.
using CountdownToPowerOff = std::function<void(std::function<void(bool turnOff)> decided)>;

// The desktop that the actions reach; every part outlives the actions' answers.
struct CompletionDesktop {
    Prompter& prompter;
    Shell& shell;
    Power& power;
    CountdownToPowerOff countdown;
};

// Turns the computer off after the countdown, or ends the program, or says the joining
// succeeded and then opens the output folder: the first that the choices ask for.
// closeProgram is called when the program is to end: once the system has agreed to the
// power-off, or once the output folder's opener has been started. A cancelled countdown
// leaves the program as it is; a refused power-off is told, and then the success is
// reported as when no power-off was asked for.
void RunCompletionActions(const CompletionChoices& choices, const CompletionDesktop& desktop,
                          const std::function<void()>& closeProgram);

// "Complete", then the output folder when the choices ask for it; a folder that no
// program on the desktop opens is told.
void ReportCompletion(const CompletionChoices& choices, Prompter& prompter, Shell& shell);

// Asks for the power-off, which the system or other programs may refuse; agreement calls
// closeProgram, a refusal is told to the user and then calls refused.
void PowerOffComputer(Power& power, Prompter& prompter, const std::function<void()>& closeProgram,
                      const std::function<void()>& refused);

// Lets the session manager ask the user for the right to power off where its policy
// wants that, instead of refusing outright.
void EnableShutdownPrivilege(Power& power);
