#include "DisplayWindows.h"

#include "KeyboardFlasher.h"
#include "SkinDriver.h"

namespace orvane {

void DisplayWindows::CreateWindows()
{
    m_skins.Create();
}

void DisplayWindows::AfterListLoaded(bool /*listRead*/)
{
    // The driver knows itself whether a choice was read: a list damaged
    // before its block still gets the first-run skin.
    m_skins.CheckShowStartup();
}

void DisplayWindows::UnloadWindows()
{
    m_skins.Unload();
    m_flasher.Shutdown();
}

} // namespace orvane
