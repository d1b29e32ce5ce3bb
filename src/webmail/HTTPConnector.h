#pragma once

#include "WebDriver.h"

namespace orvane {

class BrowserHostFactory;
class Clock;
class PageSlots;
class Timer;
class WebForm;

/// The browser driver: a hidden WebForm with its own browser, and the rule
/// for when a page counts as loaded. Pages report completion several times
/// (frames, redirects), so browsing is done only after 2 s without a new
/// completion and once the browser says it is idle (asked every 500 ms
/// after that); a navigation that starts meanwhile cancels the wait. Before
/// DoneBrowsing the page is read in one piece (Document).
class HTTPConnector final : public WebDriver
{
    Q_OBJECT
public:
    static constexpr int kQuietMs = 2000;
    static constexpr int kPollMs = 500;
    static constexpr int kWaitingMs = 1000;

    /// `source` makes the browser control for the web-mail `service` (see
    /// BrowserHostFactory); null when it cannot be had. With `slots`, the
    /// browser is made only once a slot for the service is free, and the
    /// first address waits until then; the slot is given back with the
    /// driver.
    HTTPConnector(Clock& clock, BrowserHostFactory* source, QString service = {},
                  PageSlots* slots = nullptr, QObject* parent = nullptr);
    ~HTTPConnector() override;

    void GoToURL(const QString& address) override;
    void DebugOn(bool SetOn) override;
    const WebPage& Document() const override { return m_page; }
    bool Busy() const override { return m_busy; }
    void SubmitForm(qsizetype form, const FieldValues& values) override;

    /// The hidden form, for a look at the browser.
    WebForm& form() { return *mWeb; }

private:
    void mWeb_StartBrowsing();
    void mWeb_BrowsingComplete();
    void mWeb_OnSleepTimer();

    void navigate(const QString& address);

    std::unique_ptr<WebForm> mWeb;
    std::unique_ptr<Timer> m_waiting;
    PageSlots* m_slots;
    const QString m_service;
    enum class Slot
    {
        None,
        Asked,
        Waiting,
        Held
    } m_slot = Slot::None;
    QString m_waitingAddress;
    bool m_busy = false;
    bool m_loaded = false;
    // Counts navigations, so a page read that was overtaken by a new one is
    // thrown away.
    quint64 m_navigation = 0;
    WebPage m_page;
};

} // namespace orvane
