#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <deque>
#include <functional>

namespace orvane {

/// The browser pages the server lets run at once. Two pages of one service
/// never share a browser profile (their log-ins would share cookies), so
/// every page of a service beyond the first costs a profile with renderer
/// processes of its own (some 40 MB); a page of a service whose slots are
/// taken waits until one is given back. Each waiting page starts in the
/// order it asked.
class PageSlots final : public QObject
{
    Q_OBJECT
public:
    static constexpr int kPagesPerService = 1;

    explicit PageSlots(int perService = kPagesPerService, QObject* parent = nullptr);

    /// `start` runs once `holder` may have a page of `service`: at once when
    /// a slot is free, otherwise from the event loop when one is given back.
    void request(const void* holder, const QString& service, std::function<void()> start);
    /// The holder's page is gone, or it no longer waits for one.
    void release(const void* holder);

    int held(const QString& service) const;
    int waiting() const { return int(m_waiting.size()); }

private:
    void startWaiting();

    struct Waiting
    {
        const void* holder;
        QString service;
        std::function<void()> start;
    };
    const int m_perService;
    QHash<const void*, QString> m_holders;
    std::deque<Waiting> m_waiting;
    bool m_startPosted = false;
};

} // namespace orvane
