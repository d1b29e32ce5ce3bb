// The IMAP kind against a real Dovecot: the unseen count over each security,
// certificates trusted by fingerprint for one account only, and push: how
// soon a delivered message is checked, a server without IDLE, a connection
// dropped and opened again.
#include "CheckerEventLog.h"
#include "DovecotServer.h"
#include "TestHost.h"
#include "TestMailPlugin.h"
#include "checkers/IMAP.h"
#include "checkers/ImapConnection.h"
#include "checkers/ImapPush.h"
#include "core/CertificateTrust.h"
#include "core/ServerAddress.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

using namespace orvane;
using namespace std::chrono_literals;

namespace {

QStringList counted(const QString& hostAndPort, int n)
{
    return {QStringLiteral("status Connecting to ") + hostAndPort,
            QStringLiteral("status Sending username and password..."),
            QStringLiteral("status Retrieving message count..."),
            QStringLiteral("count %1").arg(n)};
}

// One check through the event loop, as the notifier runs it.
QStringList check(const QString& address, const QString& password, const QByteArrayList& ca,
                  CertificateTrust* trust = nullptr)
{
    QThreadPool pool;
    IMAP checker(pool, test::mailPlugin(), ImapSettings{ca, 20s}, trust);
    test::CheckerEventLog raised(checker);
    checker.CheckForMail(address, QStringLiteral("alice"), password, false);
    QDeadlineTimer deadline(30000);
    while (!raised.ended() && !deadline.hasExpired())
        QTest::qWait(10);
    return raised.events;
}

} // namespace

class ImapDovecotTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void count_data();
    void count();
    void trustedByFingerprint_data();
    void trustedByFingerprint();
    void pushAnnouncesDelivery();
    void serverWithoutIdle();

private:
    DovecotServer m_dovecot;
};

void ImapDovecotTest::initTestCase()
{
    DovecotServer::Options options;
    options.messages = 5;
    options.seen = 2;
    options.imap = true;
    options.tls = true;
    ORVANE_START_DOVECOT(m_dovecot, options);
}

void ImapDovecotTest::count_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("last");

    const QString imap = QString::number(m_dovecot.imapPort());
    const QString imaps = QString::number(m_dovecot.imapsPort());
    QTest::newRow("TLS") << QStringLiteral("imaps://localhost:") + imaps << m_dovecot.password()
                         << QStringLiteral("count 3");
    QTest::newRow("STARTTLS") << QStringLiteral("imap://localhost:") + imap << m_dovecot.password()
                              << QStringLiteral("count 3");
    QTest::newRow("no encryption") << QStringLiteral("imap+plain://127.0.0.1:") + imap
                                   << m_dovecot.password() << QStringLiteral("count 3");
    QTest::newRow("wrong password")
        << QStringLiteral("imaps://localhost:") + imaps << QStringLiteral("looking-glass")
        << QStringLiteral("error ") + QString::fromLatin1(ImapConnection::kLogonRefused);
    QTest::newRow("folder not there")
        << QStringLiteral("imap://localhost:%1/No%20where").arg(imap) << m_dovecot.password()
        << QStringLiteral("error Error: The folder \"No where\" cannot be read.");
    QTest::newRow("address not valid")
        << QStringLiteral("imap://") << m_dovecot.password()
        << QStringLiteral("error ") + QString::fromLatin1(IMAP::kInvalidAddress);
}

void ImapDovecotTest::count()
{
    QFETCH(QString, address);
    QFETCH(QString, password);
    QFETCH(QString, last);

    const QByteArrayList ca = m_dovecot.caCertificatesPem();
    const QStringList events = check(address, password, ca);
    QCOMPARE(events.value(events.size() - 1), last);
    if (last == QStringLiteral("count 3")) {
        QCOMPARE(events, counted(ServerAddress::parse(address).hostAndPort(), 3));
        // Read-only: counting marked nothing as seen.
        QCOMPARE(check(address, password, ca).constLast(), last);
    }
}

void ImapDovecotTest::trustedByFingerprint_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("TLS") << QStringLiteral("imaps://localhost:%1").arg(m_dovecot.imapsPort());
    QTest::newRow("STARTTLS") << QStringLiteral("imap://localhost:%1").arg(m_dovecot.imapPort());
}

void ImapDovecotTest::trustedByFingerprint()
{
    QFETCH(QString, address);
    QTemporaryDir dir;
    CertificateTrust trust(dir.filePath(QStringLiteral("list.trust")));
    const QString key =
        CertificateTrust::keyFor(ServerAddress::parse(address), QStringLiteral("alice"));

    // The test authority is nobody's: refused, with the fingerprint to trust.
    QStringList events = check(address, m_dovecot.password(), {}, &trust);
    const CertificateTrust::Refusal refused = trust.refused(key);
    QCOMPARE(refused.sha256.size(), 32);
    QCOMPARE(events.constLast(),
             QStringLiteral("error The server's certificate is not trusted (issuer unknown). "
                            "SHA-256 fingerprint: ") +
                 CertificateTrust::fingerprintText(refused.sha256));
    QVERIFY(!events.join(QLatin1Char('\n')).contains(QLatin1String("username and password")));

    QVERIFY(trust.trust(key, refused.sha256));
    QCOMPARE(check(address, m_dovecot.password(), {}, &trust).constLast(),
             QStringLiteral("count 3"));

    // Trusted for this account only.
    QTemporaryDir otherDir;
    CertificateTrust bob(otherDir.filePath(QStringLiteral("list.trust")));
    QVERIFY(
        bob.trust(CertificateTrust::keyFor(ServerAddress::parse(address), QStringLiteral("bob")),
                  refused.sha256));
    QVERIFY(check(address, m_dovecot.password(), {}, &bob)
                .constLast()
                .startsWith(QLatin1String("error The server's certificate is not trusted")));

    // A certificate that changed is refused again.
    QByteArray changed = refused.sha256;
    changed[0] = char(changed[0] ^ 1);
    QVERIFY(trust.trust(key, changed));
    QVERIFY(check(address, m_dovecot.password(), {}, &trust)
                .constLast()
                .startsWith(QLatin1String("error The server's certificate is not trusted")));
}

void ImapDovecotTest::pushAnnouncesDelivery()
{
    test::TestHost host;
    ImapPush push(host.virtualClock, test::mailPlugin,
                  ImapSettings{m_dovecot.caCertificatesPem(), 10s}, nullptr);
    QSignalSpy idle(&push, &ImapPush::idleStarted);
    QSignalSpy lost(&push, &ImapPush::connectionLost);
    server account(host);
    account.CreateServer(QStringLiteral("Home"),
                         QStringLiteral("imap://localhost:%1").arg(m_dovecot.imapPort()), 60, 32000,
                         m_dovecot.userName(), m_dovecot.password(), false, 0, false, {}, false);
    push.accountChanged(account, host);
    QTRY_COMPARE_WITH_TIMEOUT(idle.count(), 1, 10000);
    QCOMPARE(host.checkRequests, 0);

    QElapsedTimer announced;
    announced.start();
    QVERIFY(m_dovecot.deliverMessage());
    QTRY_COMPARE_WITH_TIMEOUT(host.checkRequests, 1, 5000);
    qInfo("delivered message checked after %lld ms", announced.elapsed());
    QVERIFY2(announced.elapsed() < 1000, qPrintable(QString::number(announced.elapsed())));
    host.checkers.last()->found(4);

    // Renewed in time, the wait goes on telling.
    host.virtualClock.advance(ImapPush::RenewAfterMs);
    QTest::qWait(300);
    QCOMPARE(lost.count(), 0);
    QVERIFY(m_dovecot.deliverMessage());
    QTRY_COMPARE_WITH_TIMEOUT(host.checkRequests, 2, 5000);
    host.checkers.last()->found(5);

    // A dropped connection is opened again after a second (virtual time),
    // and what came meanwhile is checked.
    m_dovecot.dropImapConnections();
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 10000);
    QVERIFY(m_dovecot.deliverMessage());
    host.virtualClock.advance(ImapPush::FirstRetryMs);
    QTRY_COMPARE_WITH_TIMEOUT(idle.count(), 2, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(host.checkRequests, 3, 5000);
    QCOMPARE(lost.count(), 1);

    // Deactivated: no connection, no checks.
    account.Deactivate();
    push.accountChanged(account, host);
    QCOMPARE(push.idling(), 0);
}

void ImapDovecotTest::serverWithoutIdle()
{
    DovecotServer dovecot;
    DovecotServer::Options options;
    options.imap = true;
    options.idle = false;
    ORVANE_START_DOVECOT(dovecot, options);

    test::TestHost host;
    ImapPush push(host.virtualClock, test::mailPlugin, ImapSettings{{}, 10s}, nullptr);
    QSignalSpy unsupported(&push, &ImapPush::pushUnsupported);
    server account(host);
    account.CreateServer(QStringLiteral("Plain"),
                         QStringLiteral("imap+plain://127.0.0.1:%1").arg(dovecot.imapPort()), 60,
                         600, dovecot.userName(), dovecot.password(), false, 0, false, {}, false);
    push.accountChanged(account, host);
    QTRY_COMPARE_WITH_TIMEOUT(unsupported.count(), 1, 10000);
    // Not a fault: nothing is tried again, and the checks go on as ever.
    host.virtualClock.advance(ImapPush::LastRetryMs);
    QTest::qWait(200);
    QCOMPARE(push.idling(), 0);
    QCOMPARE(unsupported.count(), 1);
    QCOMPARE(check(account.GetAddress(), dovecot.password(), {}).constLast(),
             QStringLiteral("count 3"));
}

QTEST_GUILESS_MAIN(ImapDovecotTest)
#include "ImapDovecotTest.moc"
