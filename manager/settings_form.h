// Loading, saving and enabling the manager's settings controls, over any store of control values, so the
// rules hold (and are tested) without windows.
#pragma once

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
// Writes every settings control to QuillCollector.ini, one key at a time, in the order of loading.
void SaveSettings(const ControlStore& controls);
// Enables the controls that depend on a check box or a radio button.
void UpdateControlStates(ControlStore& controls);
