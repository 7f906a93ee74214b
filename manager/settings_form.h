// Loading, saving and enabling the manager's settings controls, over any store of control values, so the
// rules hold (and are tested) without windows.
#pragma once

#include <optional>
#include <string>

class ControlStore {
  public:
    virtual ~ControlStore() = default;
    virtual std::string Text(int id) const = 0;
    virtual void SetText(int id, const std::string& text) = 0;
    virtual bool IsChecked(int id) const = 0;
    virtual void SetChecked(int id, bool checked) = 0;
    virtual void SetEnabled(int id, bool enabled) = 0;
};

// Fills every settings control from QuillCollector.ini, with the manager's defaults for missing keys.
void LoadSettings(ControlStore& controls);
// Where and why a write of the settings failed.
struct SaveFailure {
    std::string file;    // the file that could not be written
    std::string reason;  // the system's text for the error
};
// Writes every settings control to QuillCollector.ini, one key at a time in the order of loading; a key
// that fails does not stop the others. Returns the first failure, or nothing when every write succeeded.
std::optional<SaveFailure> SaveSettings(const ControlStore& controls);
// The text of the one message box that reports a failed save.
std::string SaveFailureMessage(const SaveFailure& failure);
// Enables the controls that depend on a check box or a radio button.
void UpdateControlStates(ControlStore& controls);
