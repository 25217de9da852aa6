#pragma once

#include <QIcon>

// The 48 x 48 pictures of the main window's toolbar, with a faded grey set for disabled buttons;
// the bare film also stands for a listed file that has no picture of its own.
enum class ToolbarPicture { AddFile, AddDir, Up, Down, Remove, Clear, Start, Stop, Setting, About, Help, Film };

QIcon MakeToolbarIcon(ToolbarPicture picture);
