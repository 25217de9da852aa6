#pragma once

#include <QString>

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

enum class AfterCompletion { CloseProgram, StayIdle };

// Turns the computer off, or ends the program, or says the joining succeeded and then
// opens the output folder: the first that the choices ask for. The caller closes the
// main window when told to.
AfterCompletion RunCompletionActions(const CompletionChoices& choices, Prompter& prompter, Shell& shell, Power& power);

// Asks for the power-off, which other programs may still refuse; its outcome is not
// reported, and the program closes itself all the same.
void PowerOffComputer(Power& power);

// Lets the session manager ask the user for the right to power off where its policy
// wants that, instead of refusing outright.
void EnableShutdownPrivilege(Power& power);
