// An account's check from the clock to the recorded count, on the real
// classes: account, core, dispatcher and the notifier's checkers, with a real
// POP3 client talking to a scripted peer on loopback. Time is virtual; only
// the socket steps wait, bounded, for the event loop.
#include "CheckerEventLog.h"
#include "FakeOptions.h"
#include "RecordingSoundPlayer.h"
#include "ScriptedChecker.h"
#include "ScriptedPop3Server.h"
#include "VirtualClock.h"
#include "checkers/NotifierCheckers.h"
#include "checkers/ProfileStore.h"
#include "core/AccountList.h"
#include "core/GenericServer.h"
#include "core/Indicators.h"
#include "core/MailCore.h"
#include "core/server.h"

#include <QtTest>

using namespace orvane;
using namespace orvane::test;

namespace {

constexpr int kSocketMs = 5000;
constexpr int kInterval = 60;
constexpr int kTimeout = 30;
const QString kTimedOut = QStringLiteral("Server timed out.");

using Peer = ScriptedPop3Server;

// The notifier's checkers, except that POP3 checks can be handed to scripted
// checkers. The web-mail server is out of reach: its bus is not connected.
class PathCheckers final : public CheckerFactory
{
public:
    std::unique_ptr<MailChecker> createWebServer() override { return m_real.createWebServer(); }
    std::unique_ptr<MailChecker> createMAPI() override { return m_real.createMAPI(); }
    std::unique_ptr<MailChecker> createPOP3() override
    {
        return scriptedPop3 ? scripted.make() : m_real.createPOP3();
    }

    bool scriptedPop3 = false;
    ScriptedCheckers scripted;

private:
    NotifierCheckers m_real{QDBusConnection(QStringLiteral("no bus"))};
};

// Everything a check passes through, wired as the notifier wires it.
struct Rig
{
    VirtualClock clock;
    AccountList accounts;
    FakeOptions options;
    Indicators indicators;
    RecordingSoundPlayer sound;
    PathCheckers checkers;
    MailCore core{clock, accounts, options, indicators, sound, checkers};

    server& add(const QString& address)
    {
        server& account = accounts.append(std::make_unique<server>(core));
        account.CreateServer(QStringLiteral("Work"), address, kTimeout, kInterval,
                             QStringLiteral("bob"), QStringLiteral("s3cret"), false, 0, false, {},
                             false);
        return account;
    }
};

QList<Peer::Step> countOf3()
{
    return Peer::dialogue("+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK 3 4200\r\n");
}

} // namespace

class AccountCheckPathTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void countComesBack_data();
    void countComesBack();
    void silentCheckTimesOut_data();
    void silentCheckTimesOut();
    void droppedCheckerReachesNobody_data();
    void droppedCheckerReachesNobody();
    void missingCheckerEndsAtOnce_data();
    void missingCheckerEndsAtOnce();
};

void AccountCheckPathTest::countComesBack_data()
{
    QTest::addColumn<bool>("byClock");
    QTest::newRow("the clock starts it") << true;
    QTest::newRow("a caller starts it") << false;
}

void AccountCheckPathTest::countComesBack()
{
    QFETCH(bool, byClock);
    Peer peer(countOf3());
    QVERIFY(peer.listen());
    Rig rig;
    server& account = rig.add(peer.address());
    QCOMPARE(account.LastChecked(), QStringLiteral("Never"));

    if (byClock) {
        rig.clock.advanceSeconds(kInterval - 1);
        QVERIFY(!account.IsChecking());
        rig.clock.advanceSeconds(1);
    } else {
        rig.core.CheckAccount(account);
    }
    const QDateTime started = rig.clock.now();
    QVERIFY(account.IsChecking());
    QCOMPARE(account.LastChecked(), QStringLiteral("Checking..."));
    QCOMPARE(rig.core.toolTip(), QStringLiteral("Orvane - Checking For Mail..."));

    QTRY_VERIFY_WITH_TIMEOUT(!account.IsChecking(), kSocketMs);
    QCOMPARE(peer.expectedLines(), (QList<QByteArray>{"USER bob", "PASS s3cret", "STAT"}));
    QCOMPARE(account.GetLastDetail(), QStringLiteral("3 Messages Found"));
    QVERIFY(account.NewMail());
    QCOMPARE(account.msgCount(), 3);
    QVERIFY(account.checkedOnce());
    QVERIFY(account.LastChecked() != QStringLiteral("Never"));
    QCOMPARE(QDateTime(account.lastDate(), account.lastTime()), started);
    QCOMPARE(rig.core.checksUnderWay(), 0);
    QCOMPARE(rig.core.toolTip(), QStringLiteral("Orvane - 3 Messages Found."));
    QCOMPARE(rig.sound.played, QStringList{rig.options.soundFile});

    // The next check comes a full interval after this one ended.
    rig.clock.advanceSeconds(kInterval - 1);
    QVERIFY(!account.IsChecking());
    rig.clock.advanceSeconds(1);
    QVERIFY(account.IsChecking());
    QTRY_VERIFY_WITH_TIMEOUT(!account.IsChecking(), kSocketMs);
    QCOMPARE(peer.connectionCount(), 2);
    QCOMPARE(account.GetLastDetail(), QStringLiteral("3 Messages Found"));
}

void AccountCheckPathTest::silentCheckTimesOut_data()
{
    QTest::addColumn<bool>("realPop3");
    QTest::newRow("POP3 server stops answering") << true;
    QTest::newRow("checker never answers") << false;
}

void AccountCheckPathTest::silentCheckTimesOut()
{
    QFETCH(bool, realPop3);
    Peer peer({Peer::send("+OK ready\r\n"), Peer::expectLine(), Peer::silent()});
    QVERIFY(peer.listen());
    Rig rig;
    rig.checkers.scriptedPop3 = !realPop3;
    server& account = rig.add(peer.address());

    rig.core.CheckAccount(account);
    if (realPop3)
        QTRY_COMPARE_WITH_TIMEOUT(peer.expectedLines().size(), 1, kSocketMs);
    rig.clock.advanceSeconds(kTimeout - 1);
    QVERIFY(account.IsChecking());
    rig.clock.advanceSeconds(1);

    QVERIFY(!account.IsChecking());
    QCOMPARE(account.GetLastDetail(), kTimedOut);
    QVERIFY(!account.NewMail());
    QVERIFY(account.checkedOnce());
    QCOMPARE(rig.core.checksUnderWay(), 0);
    if (realPop3) {
        // Dropping the check drops its connection.
        QTRY_VERIFY_WITH_TIMEOUT(peer.clientClosed(), kSocketMs);
    }
}

void AccountCheckPathTest::droppedCheckerReachesNobody_data()
{
    QTest::addColumn<bool>("answered");
    QTest::newRow("after the time-out") << false;
    QTest::newRow("after the count") << true;
}

void AccountCheckPathTest::droppedCheckerReachesNobody()
{
    QFETCH(bool, answered);
    Rig rig;
    rig.checkers.scriptedPop3 = true;
    server& account = rig.add(QStringLiteral("pop.example.org"));

    rig.core.CheckAccount(account);
    QPointer<ScriptedChecker> checker = rig.checkers.scripted.last();
    QVERIFY(checker);
    if (answered)
        checker->found(1);
    else
        rig.clock.advanceSeconds(kTimeout);
    QVERIFY(!account.IsChecking());
    const QString detail = account.GetLastDetail();
    const QTime finished = account.lastTime();

    // The checker is still there until the event loop drops it; what it
    // raises meanwhile must change nothing.
    QVERIFY(checker);
    checker->status(QStringLiteral("Still here"));
    checker->found(5);
    checker->fail(QStringLiteral("Connection closed."));
    QCOMPARE(account.GetLastDetail(), detail);
    QCOMPARE(account.count(), answered ? 1 : 0);
    QCOMPARE(account.lastTime(), finished);
    QCOMPARE(rig.core.checksUnderWay(), 0);
    QCOMPARE(rig.core.TotalCount(), answered ? 1 : 0);
    QTRY_VERIFY_WITH_TIMEOUT(checker.isNull(), kSocketMs);
}

void AccountCheckPathTest::missingCheckerEndsAtOnce_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("detail");
    // The profile store of the test's own configuration folder is empty.
    QTest::newRow("MS Exchange without a profile") << "MS Exchange - Windows Account"
                                                   << "Invalid username/password.";
    QTest::newRow("Hotmail without the web-mail server") << "hotmail.com" << kMissingService;
}

void AccountCheckPathTest::missingCheckerEndsAtOnce()
{
    QFETCH(QString, address);
    QFETCH(QString, detail);
    QStandardPaths::setTestModeEnabled(true);
    QFile::remove(ProfileStore::defaultPath());
    Rig rig;
    server& account = rig.add(address);

    // A mailbox is read on the worker pool: the end arrives through the
    // event loop, with no more virtual time.
    rig.clock.advanceSeconds(kInterval);
    QTRY_VERIFY(!account.IsChecking());
    QCOMPARE(account.GetLastDetail(), detail);
    QCOMPARE(rig.core.checksUnderWay(), 0);
    QCOMPARE(QDateTime(account.lastDate(), account.lastTime()), rig.clock.now());

    // The clock goes on: the next attempt one interval later, not before.
    const QDateTime first = rig.clock.now();
    rig.clock.advanceSeconds(kInterval - 1);
    QCOMPARE(QDateTime(account.lastDate(), account.lastTime()), first);
    rig.clock.advanceSeconds(1);
    QTRY_VERIFY(!account.IsChecking());
    QCOMPARE(QDateTime(account.lastDate(), account.lastTime()), rig.clock.now());
    QCOMPARE(account.GetLastDetail(), detail);
}

QTEST_GUILESS_MAIN(AccountCheckPathTest)
#include "AccountCheckPathTest.moc"
