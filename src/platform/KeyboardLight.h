#pragma once

namespace orvane {

/// The keyboard's Scroll Lock light. Failures are silent: where the light
/// cannot be reached, nothing changes.
class KeyboardLight
{
public:
    virtual ~KeyboardLight() = default;
    /// Puts the light on or off; a light already so is left alone.
    virtual void setScrollLock(bool on) = 0;
    /// Inverts the light.
    virtual void toggleScrollLock() = 0;
};

} // namespace orvane
