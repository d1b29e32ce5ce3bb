#include "QuorvelBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QTest>

namespace orvane::e2e {

namespace {

const QString kStatusInterface = QStringLiteral("org.orvane.Quorvel.Status");

QByteArray flag(bool on)
{
    return on ? "True" : "False";
}

} // namespace

QByteArray encodePassword(const QString& password)
{
    QByteArray out;
    for (const char byte : password.toUtf8()) {
        const QByteArray code = QByteArray::number(static_cast<unsigned char>(byte));
        out += QByteArray::number(code.size()) + code;
    }
    return out;
}

QByteArray listFileContent(const ListSettings& settings, const QList<ListAccount>& accounts)
{
    QByteArrayList lines{"1.6", QByteArray::number(accounts.size())};
    lines += QByteArrayList{"0",
                            "2000",
                            "1000",
                            "2000",
                            "2800",
                            settings.wave.toUtf8(),
                            settings.eprog.toUtf8(),
                            flag(settings.playSound),
                            flag(settings.checkAtStartup),
                            "True",
                            "False",
                            QByteArray::number(settings.doubleClick),
                            QByteArray::number(settings.page),
                            flag(settings.showPopup),
                            "False"};
    lines += QByteArrayList{"2000", "1000", "2000", "2800"};          // Quick View
    lines += QByteArrayList{settings.traySkin};                       // tray skin
    lines += QByteArrayList{"<Default>", "False", "0", "0", "False"}; // Quick Bar
    for (const ListAccount& account : accounts) {
        lines += QByteArrayList{account.name,
                                account.address,
                                QByteArray::number(account.timeout),
                                QByteArray::number(account.interval),
                                account.user,
                                encodePassword(account.password),
                                "True",
                                "00:00:00",
                                "1899-12-30",
                                "False",
                                "0",
                                "0",
                                "False",
                                "False",
                                "",
                                "False"};
    }
    if (settings.desktopNotifications)
        lines += flag(*settings.desktopNotifications);
    return lines.join("\r\n") + "\r\n";
}

bool quorvelOnBus()
{
    return QDBusConnection::sessionBus()
        .interface()
        ->isServiceRegistered(QString::fromLatin1(kQuorvelService))
        .value();
}

QVariant statusProperty(const QString& name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        QString::fromLatin1(kQuorvelService), QStringLiteral("/Status"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get.setArguments({kStatusInterface, name});
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return {};
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

QDBusMessage callStatus(const QString& method)
{
    return QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(QString::fromLatin1(kQuorvelService),
                                       QStringLiteral("/Status"), kStatusInterface, method),
        QDBus::Block, 5000);
}

QDBusMessage callShutdown(int timeoutMs)
{
    return QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(
            QString::fromLatin1(kQuorvelService), QStringLiteral("/Util"),
            QStringLiteral("org.orvane.Quorvel.Util"), QStringLiteral("Shutdown")),
        QDBus::Block, timeoutMs);
}

bool startQuorvel(QProcess& process, const QString& folder, const QProcessEnvironment& environment,
                  int timeoutMs)
{
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(QDir(folder).filePath(QStringLiteral("Quorvel")), {});
    if (!process.waitForStarted(timeoutMs))
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    while (!quorvelOnBus() && !deadline.hasExpired())
        QTest::qWait(100);
    return quorvelOnBus();
}

void stopQuorvel(QProcess& process, int timeoutMs)
{
    if (process.state() == QProcess::NotRunning)
        return;
    callShutdown(timeoutMs);
    if (!process.waitForFinished(timeoutMs))
        process.kill();
    process.waitForFinished(timeoutMs);
}

} // namespace orvane::e2e
