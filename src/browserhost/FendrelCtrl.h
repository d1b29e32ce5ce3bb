#pragma once

#include "webmail/BrowserHost.h"

#include <QWidget>

class QWebEngineView;

namespace orvane {

class SilentPage;

/// The browser host control: a Qt WebEngine view that always fills the
/// control. Pop-up windows are refused, script dialogs and console output
/// silenced, and every navigation request (top page and frames) and every
/// finished load is reported.
class FendrelCtrl final : public QWidget, public BrowserHost
{
    Q_OBJECT
public:
    explicit FendrelCtrl(QWidget* parent = nullptr);
    ~FendrelCtrl() override;

    QWidget* control() override { return this; }
    QObject* Web() override;
    void setEvents(Events* events) override { m_events = events; }
    bool Navigate(const QString& address) override;
    bool Busy() const override { return m_loading; }
    void readPage(std::function<void(const WebPage&)> done) override;
    void submitForm(qsizetype form, const FieldValues& values) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void navigationRequested();

    QWebEngineView* IE;
    SilentPage* m_page;
    Events* m_events = nullptr;
    bool m_loading = false;
};

} // namespace orvane
