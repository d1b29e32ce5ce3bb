#include "LogindSleepWatch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <fcntl.h>
#include <unistd.h>

namespace orvane {
namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");

} // namespace

LogindSleepWatch::LogindSleepWatch(QObject* parent) : SleepWatch(parent)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    bus.connect(kService, kPath, kManager, QStringLiteral("PrepareForSleep"), this,
                SLOT(prepareForSleep(bool)));
    takeDelayLock();
}

LogindSleepWatch::~LogindSleepWatch()
{
    releaseDelayLock();
}

void LogindSleepWatch::prepareForSleep(bool start)
{
    // A repeated signal changes nothing: one sleep, one wake.
    if (start == m_asleep)
        return;
    m_asleep = start;
    if (start) {
        Q_EMIT sleepAnnounced();
        releaseDelayLock();
    } else {
        Q_EMIT resumed();
        takeDelayLock();
    }
}

void LogindSleepWatch::takeDelayLock()
{
    if (m_lock >= 0 || m_asking || !QDBusUnixFileDescriptor::isSupported())
        return;
    QDBusMessage inhibit =
        QDBusMessage::createMethodCall(kService, kPath, kManager, QStringLiteral("Inhibit"));
    inhibit << QStringLiteral("sleep") << QStringLiteral("Orvane")
            << QStringLiteral("Mail checks stop before the machine sleeps")
            << QStringLiteral("delay");
    m_asking = true;
    auto* call = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(inhibit), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        m_asking = false;
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *done;
        // Without a lock the machine may sleep before we hear of it; the
        // checks are then dropped when it wakes.
        if (reply.isError() || !reply.value().isValid() || m_lock >= 0)
            return;
        const int fd = ::fcntl(reply.value().fileDescriptor(), F_DUPFD_CLOEXEC, 0);
        if (m_asleep) {
            // Too late for this sleep: holding it now would only delay it.
            if (fd >= 0)
                ::close(fd);
            return;
        }
        m_lock = fd;
    });
}

void LogindSleepWatch::releaseDelayLock()
{
    if (m_lock < 0)
        return;
    ::close(m_lock);
    m_lock = -1;
}

} // namespace orvane
