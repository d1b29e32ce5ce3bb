#include "BuiltInTrayAnimation.h"

#include "platform/Clock.h"
#include "stForm.h"

namespace orvane {

BuiltInTrayAnimation::BuiltInTrayAnimation(stForm& tray, Clock& clock, QObject* parent)
    : QObject(parent), m_tray(tray), m_timer(clock.createTimer())
{
    connect(m_timer.get(), &Timer::timeout, this, &BuiltInTrayAnimation::nextFrame);
}

BuiltInTrayAnimation::~BuiltInTrayAnimation() = default;

void BuiltInTrayAnimation::DoCheck()
{
    // Every account starting its check calls this; the cycle keeps going
    // rather than jumping back to its first frame.
    if (m_timer->isActive())
        return;
    m_frame = kFirstCheckIcon;
    show(m_frame);
    m_timer->start(kFrameMs);
}

void BuiltInTrayAnimation::DoFound()
{
    m_timer->stop();
    show(kFoundIcon);
}

void BuiltInTrayAnimation::DoIdle()
{
    m_timer->stop();
    show(kIdleIcon);
}

bool BuiltInTrayAnimation::isAnimating() const
{
    return m_timer->isActive();
}

void BuiltInTrayAnimation::nextFrame()
{
    m_frame = m_frame >= kLastCheckIcon ? kFirstCheckIcon : m_frame + 1;
    show(m_frame);
}

void BuiltInTrayAnimation::show(int id)
{
    if (m_tray.iconResource() != id)
        m_tray.SetTrayIconFromResource(id);
}

} // namespace orvane
