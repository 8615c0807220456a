#pragma once

class QWidget;

// Brings a top-level window to the front and gives it the keyboard, restored if it was
// minimized: what the desktop's "raise" and a second start of the program ask for.
void bringToFront(QWidget &window);
