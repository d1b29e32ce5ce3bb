#pragma once

#include <functional>

namespace orvane {

class Timer;
class TrayPicture;

/// What every tray skin works on: the tray picture, the driver's animation
/// timer `Animator` (the skins switch it on and off and set its frame time)
/// and the user's choice whether new mail animates.
class SkinSurface
{
public:
    SkinSurface(TrayPicture& tray, Timer& animator, std::function<bool()> animateOn)
        : m_tray(tray), m_animator(animator), m_animateOn(std::move(animateOn))
    {}

    TrayPicture& tray() const { return m_tray; }
    Timer& animator() const { return m_animator; }
    bool animateOn() const { return !m_animateOn || m_animateOn(); }

private:
    TrayPicture& m_tray;
    Timer& m_animator;
    std::function<bool()> m_animateOn;
};

} // namespace orvane
