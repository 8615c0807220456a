#pragma once

class Form1;

// What the program does once its window is made: loads and shows it, and lists the downloads
// that the last run left unfinished, without opening their window: at start-up only the main
// window opens.
void openMainWindow(Form1 &window);
