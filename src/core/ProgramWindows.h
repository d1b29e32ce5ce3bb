#pragma once

namespace orvane {

/// The program-wide windows as the start and shutdown routines see them:
/// the tray animation driver, the Quick Bar, the settings and Quick View
/// windows and the keyboard flasher. Windows that are not there yet keep
/// the silent defaults.
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
};

} // namespace orvane
