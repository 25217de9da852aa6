#pragma once

// Runs the console mode on the program's arguments; gives the exit code.
int RunConsole(int argc, char* argv[]);
