#pragma once

#include <QIcon>

// The 48 x 48 pictures of the main window's toolbar, with a faded grey set for disabled buttons.
enum class ToolbarPicture { AddFile, AddDir, Up, Down, Remove, Clear, Start, Stop, Setting, About, Help };

QIcon MakeToolbarIcon(ToolbarPicture picture);
