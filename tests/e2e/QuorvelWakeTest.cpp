// The real notifier on a laptop's day, against a real POP3 server: a stand-in
// sleep manager and NetworkManager on a private system bus put the machine to
// sleep, wake it, take its network away and give it back; an account whose
// server refuses it is named in the tooltip.
#include "Desktop.h"
#include "DovecotServer.h"
#include "FileHelpers.h"
#include "ProgramFolder.h"
#include "QuorvelBus.h"
#include "StandInSystemBus.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QProcess>
#include <QTcpServer>
#include <QTest>
#include <memory>

using namespace orvane;
using namespace orvane::e2e;

namespace {

constexpr int kStartMs = 30000;
constexpr int kStopMs = 30000;
// What the notifier promises after a wake.
constexpr int kAfterWakeMs = 30000;

ListAccount dovecotAccount(const DovecotServer& dovecot, const QByteArray& name, int interval)
{
    return {name,     dovecot.address().toLatin1(),  30,
            interval, dovecot.userName().toLatin1(), dovecot.password()};
}

// The status line /Status shows for the account.
QString statusLine(const QString& account)
{
    const QDBusMessage reply = callStatus(QStringLiteral("Accounts"));
    const QDBusArgument rows = reply.arguments().value(0).value<QDBusArgument>();
    QString found;
    rows.beginArray();
    while (!rows.atEnd()) {
        QString name, mail, last, detail;
        rows.beginStructure();
        rows >> name >> mail >> last >> detail;
        rows.endStructure();
        if (name == account)
            found = detail;
    }
    rows.endArray();
    return found;
}

int totalCount()
{
    return statusProperty(QStringLiteral("TotalCount")).toInt();
}

} // namespace

class QuorvelWakeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();
    void wakeChecksAnHourlyAccount();
    void offlineHoldsChecksUntilTheNetworkReturns();
    void newPrimaryConnectionChecksAgain();
    void failingAccountIsNamedInTheTooltip();

private:
    bool startQuorvel(const QByteArray& list);

    Desktop m_desktop;
    StandInSystemBus m_system;
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<QProcess> m_quorvel;
};

void QuorvelWakeTest::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("No session bus: run the tests through scripts/test.sh.");
    if (quorvelOnBus())
        QSKIP("org.orvane.Quorvel is taken on this bus: run the tests through scripts/test.sh.");
    QVERIFY2(m_system.start(), qPrintable(m_system.errorString()));
    QVERIFY2(m_desktop.start(), qPrintable(m_desktop.errorString()));
}

void QuorvelWakeTest::cleanup()
{
    if (m_quorvel)
        stopQuorvel(*m_quorvel, kStopMs);
    m_quorvel.reset();
    m_folder.reset();
    m_system.setNetwork(StandInSystemBus::Network::Global);
}

void QuorvelWakeTest::cleanupTestCase()
{
    m_desktop.stop();
}

bool QuorvelWakeTest::startQuorvel(const QByteArray& list)
{
    m_folder = std::make_unique<ProgramFolder>();
    if (!m_folder->isValid() || !orvane::test::saveFile(m_folder->accountListPath(), list))
        return false;
    QProcessEnvironment environment = m_desktop.environment();
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_system.address());
    m_quorvel = std::make_unique<QProcess>();
    return orvane::e2e::startQuorvel(*m_quorvel, m_folder->path(), environment, kStartMs);
}

void QuorvelWakeTest::wakeChecksAnHourlyAccount()
{
    DovecotServer dovecot;
    ORVANE_START_DOVECOT(dovecot, DovecotServer::Options{});
    const int locksBefore = m_system.locksTaken();
    QVERIFY(startQuorvel(listFileContent({QString(), false, true, false},
                                         {dovecotAccount(dovecot, "Hourly", 3600)})));
    QTRY_COMPARE_WITH_TIMEOUT(totalCount(), 3, kStartMs);
    // The notifier holds a delay lock, so it hears of a sleep before it.
    QTRY_VERIFY_WITH_TIMEOUT(m_system.lockHeld(), 5000);
    QCOMPARE(m_system.locksTaken(), locksBefore + 1);

    // A wired machine: the network stays up across the sleep, so only the
    // wake can bring the check an hour early.
    QVERIFY2(dovecot.deliverMessage(), qPrintable(dovecot.log()));
    m_system.announceSleep();
    QTRY_VERIFY_WITH_TIMEOUT(!m_system.lockHeld(), 5000);

    m_system.announceWake();
    QTRY_COMPARE_WITH_TIMEOUT(totalCount(), 4, kAfterWakeMs);
    // Awake again, it takes a new lock for the next sleep.
    QTRY_VERIFY_WITH_TIMEOUT(m_system.lockHeld(), 5000);
    QCOMPARE(m_system.locksTaken(), locksBefore + 2);
}

void QuorvelWakeTest::offlineHoldsChecksUntilTheNetworkReturns()
{
    constexpr int kInterval = 2;
    DovecotServer dovecot;
    ORVANE_START_DOVECOT(dovecot, DovecotServer::Options{});
    QVERIFY(startQuorvel(listFileContent({QString(), false, true, false},
                                         {dovecotAccount(dovecot, "Often", kInterval)})));
    QTRY_COMPARE_WITH_TIMEOUT(totalCount(), 3, kStartMs);

    m_system.setNetwork(StandInSystemBus::Network::Disconnected);
    QTRY_COMPARE_WITH_TIMEOUT(statusLine(QStringLiteral("Often")),
                              QStringLiteral("Waiting for the network."), 20000);
    // Several intervals go by without a check: the new message stays unseen.
    QVERIFY2(dovecot.deliverMessage(), qPrintable(dovecot.log()));
    QTest::qWait(4 * kInterval * 1000);
    QCOMPARE(totalCount(), 3);
    QCOMPARE(statusLine(QStringLiteral("Often")), QStringLiteral("Waiting for the network."));

    m_system.setNetwork(StandInSystemBus::Network::Global);
    QTRY_COMPARE_WITH_TIMEOUT(totalCount(), 4, 15000);
}

void QuorvelWakeTest::newPrimaryConnectionChecksAgain()
{
    DovecotServer dovecot;
    ORVANE_START_DOVECOT(dovecot, DovecotServer::Options{});
    QVERIFY(startQuorvel(listFileContent({QString(), false, true, false},
                                         {dovecotAccount(dovecot, "Hourly", 3600)})));
    QTRY_COMPARE_WITH_TIMEOUT(totalCount(), 3, kStartMs);
    QVERIFY2(dovecot.deliverMessage(), qPrintable(dovecot.log()));
    // A VPN came up: the network stays online, only the primary one changed.
    m_system.switchPrimary();
    QTRY_COMPARE_WITH_TIMEOUT(totalCount(), 4, 15000);
}

void QuorvelWakeTest::failingAccountIsNamedInTheTooltip()
{
    // A port nobody listens on: every check is refused at once.
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const QByteArray address = "127.0.0.1:" + QByteArray::number(closed.serverPort());
    closed.close();
    QVERIFY(startQuorvel(
        listFileContent({QString(), false, true, false}, {{"Broken", address, 10, 1}})));

    QTRY_COMPARE_WITH_TIMEOUT(statusProperty(QStringLiteral("FailingAccounts")).toStringList(),
                              QStringList{QStringLiteral("Broken")}, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(statusProperty(QStringLiteral("ToolTip"))
                                 .toString()
                                 .endsWith(QStringLiteral("\n1 account failing: Broken")),
                             10000);
}

QTEST_GUILESS_MAIN(QuorvelWakeTest)
#include "QuorvelWakeTest.moc"
