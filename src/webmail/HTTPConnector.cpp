#include "HTTPConnector.h"

#include "WebForm.h"
#include "platform/Clock.h"

#include <QPointer>

namespace orvane {

HTTPConnector::HTTPConnector(Clock& clock, BrowserHostFactory* source, QString service,
                             QObject* parent)
    : WebDriver(parent), mWeb(std::make_unique<WebForm>(clock, source, std::move(service)))
{
    connect(mWeb.get(), &WebForm::StartBrowsing, this, &HTTPConnector::mWeb_StartBrowsing);
    connect(mWeb.get(), &WebForm::BrowsingComplete, this, &HTTPConnector::mWeb_BrowsingComplete);
    connect(mWeb.get(), &WebForm::OnSleepTimer, this, &HTTPConnector::mWeb_OnSleepTimer);
}

HTTPConnector::~HTTPConnector()
{
    mWeb->disconnect(this);
}

void HTTPConnector::GoToURL(const QString& address)
{
    m_busy = true;
    if (!m_loaded) {
        if (!mWeb->LoadIE()) {
            // Nothing is navigated; the next call tries again.
            Q_EMIT Error(QString::fromLatin1(kFailedToLoad));
            return;
        }
        m_loaded = true;
    }
    if (!mWeb->Browser()->Navigate(address))
        Q_EMIT Error(QString::fromLatin1(kUnableToLoad));
}

void HTTPConnector::DebugOn(bool SetOn)
{
    mWeb->setVisible(SetOn);
}

void HTTPConnector::SubmitForm(qsizetype form, const FieldValues& values)
{
    if (!m_loaded)
        return;
    QPointer<HTTPConnector> self(this);
    mWeb->Browser()->submitForm(m_page.url, form, m_page.forms.value(form).name, values,
                                [self](bool filled) {
                                    if (self && !filled)
                                        Q_EMIT self->Error(QString::fromLatin1(kUnableToLoad));
                                });
}

void HTTPConnector::mWeb_StartBrowsing()
{
    ++m_navigation;
    mWeb->SleepTimer().stop();
}

void HTTPConnector::mWeb_BrowsingComplete()
{
    ++m_navigation;
    // Every completion starts the quiet spell again.
    mWeb->SleepTimer().start(kQuietMs);
}

void HTTPConnector::mWeb_OnSleepTimer()
{
    if (mWeb->Browser()->Busy()) {
        mWeb->SleepTimer().start(kPollMs);
        return;
    }
    mWeb->SleepTimer().stop();
    const quint64 navigation = m_navigation;
    QPointer<HTTPConnector> self(this);
    mWeb->Browser()->readPage([self, navigation](const WebPage& page) {
        if (!self || self->m_navigation != navigation)
            return;
        self->m_page = page;
        self->m_busy = false;
        Q_EMIT self->DoneBrowsing();
    });
}

} // namespace orvane
