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
    /// Told of every navigation of the top page or of any frame.
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
    /// Sets fields of the `form`-th form of the loaded page and submits it.
    virtual void submitForm(qsizetype form, const FieldValues& values) = 0;
};

/// What the browser host plugin offers: controls made on demand.
class BrowserHostFactory
{
public:
    virtual ~BrowserHostFactory() = default;
    /// A new control owned by `parent`, or null when no browser can be had.
    virtual BrowserHost* createControl(QWidget* parent) = 0;
};

} // namespace orvane

#define OrvaneBrowserHostFactory_iid "org.orvane.Fendrel.BrowserHostFactory/1"
Q_DECLARE_INTERFACE(orvane::BrowserHostFactory, OrvaneBrowserHostFactory_iid)
