#pragma once

#include "instancecommand.h"

class QCoreApplication;

// The program's command line: --help, --version, and the switches that command the window
// already running (--play-pause, --next, --previous, --stop). Without a switch the program
// starts its window, or brings the running one to the front.
class CommandLine {
public:
    // Status of a start whose command line is wrong
    static constexpr int kMistakeStatus = 2;

    // Reads the arguments before any application object exists, so that a mistake is said, in
    // Chinese, where there is no display too; it ends the program here with kMistakeStatus.
    // Returns whether the arguments ask for help, the version or a switch: none needs a window,
    // so the program makes none.
    static bool wantsNoWindow(int argc, char *argv[]);
    // The command that the arguments give the running window. Help and the version end the
    // program here, with status 0.
    static InstanceCommand parse(const QCoreApplication &app);
};
