#pragma once

#include "BrowserHost.h"

#include <QWidget>
#include <memory>

namespace orvane {

class Clock;
class Timer;

/// The hidden window of a browser driver: it holds the browser host control,
/// which fills it, and the driver's `SleepTimer`. Shown only for debugging.
class WebForm final : public QWidget, private BrowserHost::Events
{
    Q_OBJECT
public:
    /// `source` makes the control for `service`; null when the browser host
    /// is missing.
    WebForm(Clock& clock, BrowserHostFactory* source, QString service = {},
            QWidget* parent = nullptr);
    ~WebForm() override;

    /// Puts the browser host control on the form; false when there is none.
    bool LoadIE();
    /// The control, once loaded.
    BrowserHost* Browser() const { return m_browser; }
    Timer& SleepTimer() { return *m_sleepTimer; }

Q_SIGNALS:
    void StartBrowsing();
    void BrowsingComplete();
    void OnSleepTimer();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void BeforeNavigate() override;
    void NavigateComplete() override;

    BrowserHostFactory* m_source;
    const QString m_service;
    BrowserHost* m_browser = nullptr;
    std::unique_ptr<Timer> m_sleepTimer;
};

} // namespace orvane
