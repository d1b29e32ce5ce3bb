#pragma once

#include "platform/NetworkWatch.h"

namespace orvane::test {

/// A network that comes and goes when the test says so; Unknown until then.
class FakeNetworkWatch final : public NetworkWatch
{
    Q_OBJECT
public:
    Reach reach() const override { return m_reach; }
    void set(Reach reach)
    {
        if (reach == m_reach)
            return;
        m_reach = reach;
        Q_EMIT reachChanged(reach);
    }
    void changePrimary() { Q_EMIT primaryChanged(); }

private:
    Reach m_reach = Reach::Unknown;
};

} // namespace orvane::test
