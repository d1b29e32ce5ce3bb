#pragma once

#include "WebPage.h"

#include <QtPlugin>
#include <functional>

class QObject;
class QWidget;

namespace orvane {

/// The browser host control: a widget holding a browser that always fills
/// it. It opens no window and shows no dialog of its own (pop-ups are
/// refused, script dialogs silenced), since its browsing happens unseen.
class BrowserHost
{
public:
    /// Told of every navigation of the top page or of any frame; every
    /// BeforeNavigate is followed by its NavigateComplete.
    class Events
    {
    public:
        virtual void BeforeNavigate() = 0;
        virtual void NavigateComplete() = 0;

    protected:
        ~Events() = default;
    };

    virtual ~BrowserHost() = default;

    /// The control itself, to place on a window.
    virtual QWidget* control() = 0;
    /// The hosted browser.
    virtual QObject* Web() = 0;
    virtual void setEvents(Events* events) = 0;

    /// Starts loading `address`; false when the request itself is refused.
    virtual bool Navigate(const QString& address) = 0;
    virtual bool Busy() const = 0;
    /// Reads the loaded page and hands it to `done`, later, on this thread.
    /// `done` is not called when the control goes first.
    virtual void readPage(std::function<void(const WebPage&)> done) = 0;
    /// Sets fields of the `form`-th form and submits it, only while the page
    /// loaded is still the one read at `address` and that form is still
    /// called `formName`: a page that moved on since it was read never gets
    /// the values. `done` hears whether the form was filled, later, on this
    /// thread; it is not called when the control goes first.
    virtual void submitForm(const QString& address, qsizetype form, const QString& formName,
                            const FieldValues& values, std::function<void(bool)> done) = 0;
};

/// What the browser host plugin offers: controls made on demand.
class BrowserHostFactory
{
public:
    virtual ~BrowserHostFactory() = default;
    /// A new control owned by `parent`, or null when no browser can be had.
    /// `service` names the web-mail service the control will log in to:
    /// controls for different services may share one browser and its
    /// cookies, two for the same service never do, since one would read the
    /// other's log-in. An empty name shares with nothing.
    virtual BrowserHost* createControl(QWidget* parent, const QString& service) = 0;
};

} // namespace orvane

#define OrvaneBrowserHostFactory_iid "org.orvane.Fendrel.BrowserHostFactory/2"
Q_DECLARE_INTERFACE(orvane::BrowserHostFactory, OrvaneBrowserHostFactory_iid)
