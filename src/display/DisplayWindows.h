#pragma once

#include "core/ProgramWindows.h"

namespace orvane {

class KeyboardFlasher;
class SkinDriver;

/// The start and shutdown steps of the tray displays: the skin driver is
/// made and scans its skins before the list file is read, picks the
/// first-run skin after it, and stops with the keyboard light at shutdown.
/// The other windows keep the silent defaults.
class DisplayWindows : public ProgramWindows
{
public:
    DisplayWindows(SkinDriver& skins, KeyboardFlasher& flasher) : m_skins(skins), m_flasher(flasher)
    {}

    void CreateWindows() override;
    void AfterListLoaded(bool listRead) override;
    void UnloadWindows() override;

private:
    SkinDriver& m_skins;
    KeyboardFlasher& m_flasher;
};

} // namespace orvane
