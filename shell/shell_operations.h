#pragma once

namespace zolt {

// The commands the main window carries out itself.
class ShellOperations {
  public:
    virtual ~ShellOperations() = default;
    virtual void ToggleToolbar() = 0;
    virtual void ToggleStatusbar() = 0;
    // Priority 1 (lowest) to 7 (highest) for the next generation.
    virtual void SetPriority(int priority) = 0;
    // Opens the mail address (mail) or else the web site (web); neither does nothing.
    virtual void OpenContact(bool mail, bool web) = 0;
    virtual void QuitApplication() = 0;
};

}  // namespace zolt
