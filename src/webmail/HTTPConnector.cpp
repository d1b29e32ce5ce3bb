#include "HTTPConnector.h"

#include "PageSlots.h"
#include "WebForm.h"
#include "platform/Clock.h"

#include <QPointer>
#include <utility>

namespace orvane {

HTTPConnector::HTTPConnector(Clock& clock, BrowserHostFactory* source, QString service,
                             PageSlots* slots, QObject* parent)
    : WebDriver(parent), mWeb(std::make_unique<WebForm>(clock, source, service)),
      m_waiting(clock.createTimer()), m_slots(slots), m_service(std::move(service))
{
    connect(m_waiting.get(), &Timer::timeout, this, &WebDriver::Waiting);
    connect(mWeb.get(), &WebForm::StartBrowsing, this, &HTTPConnector::mWeb_StartBrowsing);
    connect(mWeb.get(), &WebForm::BrowsingComplete, this, &HTTPConnector::mWeb_BrowsingComplete);
    connect(mWeb.get(), &WebForm::OnSleepTimer, this, &HTTPConnector::mWeb_OnSleepTimer);
}

HTTPConnector::~HTTPConnector()
{
    mWeb->disconnect(this);
    // The page goes with the form; the slot may go to the next one.
    if (m_slots && m_slot != Slot::None)
        m_slots->release(this);
}

void HTTPConnector::GoToURL(const QString& address)
{
    m_busy = true;
    if (m_slots && m_slot != Slot::Held) {
        m_waitingAddress = address;
        if (m_slot == Slot::None) {
            m_slot = Slot::Asked;
            m_slots->request(this, m_service, [this] {
                const bool waited = m_slot == Slot::Waiting;
                m_slot = Slot::Held;
                m_waiting->stop();
                if (waited)
                    Q_EMIT Waiting();
                navigate(std::exchange(m_waitingAddress, {}));
            });
            if (m_slot == Slot::Asked) {
                m_slot = Slot::Waiting;
                m_waiting->start(kWaitingMs);
            }
        }
        return;
    }
    navigate(address);
}

void HTTPConnector::navigate(const QString& address)
{
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
