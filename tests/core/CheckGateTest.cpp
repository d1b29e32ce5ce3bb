// Sleep, wake and the network on virtual time, through the real check cycle:
// what is dropped before a sleep, what is held while offline, and when every
// account is checked again.
#include "core/CheckGate.h"

#include "CheckCycle.h"

#include <QTest>

using namespace orvane;
using namespace orvane::test;

namespace {

using Reach = NetworkWatch::Reach;

// "home" and "work" are active, "spare" is checked only on request. The
// network is up and has settled.
struct Fixture : CheckCycle
{
    Fixture()
    {
        network.set(Reach::Online);
        clock.advance(CheckGate::kSettleMs);
        add(QStringLiteral("home"));
        add(QStringLiteral("work"));
        add(QStringLiteral("spare")).Deactivate();
    }
    server& account(int i) { return accounts.at(size_t(i)); }
    // Answers every check under way with one message.
    void answerAll()
    {
        for (const auto& checker : checkers.made) {
            if (checker)
                checker->found(1);
        }
    }
    qint64 ms() const { return m_start.msecsTo(clock.now()); }
    void startScript() { m_start = clock.now(); }

private:
    QDateTime m_start;
};

} // namespace

class CheckGateTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recheckTimes_data();
    void recheckTimes();
    void sleepDropsChecksQuietly();
    void offlineHoldsScheduledChecks();
};

// A script of events, each "<ms>:<event>" with the event one of sleep, wake,
// offline, online, unknown, primary; the times at which every account is
// checked again and at which the network counts as returned.
void CheckGateTest::recheckTimes_data()
{
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QList<int>>("rechecks");
    QTest::addColumn<QList<int>>("returns");

    QTest::newRow("wake, network up")
        << QStringList{"0:sleep", "1000:wake"} << QList<int>{3000} << QList<int>{};
    QTest::newRow("wake, no news of the network")
        << QStringList{"0:sleep", "0:unknown", "1000:wake"} << QList<int>{11000} << QList<int>{};
    QTest::newRow("wake, then the network")
        << QStringList{"0:sleep", "0:unknown", "1000:wake", "4000:online"} << QList<int>{6000}
        << QList<int>{6000};
    QTest::newRow("wake offline, network much later")
        << QStringList{"0:sleep", "0:offline", "1000:wake", "41000:online"} << QList<int>{43000}
        << QList<int>{43000};
    QTest::newRow("wake offline for good")
        << QStringList{"0:sleep", "0:offline", "1000:wake"} << QList<int>{} << QList<int>{};
    QTest::newRow("wake, network lost while waiting")
        << QStringList{"0:sleep", "0:unknown", "1000:wake", "4000:offline"} << QList<int>{}
        << QList<int>{};
    QTest::newRow("wake, network flapping")
        << QStringList{"0:sleep",     "1000:wake",    "1500:offline",
                       "2000:online", "2500:offline", "3000:online"}
        << QList<int>{5000} << QList<int>{5000};
    QTest::newRow("network back") << QStringList{"0:offline", "5000:online"} << QList<int>{7000}
                                  << QList<int>{7000};
    QTest::newRow("network flapping")
        << QStringList{"0:offline", "300:online", "600:offline", "900:online"} << QList<int>{2900}
        << QList<int>{2900};
    QTest::newRow("network lost before it settled")
        << QStringList{"0:offline", "300:online", "1000:offline"} << QList<int>{} << QList<int>{};
    QTest::newRow("primary connection changed")
        << QStringList{"0:primary"} << QList<int>{2000} << QList<int>{2000};
    QTest::newRow("primary connection changed twice")
        << QStringList{"0:primary", "1500:primary"} << QList<int>{3500} << QList<int>{3500};
    QTest::newRow("primary connection changed while offline")
        << QStringList{"0:offline", "500:primary"} << QList<int>{} << QList<int>{};
    QTest::newRow("network changes during a sleep")
        << QStringList{"0:sleep", "100:offline", "200:online", "300:primary"} << QList<int>{}
        << QList<int>{};
    QTest::newRow("sleep while the network settles")
        << QStringList{"0:primary", "1000:sleep"} << QList<int>{} << QList<int>{};
}

void CheckGateTest::recheckTimes()
{
    QFETCH(QStringList, script);
    QFETCH(QList<int>, rechecks);
    QFETCH(QList<int>, returns);
    Fixture f;
    f.startScript();
    QList<int> rechecked;
    QList<int> returned;
    connect(&f.gate, &CheckGate::recheckDue, this, [&] { rechecked << int(f.ms()); });
    connect(&f.gate, &CheckGate::networkReturned, this, [&] { returned << int(f.ms()); });

    for (const QString& step : script) {
        const int at = step.section(QLatin1Char(':'), 0, 0).toInt();
        const QString event = step.section(QLatin1Char(':'), 1);
        f.clock.advance(at - f.ms());
        if (event == QLatin1String("sleep"))
            f.sleep.sleep();
        else if (event == QLatin1String("wake"))
            f.sleep.wake();
        else if (event == QLatin1String("offline"))
            f.network.set(Reach::Offline);
        else if (event == QLatin1String("online"))
            f.network.set(Reach::Online);
        else if (event == QLatin1String("unknown"))
            f.network.set(Reach::Unknown);
        else
            f.network.changePrimary();
    }
    // Well before any account's own interval.
    f.clock.advance(60000 - f.ms());
    QCOMPARE(rechecked, rechecks);
    QCOMPARE(returned, returns);
    // Each recheck checked each active account once, and only those.
    QCOMPARE(f.checkers.count(), 2 * int(rechecks.size()));
}

void CheckGateTest::sleepDropsChecksQuietly()
{
    Fixture f;
    server& home = f.account(0);
    server& spare = f.account(2);
    f.core.CheckAccount(home);
    f.checker(0).found(1);
    const QTime checkedAt = home.lastTime();
    f.clock.advance(5000);

    // Everything under way, the account checked only on request included.
    f.core.CheckAll();
    QCOMPARE(f.checkers.count(), 4);
    f.checker(1).status(QStringLiteral("Connected"));
    f.sleep.sleep();
    QCOMPARE(f.core.checksUnderWay(), 0);
    QVERIFY(!f.core.passUnderWay());
    for (const auto& account : f.accounts)
        QVERIFY(!account->IsChecking());
    QCOMPARE(home.GetLastDetail(), QStringLiteral("1 Message Found"));
    QCOMPARE(home.lastTime(), checkedAt);
    QCOMPARE(home.failures(), 0);
    QCOMPARE(f.indicators.tip, QStringLiteral("Orvane - 1 Message Found."));
    // What a dropped checker still says reaches nobody.
    const QPointer<ScriptedChecker> dropped = f.checkers.made.at(1);
    if (dropped)
        dropped->found(7);
    QCOMPARE(home.count(), 1);

    // Eight hours of missed intervals, and a request: nothing starts, and
    // nothing times out.
    f.clock.advance(8 * 3600 * 1000);
    f.core.CheckAll();
    QCOMPARE(f.checkers.count(), 4);
    for (const auto& account : f.accounts)
        QVERIFY(account->GetLastDetail() != QLatin1String("Server timed out."));

    // After the wake each account is checked once; the one checked only on
    // request was dropped, so it is checked again too.
    f.sleep.wake();
    f.clock.advance(CheckGate::kSettleMs);
    QCOMPARE(f.checkers.count(), 7);
    QVERIFY(spare.IsChecking());
    f.answerAll();
    // The clocks go on from the wake's checks.
    f.clock.advance(599 * 1000);
    QCOMPARE(f.checkers.count(), 7);
    f.clock.advance(1000);
    QCOMPARE(f.checkers.count(), 9);
}

void CheckGateTest::offlineHoldsScheduledChecks()
{
    Fixture f;
    server& home = f.account(0);
    server& spare = f.account(2);
    f.network.set(Reach::Offline);
    f.clock.advance(600 * 1000);
    QCOMPARE(f.checkers.count(), 0);
    QCOMPARE(home.GetLastDetail(), QStringLiteral("Waiting for the network."));
    QCOMPARE(f.account(1).GetLastDetail(), QStringLiteral("Waiting for the network."));
    QCOMPARE(spare.GetLastDetail(), QString());
    QCOMPARE(home.failures(), 0);
    // Held checks are no pass: the tray does not show one.
    QVERIFY(!f.core.passUnderWay());

    // A server on this machine answers without a network: the user may ask.
    f.core.CheckAccount(spare);
    QCOMPARE(f.checkers.count(), 1);
    f.answerAll();

    f.network.set(Reach::Online);
    f.clock.advance(CheckGate::kSettleMs - 1);
    QCOMPARE(f.checkers.count(), 1);
    f.clock.advance(1);
    QCOMPARE(f.checkers.count(), 3);
    QVERIFY(home.IsChecking() && f.account(1).IsChecking() && !spare.IsChecking());
}

QTEST_GUILESS_MAIN(CheckGateTest)
#include "CheckGateTest.moc"
