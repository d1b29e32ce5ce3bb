#pragma once

#include "platform/DesktopNotifications.h"

#include <QList>

namespace orvane::test {

/// A notification server that records what it is asked and answers when
/// the test says so: `answer()` replies to the oldest call still waiting.
class RecordingDesktopNotifications final : public DesktopNotifications
{
public:
    void capabilities(std::function<void(const QStringList&)> answered) override
    {
        m_waiting << [this, answered = std::move(answered)] { answered(serverCapabilities); };
    }
    void notify(const Notice& notice, std::function<void(quint32 id)> shown) override
    {
        notices << notice;
        m_waiting << [this, replaces = notice.replacesId, shown = std::move(shown)] {
            shown(!serverPresent ? 0 : replaces != 0 ? replaces : ++m_lastId);
        };
    }
    void close(quint32 id) override { closedIds << id; }
    bool statusNotifierHostFound() const override { return statusNotifierHost; }

    /// Answers every call waiting, and those the answers make.
    void answerAll()
    {
        while (!m_waiting.isEmpty())
            m_waiting.takeFirst()();
    }

    QStringList serverCapabilities{QStringLiteral("actions"), QStringLiteral("body")};
    bool statusNotifierHost = false;
    /// Without a server every notification fails.
    bool serverPresent = true;
    QList<Notice> notices;
    QList<quint32> closedIds;

private:
    QList<std::function<void()>> m_waiting;
    quint32 m_lastId = 0;
};

} // namespace orvane::test
