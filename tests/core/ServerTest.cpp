#include "TestHost.h"
#include "core/stTimer.h"
#include "platform/AnsiText.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;
using namespace orvane::test;

namespace {

std::unique_ptr<server> makeAccount(TestHost& host, qint16 timeout = 60, qint16 interval = 600,
                                    bool minOn = false, qint32 minCount = 0,
                                    bool newMailOnly = false, bool customOn = false,
                                    const QString& customSound = {})
{
    auto account = std::make_unique<server>(host);
    account->CreateServer(QStringLiteral("acct"), QStringLiteral("pop.example.org"), timeout,
                          interval, QStringLiteral("user"), QStringLiteral("secret"), minOn,
                          minCount, customOn, customSound, newMailOnly);
    return account;
}

// Runs one check that ends with `count` messages.
void checkWith(TestHost& host, server& account, qint32 count)
{
    host.CheckAccount(account);
    QVERIFY(host.checkers.last());
    host.checkers.last()->found(count);
}

} // namespace

class ServerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void newMailRules_data();
    void newMailRules();
    void customSoundPlaysOncePerFileUntilCleared();
    void lastChecked_data();
    void lastChecked();
    void progressKeepsASlowCheckAlive();
    void silenceEndsTheCheckOnTheLastTick();
    void eventsOfADroppedCheckerReachNobody();
    void errorRaisedInsideCheckForMail();
    void intervalRunsFromTheEndOfTheLastCheck_data();
    void intervalRunsFromTheEndOfTheLastCheck();
    void noSecondCheckWhileChecking();
    void deactivatedAccountIsNeverChecked();
    void deactivatedAccountIsCheckedOnlyOnRequest_data();
    void deactivatedAccountIsCheckedOnlyOnRequest();
    void resetTimerPushesTheNextCheck();
    void unloadingAnIdleAccountStillFinishesACheck();
    void savedSecondsBeyondSixteenBits_data();
    void savedSecondsBeyondSixteenBits();
    void providerSignInKeepsNoSecretInTheList_data();
    void providerSignInKeepsNoSecretInTheList();
};

void ServerTest::newMailRules_data()
{
    QTest::addColumn<bool>("minOn");
    QTest::addColumn<int>("minCount");
    QTest::addColumn<bool>("newMailOnly");
    QTest::addColumn<QList<int>>("counts"); // -1 stands for "Clear Mail Count"
    QTest::addColumn<bool>("newMail");
    QTest::addColumn<qint64>("msgCount");
    QTest::addColumn<int>("baseline");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QStringList>("popups");

    QTest::newRow("minimum 3, two messages")
        << true << 3 << false << QList<int>{2} << false << qint64(0) << 0 << "2 Messages Found"
        << QStringList{};
    QTest::newRow("minimum 3, three messages")
        << true << 3 << false << QList<int>{3} << true << qint64(3) << 0 << "3 Messages Found"
        << QStringList{"acct:3"};
    QTest::newRow("minimum 0 is like no minimum")
        << true << 0 << false << QList<int>{1} << true << qint64(1) << 0 << "1 Message Found"
        << QStringList{"acct:1"};
    QTest::newRow("empty mailbox") << false << 0 << false << QList<int>{0} << false << qint64(0)
                                   << 0 << "0 Messages Found" << QStringList{};
    QTest::newRow("new-mail-only after a clear")
        << false << 0 << true << QList<int>{5, -1, 7} << true << qint64(2) << 5
        << "2 New And 5 Old Messages Found" << QStringList{"acct:5", "acct:2"};
    QTest::newRow("shrinking mailbox pulls the baseline down")
        << false << 0 << true << QList<int>{5, -1, 7, 4} << false << qint64(0) << 4
        << "0 New And 4 Old Messages Found" << QStringList{"acct:5", "acct:2"};
    QTest::newRow("popup again only when the count rises")
        << false << 0 << false << QList<int>{2, 3, 3} << true << qint64(3) << 0
        << "3 Messages Found" << QStringList{"acct:2", "acct:3"};
    QTest::newRow("a drop lowers the mark for the next popup")
        << false << 0 << false << QList<int>{5, 3, 4} << true << qint64(4) << 0
        << "4 Messages Found" << QStringList{"acct:5", "acct:4"};
    QTest::newRow("after a clear the same count is announced again")
        << false << 0 << false << QList<int>{4, -1, 4} << true << qint64(4) << 4
        << "4 Messages Found" << QStringList{"acct:4", "acct:4"};
}

void ServerTest::newMailRules()
{
    QFETCH(bool, minOn);
    QFETCH(int, minCount);
    QFETCH(bool, newMailOnly);
    QFETCH(QList<int>, counts);

    TestHost host;
    auto account = makeAccount(host, 60, 600, minOn, minCount, newMailOnly);
    for (int count : counts) {
        if (count < 0)
            account->ClearCount();
        else
            checkWith(host, *account, count);
    }
    QTEST(account->NewMail(), "newMail");
    QTEST(account->msgCount(), "msgCount");
    QTEST(account->baseline(), "baseline");
    QTEST(account->GetLastDetail(), "detail");
    QTEST(host.popups, "popups");
    QVERIFY(!account->IsChecking());
    QCOMPARE(host.checksFinished, int(counts.size() - counts.count(-1)));
}

void ServerTest::customSoundPlaysOncePerFileUntilCleared()
{
    QTemporaryDir dir;
    const QString wave = dir.filePath(QStringLiteral("ding.wav"));
    {
        QFile file(wave);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    TestHost host;
    auto withSound = makeAccount(host, 60, 600, false, 0, false, true, wave);
    auto missingFile = makeAccount(host, 60, 600, false, 0, false, true, wave + "x");
    QVERIFY(withSound->UsingCustomSound());
    QVERIFY(!missingFile->UsingCustomSound());

    checkWith(host, *withSound, 2);
    checkWith(host, *missingFile, 2);
    QCOMPARE(host.sounds, QStringList{wave}); // never forced, the missing file never asked for
    checkWith(host, *withSound, 0);
    QCOMPARE(host.sounds.size(), 1); // no new mail, no sound
}

void ServerTest::lastChecked_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("expected");
    // 2026-12-07 09:00:00 plus the 10 seconds the check takes; en_US short forms.
    QTest::newRow("time only") << 0 << "9:00 AM";
    QTest::newRow("time and date") << 1 << "9:00 AM 12/7/26";
    QTest::newRow("date and time") << 2 << "12/7/26 9:00 AM";
    QTest::newRow("date only") << 3 << "12/7/26";
    QTest::newRow("any other mode is date only") << 7 << "12/7/26";
}

void ServerTest::lastChecked()
{
    QFETCH(int, mode);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    TestHost host;
    host.timeDispMode = mode;
    auto account = makeAccount(host);
    QCOMPARE(account->LastChecked(), QStringLiteral("Never"));
    host.CheckAccount(*account);
    QCOMPARE(account->LastChecked(), QStringLiteral("Checking..."));
    host.virtualClock.advanceSeconds(10);
    host.checkers.last()->found(1);
    QTEST(account->LastChecked().replace(QChar(0x202F), QLatin1Char(' ')), "expected");
    QCOMPARE(account->lastDate(), QDate(2026, 12, 7));
    QCOMPARE(account->lastTime(), QTime(9, 0, 10));
    QLocale::setDefault(QLocale::system());
}

void ServerTest::progressKeepsASlowCheckAlive()
{
    TestHost host;
    auto account = makeAccount(host, 30, 600);
    host.CheckAccount(*account);
    for (int i = 0; i < 6; ++i) {
        host.virtualClock.advanceSeconds(20);
        host.checkers.last()->status(QStringLiteral("step %1").arg(i));
    }
    QVERIFY(account->IsChecking());
    QCOMPARE(account->GetLastDetail(), QStringLiteral("step 5"));
}

void ServerTest::silenceEndsTheCheckOnTheLastTick()
{
    TestHost host;
    auto account = makeAccount(host, 30, 600);
    host.CheckAccount(*account);
    host.virtualClock.advance(29'999);
    QVERIFY(account->IsChecking());
    host.virtualClock.advance(1);
    QVERIFY(!account->IsChecking());
    QCOMPARE(account->GetLastDetail(), QStringLiteral("Server timed out."));
    QCOMPARE(host.checksFinished, 1);
    QVERIFY(!account->clock().isTimeoutRunning());
}

void ServerTest::eventsOfADroppedCheckerReachNobody()
{
    TestHost host;
    auto account = makeAccount(host, 30, 600);
    checkWith(host, *account, 2);
    host.CheckAccount(*account);
    QPointer<ScriptedChecker> slow = host.checkers.last();
    host.virtualClock.advanceSeconds(30); // times out
    QCOMPARE(account->GetLastDetail(), QStringLiteral("Server timed out."));
    if (slow) {
        slow->found(9);
        slow->fail(QStringLiteral("late"));
        slow->status(QStringLiteral("late"));
    }
    QCOMPARE(account->count(), 2);
    QCOMPARE(account->GetLastDetail(), QStringLiteral("Server timed out."));
    QCOMPARE(host.checksFinished, 2);
}

void ServerTest::errorRaisedInsideCheckForMail()
{
    TestHost host;
    host.checkers.onCheck = [](ScriptedChecker& c) { c.fail(QStringLiteral("busy")); };
    auto account = makeAccount(host);
    host.CheckAccount(*account);
    QVERIFY(!account->IsChecking());
    QCOMPARE(account->GetLastDetail(), QStringLiteral("busy"));
    QCOMPARE(host.checksFinished, 1);
    // The dropped checker is deleted once control is back in the event loop.
    QTRY_VERIFY(!host.checkers.last());
}

void ServerTest::intervalRunsFromTheEndOfTheLastCheck_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("checkTakes");
    QTest::addColumn<int>("nextCheckAfterEnd");
    QTest::newRow("300 s, slow check") << 300 << 50 << 300;
    QTest::newRow("interval 1") << 1 << 3 << 1;
    QTest::newRow("interval 0 behaves like 1") << 0 << 3 << 1;
}

void ServerTest::intervalRunsFromTheEndOfTheLastCheck()
{
    QFETCH(int, interval);
    QFETCH(int, checkTakes);
    QFETCH(int, nextCheckAfterEnd);
    TestHost host;
    auto account = makeAccount(host, 600, qint16(interval));
    host.virtualClock.advanceSeconds(std::max(interval, 1));
    QCOMPARE(host.checksStarted, 1);
    host.virtualClock.advanceSeconds(checkTakes);
    host.checkers.last()->found(0);
    host.virtualClock.advance(qint64(nextCheckAfterEnd) * 1000 - 1);
    QCOMPARE(host.checksStarted, 1);
    host.virtualClock.advance(1);
    QCOMPARE(host.checksStarted, 2);
}

void ServerTest::noSecondCheckWhileChecking()
{
    TestHost host;
    auto account = makeAccount(host, 1000, 10);
    host.virtualClock.advanceSeconds(10);
    QCOMPARE(host.checksStarted, 1);
    // The check outlasts two intervals; each tick is refused and the clock
    // counts again from zero.
    host.virtualClock.advanceSeconds(25);
    QCOMPARE(host.checksStarted, 1);
    QCOMPARE(host.checkRequests, 3);
    host.checkers.last()->found(0);
    host.virtualClock.advanceSeconds(10);
    QCOMPARE(host.checksStarted, 2);
}

void ServerTest::deactivatedAccountIsNeverChecked()
{
    TestHost host;
    auto account = makeAccount(host, 30, 5);
    account->Deactivate();
    host.virtualClock.advanceSeconds(3600);
    QCOMPARE(host.checkRequests, 0);
    QCOMPARE(host.virtualClock.activeTimerCount(), 0);
    account->Activate();
    host.virtualClock.advanceSeconds(5);
    QCOMPARE(host.checkRequests, 1);
}

void ServerTest::deactivatedAccountIsCheckedOnlyOnRequest_data()
{
    QTest::addColumn<bool>("timesOut");
    QTest::newRow("answered") << false;
    QTest::newRow("timed out") << true;
}

void ServerTest::deactivatedAccountIsCheckedOnlyOnRequest()
{
    QFETCH(bool, timesOut);
    TestHost host;
    auto account = makeAccount(host, 30, 5);
    account->Deactivate();
    host.CheckAccount(*account);                          // "Check All" or "Check For Mail"
    host.virtualClock.advanceSeconds(timesOut ? 30 : 20); // past the interval
    if (!timesOut)
        host.checkers.last()->found(1);
    QVERIFY(!account->IsChecking());
    host.virtualClock.advanceSeconds(3600);
    QCOMPARE(host.checksStarted, 1);
    QCOMPARE(host.virtualClock.activeTimerCount(), 0);
}

void ServerTest::resetTimerPushesTheNextCheck()
{
    TestHost host;
    auto account = makeAccount(host, 30, 100);
    host.virtualClock.advanceSeconds(90);
    account->ResetTimer();
    host.virtualClock.advanceSeconds(99);
    QCOMPARE(host.checkRequests, 0);
    host.virtualClock.advanceSeconds(1);
    QCOMPARE(host.checkRequests, 1);
}

void ServerTest::unloadingAnIdleAccountStillFinishesACheck()
{
    TestHost host;
    auto account = makeAccount(host, 30, 5);
    account->UnloadYourself();
    QCOMPARE(host.checksFinished, 1); // the core repairs the count it never raised
    QVERIFY(!account->IsActive());
    host.virtualClock.advanceSeconds(60);
    QCOMPARE(host.checkRequests, 0);
}

void ServerTest::savedSecondsBeyondSixteenBits_data()
{
    QTest::addColumn<QString>("saved"); // the time-out and interval lines
    QTest::addColumn<int>("timeout");
    QTest::addColumn<int>("interval");
    QTest::newRow("largest") << QString("32767\r\n32767") << 32767 << 32767;
    QTest::newRow("beyond") << QString("32768\r\n40000") << 32767 << 32767;
    QTest::newRow("negative") << QString("-5\r\n600") << 0 << 600;
}

void ServerTest::savedSecondsBeyondSixteenBits()
{
    QFETCH(QString, saved);
    QFETCH(int, timeout);
    QFETCH(int, interval);
    AnsiLineReader in(("acct\r\npop.example.org\r\n" + saved +
                       "\r\nuser\r\n\r\nTrue\r\n00:00:00\r\n1899-12-30\r\nFalse\r\n0\r\n0\r\n"
                       "False\r\nFalse\r\n\r\nFalse\r\n")
                          .toLatin1());
    TestHost host;
    server account(host);
    QVERIFY(account.ReadYourselfIn(in));
    QString text;
    qint16 shortTimeout = 0;
    qint16 shortInterval = 0;
    account.GetInfo(text, shortTimeout, shortInterval, text, text);
    QCOMPARE(int(shortTimeout), timeout);
    QCOMPARE(int(shortInterval), interval);
    QCOMPARE(account.clock().timeout(), timeout);
}

void ServerTest::providerSignInKeepsNoSecretInTheList_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("marker"); // the password line is the marker
    QTest::newRow("signs in with its provider") << server::ProviderSignIn() << true;
    // A password that reads like the marker is still a password.
    QTest::newRow("typed password like the marker") << QString("*oauth2*") << false;
    QTest::newRow("plain password") << QString("secret") << false;
}

void ServerTest::providerSignInKeepsNoSecretInTheList()
{
    QFETCH(QString, password);
    QFETCH(bool, marker);
    TestHost host;
    server account(host);
    account.CreateServer("acct", "imaps://imap.example.org", 60, 600, "user", password, false, 0,
                         false, {}, false);
    QBuffer saved;
    saved.open(QIODevice::WriteOnly);
    AnsiLineWriter out(saved);
    QVERIFY(account.SaveYourself(out));
    const QByteArrayList lines = saved.data().split('\n');
    QCOMPARE(lines.value(5).trimmed() == server::kProviderSignInLine, marker);

    AnsiLineReader in(saved.data());
    server read(host);
    QVERIFY(read.ReadYourselfIn(in));
    QCOMPARE(read.GetPassword(), password);
    QCOMPARE(read.SignsInWithProvider(), marker);
}

QTEST_GUILESS_MAIN(ServerTest)
#include "ServerTest.moc"
