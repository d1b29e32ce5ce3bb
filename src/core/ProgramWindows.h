#pragma once

namespace orvane {

/// The program-wide windows as the start and shutdown routines, the tray
/// menu and the double-click action see them: the tray animation driver,
/// the Quick Bar, the settings and Quick View windows and the keyboard
/// flasher. Windows that are not there yet keep the silent defaults.
class ProgramWindows
{
public:
    virtual ~ProgramWindows() = default;
    /// Before the list is read: the animation driver and Quick Bar scan
    /// their skins.
    virtual void CreateWindows() {}
    /// After the list was read (`listRead` false on a first run): first-run
    /// skins, the idle tray picture, closing the settings and Quick View
    /// windows, the Quick Bar's first showing.
    virtual void AfterListLoaded(bool /*listRead*/) {}
    /// Shutdown: unloads every window in order and stops the keyboard light.
    virtual void UnloadWindows() {}

    // States the tray menu shows as check marks when it opens.
    virtual bool IsSettingsVisible() const { return false; }
    virtual bool IsQuickViewVisible() const { return false; }
    virtual bool IsQuickBarVisible() const { return false; }
    virtual bool IsQuickBarOnTop() const { return false; }
    /// The About box's fixed notice is up: tray clicks are ignored meanwhile.
    virtual bool IsNoticeShowing() const { return false; }

    /// Settings window shown (Quick View unloaded first), in front, on its
    /// About page.
    virtual void ShowAbout() {}
    /// Closes the settings window when shown, else unloads Quick View and
    /// shows the settings window in front.
    virtual void ToggleSettings() {}
    /// Unloads Quick View when shown, else closes the settings window and
    /// shows Quick View in front.
    virtual void ToggleQuickView() {}
    /// Hides the Quick Bar when visible, else shows it.
    virtual void ToggleQuickBar() {}
    /// Switches the Quick Bar's on-top state; the skins page follows.
    virtual void SwitchQuickBarOnTop() {}
    virtual void ResetQuickBarPos() {}
    /// Unloads Quick View when shown, then shows the settings window (or
    /// gives it the focus).
    virtual void ShowSettingsWindow() {}
    /// Closes the settings window when shown, then shows Quick View (or
    /// gives it the focus).
    virtual void ShowQuickViewWindow() {}
};

} // namespace orvane
