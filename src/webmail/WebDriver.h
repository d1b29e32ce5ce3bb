#pragma once

#include "WebPage.h"

#include <QObject>
#include <QString>

namespace orvane {

/// The browser as a web-mail checker steers it: start loading an address,
/// hear when the page has settled (DoneBrowsing, also after a page navigated
/// by itself: a redirect, a refresh, a submitted form), read what was loaded,
/// and fill in and submit one form as a single operation. Error means a load
/// could not even be started.
class WebDriver : public QObject
{
    Q_OBJECT
public:
    static constexpr const char* kFailedToLoad = "Failed to load Internet Explorer.";
    static constexpr const char* kUnableToLoad = "Unable to load webpage.";

    using QObject::QObject;
    ~WebDriver() override = default;

    virtual void GoToURL(const QString& address) = 0;
    /// Shows (true) or hides (false) the browser's window.
    virtual void DebugOn(bool SetOn) = 0;
    /// The page read when browsing was last done.
    virtual const WebPage& Document() const = 0;
    QString URL() const { return Document().url; }
    /// True from GoToURL until browsing is done.
    virtual bool Busy() const = 0;
    /// Sets the given fields of form `form` of the current page and submits
    /// it; the next page arrives as DoneBrowsing. When the page loaded is no
    /// longer the one read, nothing is filled and Error follows.
    virtual void SubmitForm(qsizetype form, const FieldValues& values) = 0;

Q_SIGNALS:
    void DoneBrowsing();
    void Error(const QString& text);
    /// The first address waits for a browser: raised every second while it
    /// waits and once more when its page starts, so that the check's client
    /// hears the check is alive and counts its time-out from the page's
    /// start.
    void Waiting();
};

} // namespace orvane
