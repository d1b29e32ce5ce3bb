#include "DovecotServer.h"
#include "checkers/POP3.h"
#include "core/CertificateTrust.h"
#include "core/ServerAddress.h"

#include <QSignalSpy>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QtTest>

using namespace orvane;

namespace {

constexpr int Bounded = 10000;

struct Outcome
{
    QList<qint32> counts;
    QStringList errors;
};

// Runs one check to its end with a fresh checker, as the dispatcher does.
Outcome check(const QString& address, const QString& userName, const QString& password,
              const QList<QSslCertificate>& extraCa = {}, CertificateTrust* trust = nullptr)
{
    POP3 checker(POP3::Variant::Standard, extraCa, nullptr, trust);
    QSignalSpy counts(&checker, &POP3::MailFound);
    QSignalSpy errors(&checker, &POP3::error);
    checker.CheckForMail(address, userName, password, false);
    QDeadlineTimer deadline(Bounded);
    while (counts.isEmpty() && errors.isEmpty() && !deadline.hasExpired())
        QTest::qWait(20);
    // Long enough for a stray second report (a close after our own) to show.
    QTest::qWait(100);

    Outcome outcome;
    for (const QList<QVariant>& args : counts)
        outcome.counts << args.at(0).value<qint32>();
    for (const QList<QVariant>& args : errors)
        outcome.errors << args.at(0).toString();
    return outcome;
}

} // namespace

class Pop3DovecotTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void countsTheMaildrop();
    void refusedLogOn_data();
    void refusedLogOn();
    void newMessageRaisesCount();
    void serverNotRunning();
    void implicitTls_data();
    void implicitTls();
    void securityChosenInTheAddress_data();
    void securityChosenInTheAddress();
};

void Pop3DovecotTest::countsTheMaildrop()
{
    DovecotServer dovecot;
    ORVANE_START_DOVECOT(dovecot, (DovecotServer::Options{5, false}));

    const Outcome outcome = check(dovecot.address(), dovecot.userName(), dovecot.password());
    QVERIFY2(outcome.errors.isEmpty(), qPrintable(outcome.errors.join(QLatin1Char('\n'))));
    QCOMPARE(outcome.counts, QList<qint32>{5});
}

void Pop3DovecotTest::refusedLogOn_data()
{
    QTest::addColumn<QString>("userName");
    QTest::addColumn<QString>("password");

    // Dovecot accepts any USER and refuses only at PASS.
    QTest::newRow("wrong password") << QStringLiteral("alice") << QStringLiteral("looking-glass");
    QTest::newRow("unknown user") << QStringLiteral("mallory") << QStringLiteral("wonderland");
    QTest::newRow("empty password") << QStringLiteral("alice") << QString();
}

void Pop3DovecotTest::refusedLogOn()
{
    QFETCH(QString, userName);
    QFETCH(QString, password);

    DovecotServer dovecot;
    ORVANE_START_DOVECOT(dovecot, DovecotServer::Options{});

    const Outcome outcome = check(dovecot.address(), userName, password);
    QCOMPARE(outcome.errors, QStringList{QStringLiteral("Invalid username or password. ")});
    QVERIFY(outcome.counts.isEmpty());
}

void Pop3DovecotTest::newMessageRaisesCount()
{
    DovecotServer dovecot;
    ORVANE_START_DOVECOT(dovecot, (DovecotServer::Options{2, false}));

    QCOMPARE(check(dovecot.address(), dovecot.userName(), dovecot.password()).counts,
             QList<qint32>{2});
    QVERIFY(dovecot.deliverMessage());
    // The first check left the maildrop intact: nothing was deleted or locked.
    QCOMPARE(check(dovecot.address(), dovecot.userName(), dovecot.password()).counts,
             QList<qint32>{3});
}

void Pop3DovecotTest::serverNotRunning()
{
    DovecotServer dovecot;
    ORVANE_START_DOVECOT(dovecot, DovecotServer::Options{});
    dovecot.stop();

    const Outcome outcome = check(dovecot.address(), dovecot.userName(), dovecot.password());
    QCOMPARE(outcome.errors, QStringList{QStringLiteral("Could not connect to server \"") +
                                         dovecot.address() + QLatin1Char('"')});
}

void Pop3DovecotTest::implicitTls_data()
{
    QTest::addColumn<bool>("trustTestCa");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("expectedError");

    QTest::newRow("verified") << true << QStringLiteral("localhost") << QString();
    QTest::newRow("unknown authority")
        << false << QStringLiteral("localhost")
        << QStringLiteral("Could not connect to server \"localhost:995\"");
    QTest::newRow("name mismatch")
        << true << QStringLiteral("127.0.0.1")
        << QStringLiteral("Could not connect to server \"127.0.0.1:995\"");
}

void Pop3DovecotTest::implicitTls()
{
    QFETCH(bool, trustTestCa);
    QFETCH(QString, host);
    QFETCH(QString, expectedError);

    if (!QSslSocket::supportsSsl())
        QSKIP("Qt has no TLS backend here");
    DovecotServer dovecot;
    ORVANE_START_DOVECOT(dovecot, (DovecotServer::Options{4, true}));

    const Outcome outcome =
        check(host + QStringLiteral(":995"), dovecot.userName(), dovecot.password(),
              trustTestCa ? dovecot.caCertificates() : QList<QSslCertificate>{});
    if (expectedError.isEmpty()) {
        QVERIFY2(outcome.errors.isEmpty(), qPrintable(outcome.errors.join(QLatin1Char('\n'))));
        QCOMPARE(outcome.counts, QList<qint32>{4});
    } else {
        QCOMPARE(outcome.errors, QStringList{expectedError});
        QVERIFY(outcome.counts.isEmpty());
    }
}

void Pop3DovecotTest::securityChosenInTheAddress_data()
{
    QTest::addColumn<bool>("startTls");

    // Dovecot offers STLS on its plain listener whenever it has a certificate.
    QTest::newRow("STLS") << true;
    QTest::newRow("TLS from the start") << false;
}

void Pop3DovecotTest::securityChosenInTheAddress()
{
    QFETCH(bool, startTls);
    if (!QSslSocket::supportsSsl())
        QSKIP("Qt has no TLS backend here");
    DovecotServer dovecot;
    DovecotServer::Options options{4, true};
    options.imap = startTls; // leaves port 995 alone
    ORVANE_START_DOVECOT(dovecot, options);
    const QString address = startTls ? QStringLiteral("pop3://localhost:%1").arg(dovecot.pop3Port())
                                     : QStringLiteral("pop3s://localhost");
    const QString user = dovecot.userName();
    const QString password = dovecot.password();

    // Verified through the test authority.
    Outcome outcome = check(address, user, password, dovecot.caCertificates());
    QVERIFY2(outcome.errors.isEmpty(), qPrintable(outcome.errors.join(QLatin1Char('\n'))));
    QCOMPARE(outcome.counts, QList<qint32>{4});

    // Without it, refused with the reason and fingerprint, even when another
    // certificate was trusted for the account before.
    QTemporaryDir dir;
    CertificateTrust trust(dir.filePath(QStringLiteral("Quorvelanna.trust")));
    const QString key = CertificateTrust::keyFor(ServerAddress::parse(address), user);
    QVERIFY(trust.trust(key, QByteArray(32, '\x5a')));
    outcome = check(address, user, password, {}, &trust);
    const CertificateTrust::Refusal refusal = trust.refused(key);
    QCOMPARE(refusal.sha256.size(), 32);
    QVERIFY(!refusal.reason.isEmpty());
    QCOMPARE(outcome.errors,
             QStringList{QStringLiteral("The server's certificate is not trusted (") +
                         refusal.reason + QStringLiteral("). SHA-256 fingerprint: ") +
                         CertificateTrust::fingerprintText(refusal.sha256)});
    QVERIFY(outcome.counts.isEmpty());

    // Trusted by its fingerprint, it is accepted for this account only.
    QVERIFY(trust.trust(key, refusal.sha256));
    outcome = check(address, user, password, {}, &trust);
    QVERIFY2(outcome.errors.isEmpty(), qPrintable(outcome.errors.join(QLatin1Char('\n'))));
    QCOMPARE(outcome.counts, QList<qint32>{4});
    outcome = check(address, QStringLiteral("mallory"), password, {}, &trust);
    QVERIFY(outcome.errors.value(0).startsWith(QLatin1String("The server's certificate is not")));
}

QTEST_GUILESS_MAIN(Pop3DovecotTest)
#include "Pop3DovecotTest.moc"
