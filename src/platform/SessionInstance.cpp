#include "SessionInstance.h"

#include "UtilObject.h"
#include "utiladaptor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace orvane {
namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[0], &byte, 1);
}

} // namespace

SessionInstance::SessionInstance(const QString& programFolder) : m_programFolder(programFolder) {}

SessionInstance::~SessionInstance()
{
    if (m_ownsName) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(QString::fromLatin1(kUtilPath));
        bus.unregisterService(QString::fromLatin1(kServiceName));
    }
}

bool SessionInstance::claim()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        const auto reply = bus.interface()->registerService(
            QString::fromLatin1(kServiceName), QDBusConnectionInterface::DontQueueService,
            QDBusConnectionInterface::DontAllowReplacement);
        if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered)
            return false;
        m_ownsName = true;
        auto* util = new UtilObject(this);
        new UtilAdaptor(util);
        connect(util, &UtilObject::shutdownRequested, this, &ProgramInstance::shutdownRequested);
        bus.registerObject(QString::fromLatin1(kUtilPath), util);
        m_util = util;
    } else {
        m_lock = std::make_unique<QLockFile>(m_programFolder + QStringLiteral("Quorvel.lock"));
        m_lock->setStaleLockTime(0);
        if (!m_lock->tryLock(0))
            return false;
    }
    watchTerminationSignals();
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        // The session manager asks for the data at every checkpoint and
        // before a log-out the user may still cancel, so that only saves.
        // The session really ends by quitting the application.
        connect(gui, &QGuiApplication::commitDataRequest, this, &ProgramInstance::saveRequested);
        connect(gui, &QCoreApplication::aboutToQuit, this, &ProgramInstance::shutdownRequested);
    }
    return true;
}

void SessionInstance::watchTerminationSignals()
{
    if (g_signalPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(g_signalPipe[1], &byte, 1);
        Q_EMIT shutdownRequested();
    });
    struct sigaction action
    {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

} // namespace orvane
