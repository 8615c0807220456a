#pragma once

// Names the program to Qt and the desktop: organisation and application names (which also
// place its settings), display name, and the desktop entry that the window belongs to. Called
// once, right after the QApplication is made.
void setProgramIdentity();
