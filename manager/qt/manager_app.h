// The manager program: one modal settings dialog, and the program ends when it closes.
#pragma once

class CQuillCollectorManagerApp {
  public:
    // Runs the settings dialog modally. Returns false, so that the program ends as soon as the dialog has
    // closed, whatever its result. Needs the QApplication of the program.
    bool InitInstance();
};
