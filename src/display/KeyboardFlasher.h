#pragma once

#include "core/Indicators.h"

#include <memory>

namespace orvane {

class Clock;
class KeyboardLight;
class Timer;

/// Blinks the Scroll Lock light while announced mail waits: a change every
/// second (`flashTimer`), the first one a second after the blinking is
/// switched on. Switching it off, or the shutdown, leaves the light off,
/// whatever it was before.
class KeyboardFlasher final : public Indicators
{
public:
    static constexpr int kFlashMs = 1000;

    KeyboardFlasher(Clock& clock, KeyboardLight& light);
    ~KeyboardFlasher() override;

    /// Switches the blinking on or off; repeating the current state does
    /// nothing.
    void Flash(bool on) override;
    /// Ends the blinking for good: no tick comes after it.
    void Shutdown();

    bool isFlashing() const { return m_flashing; }

private:
    KeyboardLight& m_light;
    std::unique_ptr<Timer> m_flashTimer;
    bool m_flashing = false;
};

} // namespace orvane
