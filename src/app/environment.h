#pragma once

#include "buildconfig.h"
#include "common/constants.h"
#include "net/retryschedule.h"

#include <QString>
#include <chrono>
#include <functional>

class MessageBox;
class Shell;
class Skinning;

// What the window takes from its surroundings. The program uses the defaults, fixed at build
// time; tests point the window at their own service and replace what would leave the process.
struct Environment {
    QString serviceBase = QString::fromUtf8(kServiceBase);
    QString exitPage = QString::fromUtf8(kExitPage);
    // Where the skin file is looked for; empty means the executable's folder
    QString programDir;
    // Where the favourites and the history are kept; empty means the program's data folder
    QString dataFolder;
    std::chrono::milliseconds transferTimeout = kTransferTimeout;
    // The longest a text answer may take from start to end
    std::chrono::milliseconds textDeadline {60000};
    // The unit of the pauses between probes of a service that cannot be reached
    std::chrono::milliseconds retryUnit = RetrySchedule::kDefaultUnit;
    // Null means the real ones
    Shell *shell = nullptr;
    MessageBox *messageBox = nullptr;
    Skinning *skinning = nullptr;
    // Ends the program after the window is closed; empty means leaving every event loop
    std::function<void()> endProgram;
};
