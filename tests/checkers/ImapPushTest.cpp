// Push connections on virtual time: how soon a connection that cannot be
// had is tried again, and that a pause opens nothing until reopened.
#include "checkers/ImapPush.h"

#include "TestHost.h"
#include "TestMailPlugin.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

using namespace orvane;
using namespace std::chrono_literals;

namespace {

// A loopback port nobody listens on: every connection is refused at once.
quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

struct Rig
{
    Rig()
        : push(host.virtualClock, test::mailPlugin, ImapSettings{{}, 2s}, nullptr),
          lost(&push, &ImapPush::connectionLost)
    {
        account.CreateServer(
            QStringLiteral("Gone"), QStringLiteral("imap+plain://127.0.0.1:%1").arg(closedPort()),
            60, 600, QStringLiteral("me"), QStringLiteral("pw"), false, 0, false, {}, false);
    }
    test::TestHost host;
    ImapPush push;
    QSignalSpy lost;
    server account{host};
};

} // namespace

class ImapPushTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void retriesDoubleUpToFiveMinutes();
    void pausedOpensNothing();
};

void ImapPushTest::retriesDoubleUpToFiveMinutes()
{
    Rig rig;
    rig.push.accountChanged(rig.account, rig.host);
    QTRY_COMPARE(rig.lost.count(), 1);
    int attempts = 1;
    for (const int delay :
         {1000, 2000, 4000, 8000, 16000, 32000, 64000, 128000, 256000, 300000, 300000}) {
        rig.host.virtualClock.advance(delay - 1);
        QTest::qWait(20);
        QCOMPARE(rig.lost.count(), attempts);
        rig.host.virtualClock.advance(1);
        ++attempts;
        QTRY_COMPARE(rig.lost.count(), attempts);
    }
    // Changed settings start again from the first delay.
    rig.account.CreateServer(QStringLiteral("Gone"), rig.account.GetAddress(), 60, 600,
                             QStringLiteral("me"), QStringLiteral("new"), false, 0, false, {},
                             false);
    rig.push.accountChanged(rig.account, rig.host);
    QTRY_COMPARE(rig.lost.count(), attempts + 1);
    rig.host.virtualClock.advance(ImapPush::FirstRetryMs);
    QTRY_COMPARE(rig.lost.count(), attempts + 2);
}

void ImapPushTest::pausedOpensNothing()
{
    Rig rig;
    rig.push.accountChanged(rig.account, rig.host);
    QTRY_COMPARE(rig.lost.count(), 1);
    rig.push.pause();
    rig.host.virtualClock.advance(ImapPush::LastRetryMs * 2);
    // An account changed while paused waits for the reopening too.
    rig.push.accountChanged(rig.account, rig.host);
    QTest::qWait(100);
    QCOMPARE(rig.lost.count(), 1);
    rig.push.reopen();
    QTRY_COMPARE(rig.lost.count(), 2);
    // Gone accounts are forgotten at once.
    rig.push.accountGone(rig.account);
    rig.host.virtualClock.advance(ImapPush::LastRetryMs);
    QTest::qWait(100);
    QCOMPARE(rig.lost.count(), 2);
}

QTEST_GUILESS_MAIN(ImapPushTest)
#include "ImapPushTest.moc"
