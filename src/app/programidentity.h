#pragma once

// Names the program to Qt and the desktop: application and display name, and the desktop entry
// that the window belongs to, and the version. Called once, right after the application object
// is made: a QApplication, or a QCoreApplication for a start that makes no window.
void setProgramIdentity();
