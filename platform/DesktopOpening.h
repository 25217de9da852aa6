#pragma once

#include <QString>
#include <QStringList>

class Prompter;
class Shell;

// Opens the first target that the desktop has a program for. When there is none,
// the user is told what could not be opened instead of nothing happening.
void OpenOrExplain(Shell& shell, Prompter& prompter, const QStringList& targets);
void OpenOrExplain(Shell& shell, Prompter& prompter, const QString& target);
