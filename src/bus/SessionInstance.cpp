#include "SessionInstance.h"

#include "UtilObject.h"
#include "utiladaptor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
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

SessionInstance::SessionInstance(const QString& logonName, const QString& lockFolder)
    : SessionInstance(logonName, lockFolder, QDBusConnection::sessionBus())
{}

SessionInstance::SessionInstance(const QString& logonName, const QString& lockFolder,
                                 QDBusConnection bus)
    : m_logonName(logonName.trimmed()), m_lockFolder(lockFolder), m_bus(std::move(bus))
{}

SessionInstance::~SessionInstance()
{
    if (m_lockFd >= 0)
        ::close(m_lockFd);
    if (m_ownsName) {
        m_bus.unregisterObject(QString::fromLatin1(kUtilPath));
        m_bus.unregisterService(QString::fromLatin1(kServiceName));
    }
}

bool SessionInstance::claim()
{
    // The lock first: it is the one claim every start can make, bus or not.
    if (!claimLockFile())
        return false;
    if (m_bus.isConnected() && !claimBusName()) {
        ::close(m_lockFd);
        m_lockFd = -1;
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

bool SessionInstance::claimBusName()
{
    const auto reply = m_bus.interface()->registerService(
        QString::fromLatin1(kServiceName), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        qWarning("Orvane: not started: another notifier already runs in this session (it "
                 "owns %s on the session bus).",
                 kServiceName);
        return false;
    }
    m_ownsName = true;
    auto* util = new UtilObject(this);
    new UtilAdaptor(util);
    connect(util, &UtilObject::shutdownRequested, this, &ProgramInstance::shutdownRequested);
    m_bus.registerObject(QString::fromLatin1(kUtilPath), util);
    m_util = util;
    return true;
}

bool SessionInstance::claimLockFile()
{
    const QString folder = m_lockFolder.isEmpty()
                               ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
                               : m_lockFolder;
    QDir().mkpath(folder);
    const QByteArray path = QFile::encodeName(
        QDir(folder).filePath(QStringLiteral("Quorvel") + m_logonName + QStringLiteral(".lock")));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        qWarning("Orvane: not started: the lock file %s cannot be opened: %s.", path.constData(),
                 std::strerror(errno));
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        char holder[32] = {};
        [[maybe_unused]] const auto got = ::pread(fd, holder, sizeof holder - 1, 0);
        ::close(fd);
        if (error == EWOULDBLOCK) {
            qWarning("Orvane: not started: another notifier already runs for this user "
                     "(process %s holds %s).",
                     QByteArray(holder).trimmed().constData(), path.constData());
        } else {
            qWarning("Orvane: not started: the lock file %s cannot be locked: %s.",
                     path.constData(), std::strerror(error));
        }
        return false;
    }
    // The number only helps the message of a refused second start.
    const QByteArray pid = QByteArray::number(::getpid()) + '\n';
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const auto written = ::pwrite(fd, pid.constData(), pid.size(), 0);
    }
    m_lockFd = fd;
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
