// The real notifier checking a real POP3 server: at start-up, then again on
// the account's own interval, and the saved list remembers the check.
#include "Desktop.h"
#include "DovecotServer.h"
#include "ProgramFolder.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <memory>

using namespace orvane;
using namespace orvane::e2e;

namespace {

const QString kService = QStringLiteral("org.orvane.Quorvel");
constexpr int kStartMs = 30000;
constexpr int kStopMs = 30000;
// One account is due again within the test, the other only long after it,
// so its count can only come from the check at start-up.
constexpr int kShortInterval = 3;
constexpr int kLongInterval = 3600;
constexpr int kFirstAccountLine = 2 + 15 + 4 + 1 + 5;
constexpr int kAccountLines = 16;

QByteArray encodePassword(const QString& password)
{
    QByteArray out;
    for (QChar c : password) {
        const QByteArray code = QByteArray::number(c.unicode());
        out += QByteArray::number(code.size()) + code;
    }
    return out;
}

QByteArray listFile(const DovecotServer& dovecot)
{
    QByteArrayList lines{"1.6", "2"};
    // Settings: no sound, no popup, check every account at start-up (line 9).
    lines << "0"
          << "2000"
          << "1000"
          << "2000"
          << "2800"
          << ""
          << ""
          << "False"
          << "True"
          << "False"
          << "False"
          << "2"
          << "0"
          << "False"
          << "False";
    lines << "2000"
          << "1000"
          << "2000"
          << "2800"; // Quick View
    lines << "<No Skin>";
    lines << "<Default>"
          << "False"
          << "0"
          << "0"
          << "False"; // Quick Bar
    for (const int interval : {kLongInterval, kShortInterval}) {
        lines << "Every " + QByteArray::number(interval) << dovecot.address().toLatin1() << "30"
              << QByteArray::number(interval) << dovecot.userName().toLatin1()
              << encodePassword(dovecot.password()) << "True"
              << "00:00:00"
              << "1899-12-30"
              << "False"
              << "0"
              << "0"
              << "False"
              << "False"
              << ""
              << "False";
    }
    return lines.join("\r\n") + "\r\n";
}

int totalCount()
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, QStringLiteral("/Status"), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get.setArguments({QStringLiteral("org.orvane.Quorvel.Status"), QStringLiteral("TotalCount")});
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return -1;
    return reply.arguments().value(0).value<QDBusVariant>().variant().toInt();
}

} // namespace

class QuorvelPop3Test : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void checksAtStartupAndOnItsInterval();

private:
    Desktop m_desktop;
    std::unique_ptr<QProcess> m_quorvel;
};

void QuorvelPop3Test::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("No session bus: run the tests through scripts/test.sh.");
    if (QDBusConnection::sessionBus().interface()->isServiceRegistered(kService))
        QSKIP("org.orvane.Quorvel is taken on this bus: run the tests through scripts/test.sh.");
    QVERIFY2(m_desktop.start(), qPrintable(m_desktop.errorString()));
}

void QuorvelPop3Test::cleanupTestCase()
{
    if (m_quorvel && m_quorvel->state() != QProcess::NotRunning) {
        m_quorvel->kill();
        m_quorvel->waitForFinished(kStopMs);
    }
    m_desktop.stop();
}

void QuorvelPop3Test::checksAtStartupAndOnItsInterval()
{
    DovecotServer dovecot;
    ORVANE_START_DOVECOT(dovecot, DovecotServer::Options{});

    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
    QVERIFY(QDir().mkpath(folder.filePath(QStringLiteral("Users"))));
    {
        QFile list(folder.accountListPath());
        QVERIFY(list.open(QIODevice::WriteOnly));
        const QByteArray content = listFile(dovecot);
        QCOMPARE(list.write(content), content.size());
    }

    const QDate firstDay = QDate::currentDate();
    m_quorvel = std::make_unique<QProcess>();
    m_quorvel->setProcessEnvironment(m_desktop.environment());
    m_quorvel->setWorkingDirectory(folder.path());
    m_quorvel->setProcessChannelMode(QProcess::ForwardedChannels);
    m_quorvel->start(folder.filePath(QStringLiteral("Quorvel")), {});
    QVERIFY(m_quorvel->waitForStarted(kStartMs));
    QTRY_VERIFY_WITH_TIMEOUT(
        QDBusConnection::sessionBus().interface()->isServiceRegistered(kService).value(), kStartMs);

    // The start-up check finds the three messages for both accounts.
    QTRY_COMPARE_WITH_TIMEOUT(totalCount(), 3 + 3, kStartMs);

    // The new message is found by the check the short interval brings, and
    // only by that one.
    QVERIFY2(dovecot.deliverMessage(), qPrintable(dovecot.log()));
    QTRY_COMPARE_WITH_TIMEOUT(totalCount(), 3 + 4, (kShortInterval + 20) * 1000);

    QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(kService, QStringLiteral("/Util"),
                                       QStringLiteral("org.orvane.Quorvel.Util"),
                                       QStringLiteral("Shutdown")),
        QDBus::Block, kStopMs);
    QVERIFY2(m_quorvel->waitForFinished(kStopMs), "the notifier did not end");
    QCOMPARE(m_quorvel->exitStatus(), QProcess::NormalExit);
    const QDate lastDay = QDate::currentDate();

    QFile list(folder.accountListPath());
    QVERIFY(list.open(QIODevice::ReadOnly));
    const QByteArrayList lines = list.readAll().split('\n');
    QVERIFY(lines.size() > kFirstAccountLine + 2 * kAccountLines - 1);
    for (int account = 0; account < 2; ++account) {
        const int first = kFirstAccountLine + account * kAccountLines;
        // Checked at least once, on the day of this test; nothing was cleared,
        // so no message counts as old.
        QCOMPARE(lines.at(first + 9).trimmed(), QByteArray("True"));
        const QDate checked = QDate::fromString(QString::fromLatin1(lines.at(first + 8).trimmed()),
                                                QStringLiteral("yyyy-MM-dd"));
        QVERIFY2(checked >= firstDay && checked <= lastDay, lines.at(first + 8).constData());
        QCOMPARE(lines.at(first + 10).trimmed(), QByteArray("0"));
    }
}

QTEST_GUILESS_MAIN(QuorvelPop3Test)
#include "QuorvelPop3Test.moc"
