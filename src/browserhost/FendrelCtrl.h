#pragma once

#include "webmail/BrowserHost.h"

#include <QWidget>

class QUrl;
class QWebEngineProfile;
class QWebEngineView;

namespace orvane {

class SilentPage;

/// The browser host control: a Qt WebEngine view that always fills the
/// control. Pop-up windows are refused, script dialogs and console output
/// silenced, and every navigation request (top page and frames) is reported
/// with its completion. The helper scripts run apart from the page's own.
class FendrelCtrl final : public QWidget, public BrowserHost
{
    Q_OBJECT
public:
    /// The control browses in `profile`, which is to outlive it.
    FendrelCtrl(QWebEngineProfile* profile, QWidget* parent = nullptr);
    ~FendrelCtrl() override;

    QWidget* control() override { return this; }
    QObject* Web() override;
    void setEvents(Events* events) override { m_events = events; }
    bool Navigate(const QString& address) override;
    bool Busy() const override { return m_loading; }
    void readPage(std::function<void(const WebPage&)> done) override;
    void submitForm(const QString& address, qsizetype form, const QString& formName,
                    const FieldValues& values, std::function<void(bool)> done) override;

Q_SIGNALS:
    /// The top page or a frame is about to load from `host`.
    void hostVisited(const QString& host);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void navigationRequested(const QUrl& url, bool mainFrame);
    WebPage pageFrom(const QVariant& result) const;

    QWebEngineView* IE;
    SilentPage* m_page;
    Events* m_events = nullptr;
    bool m_loading = false;
};

} // namespace orvane
