#include "CheckerEventLog.h"
#include "DovecotServer.h"
#include "FileHelpers.h"
#include "TestMailPlugin.h"
#include "checkers/MAPIServer.h"
#include "checkers/ProfileMapi.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

using namespace orvane;
using namespace std::chrono_literals;

namespace {

const QStringList Counted(int n)
{
    return {QStringLiteral("status Logging onto server..."),
            QStringLiteral("status Checking for mail..."),
            QStringLiteral("status Finished checking.  Loggin off server."),
            QStringLiteral("count %1").arg(n)};
}

const QStringList Failed(const char* text)
{
    return {QStringLiteral("status Logging onto server..."),
            QStringLiteral("error ") + QString::fromLatin1(text)};
}

// Checks the profile "Work" whose Mailbox is `mailbox`, through the event
// loop as the notifier does, and returns what the checker raised.
QStringList check(const QString& mailbox, const QString& password,
                  const QByteArrayList& extraCa = {}, std::chrono::milliseconds limit = 20s)
{
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("profiles.ini"));
    test::writeFile(store, QStringLiteral("[Work]\nMailbox=%1\n").arg(mailbox).toUtf8());
    QThreadPool pool;
    MAPIServer checker(pool, [store, extraCa, limit] {
        return std::make_unique<ProfileMapi>(ProfileStore(store), ImapSettings{extraCa, limit},
                                             test::mailPlugin());
    });
    test::CheckerEventLog raised(checker);
    checker.CheckForMail(QStringLiteral("MS Exchange - Username/Password"), QStringLiteral("Work"),
                         password, false);
    // Off the user-interface thread: nothing has arrived yet.
    const QStringList atReturn = raised.events;
    if (!atReturn.isEmpty())
        return QStringList{QStringLiteral("events before CheckForMail returned")} + atReturn;
    QDeadlineTimer deadline(30000);
    while (!raised.ended() && !deadline.hasExpired())
        QTest::qWait(20);
    return raised.events;
}

} // namespace

class MapiImapDovecotTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void plain_data();
    void plain();
    void serverDown();
    void tls_data();
    void tls();
    void silentServer_data();
    void silentServer();
};

void MapiImapDovecotTest::plain_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("events");

    QTest::newRow("three unread among read ones")
        << QStringLiteral("wonderland") << QStringLiteral("INBOX") << Counted(3);
    QTest::newRow("wrong password is the refused log-on")
        << QStringLiteral("looking-glass") << QStringLiteral("INBOX")
        << Failed(MAPIServer::kLogonRefused);
    QTest::newRow("folder that does not exist")
        << QStringLiteral("wonderland") << QStringLiteral("Nowhere")
        << Failed(MAPIServer::kNoConnection);
}

void MapiImapDovecotTest::plain()
{
    QFETCH(QString, password);
    QFETCH(QString, folder);
    QFETCH(QStringList, events);

    DovecotServer dovecot;
    DovecotServer::Options options;
    options.messages = 5;
    options.seen = 2;
    options.imap = true;
    ORVANE_START_DOVECOT(dovecot, options);

    const QString mailbox = QStringLiteral("imap://%1@127.0.0.1:%2/%3")
                                .arg(dovecot.userName())
                                .arg(dovecot.imapPort())
                                .arg(folder);
    QCOMPARE(check(mailbox, password), events);
    if (events == Counted(3)) {
        // Examined read-only: counting marked nothing as seen.
        QCOMPARE(check(mailbox, password), Counted(3));
    }
}

void MapiImapDovecotTest::serverDown()
{
    DovecotServer dovecot;
    DovecotServer::Options options;
    options.imap = true;
    ORVANE_START_DOVECOT(dovecot, options);
    dovecot.stop();

    QCOMPARE(check(QStringLiteral("imap://alice@127.0.0.1:%1/INBOX").arg(dovecot.imapPort()),
                   dovecot.password()),
             Failed(MAPIServer::kNoConnection));
}

void MapiImapDovecotTest::tls_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<bool>("trustTestCa");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QStringList>("events");

    for (const QString& scheme : {QStringLiteral("imaps"), QStringLiteral("imap")}) {
        // imap: the server offers STARTTLS and forbids LOGIN in clear.
        const QByteArray how = scheme.toLatin1() + ", ";
        QTest::newRow(how + "verified")
            << scheme << true << QStringLiteral("localhost") << Counted(4);
        QTest::newRow(how + "unknown authority")
            << scheme << false << QStringLiteral("localhost") << Failed(MAPIServer::kNoConnection);
        QTest::newRow(how + "name mismatch")
            << scheme << true << QStringLiteral("127.0.0.1") << Failed(MAPIServer::kNoConnection);
    }
}

void MapiImapDovecotTest::tls()
{
    QFETCH(QString, scheme);
    QFETCH(bool, trustTestCa);
    QFETCH(QString, host);
    QFETCH(QStringList, events);

    DovecotServer dovecot;
    DovecotServer::Options options;
    options.messages = 4;
    options.tls = true;
    options.imap = true;
    ORVANE_START_DOVECOT(dovecot, options);

    const QString mailbox =
        QStringLiteral("%1://%2@%3:%4/INBOX")
            .arg(scheme, dovecot.userName(), host)
            .arg(scheme == QLatin1String("imaps") ? dovecot.imapsPort() : dovecot.imapPort());
    QCOMPARE(check(mailbox, dovecot.password(),
                   trustTestCa ? dovecot.caCertificatesPem() : QByteArrayList{}),
             events);
    // A refused certificate never saw the password.
    if (!trustTestCa || host != QLatin1String("localhost"))
        QVERIFY2(!dovecot.log().contains(QLatin1String("user=<alice>")), qPrintable(dovecot.log()));
}

void MapiImapDovecotTest::silentServer_data()
{
    QTest::addColumn<QByteArray>("greeting");
    QTest::newRow("no greeting") << QByteArray();
    QTest::newRow("no answer to the log-in") << QByteArray("* OK IMAP4rev1 ready\r\n");
}

void MapiImapDovecotTest::silentServer()
{
    QFETCH(QByteArray, greeting);

    // A server that stops talking: the worker's own limit ends the check,
    // and dropping a checker frees the connection at once.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    QList<QPointer<QTcpSocket>> connections;
    connect(&silent, &QTcpServer::newConnection, &silent, [&] {
        while (QTcpSocket* connection = silent.nextPendingConnection()) {
            connection->write(greeting);
            connections << connection;
        }
    });
    const QString mailbox = QStringLiteral("imap://me@127.0.0.1:%1/INBOX").arg(silent.serverPort());

    QElapsedTimer elapsed;
    elapsed.start();
    QCOMPARE(check(mailbox, QStringLiteral("pw"), {}, 1s), Failed(MAPIServer::kNoConnection));
    QVERIFY2(elapsed.elapsed() < 2500, qPrintable(QString::number(elapsed.elapsed())));

    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("profiles.ini"));
    test::writeFile(store, QStringLiteral("[Work]\nMailbox=%1\n").arg(mailbox).toUtf8());
    QThreadPool pool;
    {
        MAPIServer checker(pool, [store] {
            return std::make_unique<ProfileMapi>(ProfileStore(store), ImapSettings{{}, 60s},
                                                 test::mailPlugin());
        });
        checker.CheckForMail(QStringLiteral("MS Exchange"), QStringLiteral("Work"), QString(),
                             false);
        QTRY_COMPARE(connections.size(), 2);
        QTest::qWait(200);
    }
    QTRY_VERIFY_WITH_TIMEOUT(connections.last()->state() == QAbstractSocket::UnconnectedState,
                             3000);
}

QTEST_GUILESS_MAIN(MapiImapDovecotTest)
#include "MapiImapDovecotTest.moc"
