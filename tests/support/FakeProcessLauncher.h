#pragma once

#include "platform/ProcessLauncher.h"

#include <QStringList>
#include <vector>

namespace orvane::test {

/// Records the starts it is asked for and holds their reports until the test
/// decides how each start went.
class FakeProcessLauncher final : public ProcessLauncher
{
public:
    void start(const QString& program, const QStringList& arguments, StartReport report) override
    {
        starts << (QStringList{program} + arguments);
        m_pending.push_back(std::move(report));
    }

    /// Reports every start not reported yet.
    void reportAll(bool started)
    {
        auto pending = std::move(m_pending);
        m_pending.clear();
        for (const StartReport& report : pending)
            report(started);
    }

    /// Each start: the program, then its arguments.
    QList<QStringList> starts;

private:
    std::vector<StartReport> m_pending;
};

} // namespace orvane::test
