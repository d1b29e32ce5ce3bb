#include "KeyboardFlasher.h"

#include "platform/Clock.h"
#include "platform/KeyboardLight.h"

namespace orvane {

KeyboardFlasher::KeyboardFlasher(Clock& clock, KeyboardLight& light)
    : m_light(light), m_flashTimer(clock.createTimer())
{
    QObject::connect(m_flashTimer.get(), &Timer::timeout, m_flashTimer.get(),
                     [this] { m_light.toggleScrollLock(); });
}

KeyboardFlasher::~KeyboardFlasher() = default;

void KeyboardFlasher::Flash(bool on)
{
    if (!m_flashTimer || on == m_flashing)
        return;
    m_flashing = on;
    if (on) {
        m_flashTimer->start(kFlashMs);
        return;
    }
    m_flashTimer->stop();
    m_light.setScrollLock(false);
}

void KeyboardFlasher::Shutdown()
{
    // Ending in the light's on phase would leave it lit after the program.
    Flash(false);
    m_flashTimer.reset();
}

} // namespace orvane
