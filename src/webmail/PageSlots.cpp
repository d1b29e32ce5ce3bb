#include "PageSlots.h"

#include <algorithm>
#include <utility>

namespace orvane {

PageSlots::PageSlots(int perService, QObject* parent)
    : QObject(parent), m_perService(std::max(1, perService))
{}

int PageSlots::held(const QString& service) const
{
    return int(std::count(m_holders.cbegin(), m_holders.cend(), service));
}

void PageSlots::request(const void* holder, const QString& service, std::function<void()> start)
{
    if (m_holders.contains(holder))
        return;
    // Nobody may overtake a page that waits already.
    const bool queued = std::any_of(m_waiting.cbegin(), m_waiting.cend(),
                                    [&](const Waiting& w) { return w.service == service; });
    if (!queued && held(service) < m_perService) {
        m_holders.insert(holder, service);
        start();
        return;
    }
    m_waiting.push_back({holder, service, std::move(start)});
}

void PageSlots::release(const void* holder)
{
    std::erase_if(m_waiting, [holder](const Waiting& w) { return w.holder == holder; });
    if (m_holders.remove(holder) == 0 || m_waiting.empty() || m_startPosted)
        return;
    // Given back from inside a page's end, often a destructor: the next page
    // starts from the event loop.
    m_startPosted = true;
    QMetaObject::invokeMethod(this, &PageSlots::startWaiting, Qt::QueuedConnection);
}

void PageSlots::startWaiting()
{
    m_startPosted = false;
    for (auto it = m_waiting.begin(); it != m_waiting.end();) {
        if (held(it->service) >= m_perService) {
            ++it;
            continue;
        }
        Waiting next = std::move(*it);
        m_waiting.erase(it);
        m_holders.insert(next.holder, next.service);
        // The start may give a slot back or ask for one: walk from the front.
        next.start();
        it = m_waiting.begin();
    }
}

} // namespace orvane
