#include "defaultSkin.h"

#include "SkinSurface.h"
#include "TrayPicture.h"
#include "platform/Clock.h"

namespace orvane {

bool defaultSkin::CreateSkin()
{
    m_state = kIdle;
    m_frame = 1;
    return true;
}

void defaultSkin::DoAnimate()
{
    DoFound();
}

void defaultSkin::DoCheck()
{
    if (m_state != kChecking) {
        m_state = kChecking;
        m_surface.animator().start(kFrameMs);
        m_frame = 1;
    }
    m_surface.tray().SetTrayIconFromResource(kFoundIcon + m_frame);
    m_frame = m_frame >= kCheckFrames ? 1 : m_frame + 1;
}

void defaultSkin::DoFound()
{
    m_surface.animator().stop();
    m_state = kStill;
    m_surface.tray().SetTrayIconFromResource(kFoundIcon);
}

void defaultSkin::DoIdle()
{
    m_surface.animator().stop();
    m_state = kIdle;
    m_surface.tray().SetTrayIconFromResource(kIdleIcon);
}

void defaultSkin::Reset()
{
    m_frame = 1;
    m_state = kIdle;
}

} // namespace orvane
