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

// Turns the computer off, or ends the program, or says the joining succeeded and then
// opens the output folder: the first that the choices ask for. closeProgram is called
// when the program is to end: once the system has agreed to the power-off (a refusal is
// told to the user, and the program stays), or once the output folder's opener has been
// started.
void RunCompletionActions(const CompletionChoices& choices, Prompter& prompter, Shell& shell, Power& power,
                          const std::function<void()>& closeProgram);

// Asks for the power-off, which the system or other programs may refuse; a refusal is
// told to the user, and agreement calls closeProgram.
void PowerOffComputer(Power& power, Prompter& prompter, const std::function<void()>& closeProgram);

// Lets the session manager ask the user for the right to power off where its policy
// wants that, instead of refusing outright.
void EnableShutdownPrivilege(Power& power);
