#include "KeyringDaemon.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTest>

namespace orvane::e2e {
namespace {

constexpr int kStartMs = 20000;
const char* const kDaemon = "/usr/bin/gnome-keyring-daemon";

bool keyringOnBus()
{
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QStringLiteral("org.freedesktop.secrets"));
}

bool waitFor(bool registered)
{
    const QDeadlineTimer deadline(kStartMs);
    while (keyringOnBus() != registered) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(50);
    }
    return true;
}

} // namespace

bool KeyringDaemon::start()
{
    if (!QFile::exists(QString::fromLatin1(kDaemon))) {
        m_error = QStringLiteral("gnome-keyring is missing: run scripts/packages.sh");
        return false;
    }
    if (keyringOnBus()) {
        m_error = QStringLiteral("a keyring runs on this bus already: run the tests through "
                                 "scripts/test.sh");
        return false;
    }
    // Keyrings live under the data folder; the daemon's sockets in the
    // runtime folder, which must be the user's alone.
    const QString home = m_home.path();
    QDir().mkpath(home + QStringLiteral("/data"));
    QDir().mkpath(home + QStringLiteral("/run"));
    QFile::setPermissions(home + QStringLiteral("/run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
    m_daemon.setProcessEnvironment(env);
    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_daemon.start(QString::fromLatin1(kDaemon),
                   {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                    QStringLiteral("--components=secrets")});
    if (!m_daemon.waitForStarted(kStartMs)) {
        m_error = QStringLiteral("gnome-keyring-daemon did not start: ") + m_daemon.errorString();
        return false;
    }
    // --unlock reads the password of the login keyring it makes.
    m_daemon.write("orvane-test");
    m_daemon.closeWriteChannel();
    if (!waitFor(true)) {
        m_error = QStringLiteral("gnome-keyring-daemon did not come up on the bus");
        stop();
        return false;
    }
    return true;
}

void KeyringDaemon::stop()
{
    if (m_daemon.state() == QProcess::NotRunning)
        return;
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(kStartMs))
        m_daemon.kill();
    m_daemon.waitForFinished(kStartMs);
    waitFor(false);
}

QString KeyringDaemon::secretTool(const QStringList& arguments, int* exitCode) const
{
    QProcess tool;
    // `search` tells the attributes on standard error.
    if (arguments.first() == QLatin1String("search"))
        tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(QStringLiteral("secret-tool"), arguments);
    tool.waitForFinished(kStartMs);
    *exitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    return QString::fromUtf8(tool.readAllStandardOutput());
}

QString KeyringDaemon::lookup(const QStringList& attributes) const
{
    int exitCode = 0;
    const QString secret =
        secretTool(QStringList{QStringLiteral("lookup")} + attributes, &exitCode);
    return exitCode == 0 ? secret : QString();
}

QString KeyringDaemon::search(const QStringList& attributes) const
{
    int exitCode = 0;
    return secretTool(QStringList{QStringLiteral("search"), QStringLiteral("--all")} + attributes,
                      &exitCode);
}

} // namespace orvane::e2e
