#pragma once

#include "instancecommand.h"

class QCoreApplication;

// The program's command line: --help, --version, and the switches that command the window
// already running (--play-pause, --next, --previous, --stop). Without a switch the program
// starts its window, or brings the running one to the front.
class CommandLine {
public:
    // Whether the arguments ask for help, the version or a switch: none needs a window, so the
    // program makes none, and runs where there is no display too
    static bool wantsNoWindow(int argc, char *argv[]);
    // The command that the arguments give the running window. Help, the version and a mistake
    // end the program here, with status 0 for the first two and 1 for a mistake.
    static InstanceCommand parse(const QCoreApplication &app);
};
