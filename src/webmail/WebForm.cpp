#include "WebForm.h"

#include "platform/Clock.h"

#include <QResizeEvent>

namespace orvane {

WebForm::WebForm(Clock& clock, BrowserHostFactory* source, QString service, QWidget* parent)
    : QWidget(parent), m_source(source), m_service(std::move(service)),
      m_sleepTimer(clock.createTimer())
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    setAccessibleName(QStringLiteral("Form1"));
    resize(713, 552);
    connect(m_sleepTimer.get(), &Timer::timeout, this, &WebForm::OnSleepTimer);
}

WebForm::~WebForm()
{
    if (m_browser)
        m_browser->setEvents(nullptr);
}

bool WebForm::LoadIE()
{
    BrowserHost* control = m_source ? m_source->createControl(this, m_service) : nullptr;
    if (!control || !control->control() || !control->Web())
        return false;
    m_browser = control;
    QWidget* widget = control->control();
    widget->setObjectName(QStringLiteral("myCtl"));
    control->setEvents(this);
    widget->setGeometry(0, 0, width(), height());
    widget->show();
    return true;
}

void WebForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_browser)
        m_browser->control()->setGeometry(0, 0, width(), height());
}

void WebForm::BeforeNavigate()
{
    Q_EMIT StartBrowsing();
}

void WebForm::NavigateComplete()
{
    Q_EMIT BrowsingComplete();
}

} // namespace orvane
