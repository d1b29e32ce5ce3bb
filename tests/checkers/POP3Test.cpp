#include "checkers/POP3.h"

#include "CheckerEventLog.h"
#include "ScriptedPop3Server.h"

#include <QAbstractSocket>
#include <QSignalSpy>
#include <QSslSocket>
#include <QTcpServer>
#include <QtTest>

using namespace orvane;
using namespace orvane::test;

using Script = QList<ScriptedPop3Server::Step>;
using Peer = ScriptedPop3Server;

namespace {

const QString User = QStringLiteral("bob");
const QString Password = QStringLiteral("s3cret");
const QByteArray ThreeLines = "USER bob\r\nPASS s3cret\r\nSTAT\r\n";
const QString Lost = QStringLiteral("Error: Connection with host was lost.");
const QString PortBusy = QStringLiteral("Cannot connect to host.  Port may be busy.");
constexpr int Bounded = 5000;

// The check's events, and the socket's state at each count: the connection is
// closed before the count is told.
struct CheckLog : CheckerEventLog
{
    QList<QAbstractSocket::SocketState> socketStateAtCount;

    explicit CheckLog(POP3& checker) : CheckerEventLog(checker)
    {
        // The socket is made by the check, for the kind of connection it needs.
        QObject::connect(&checker, &POP3::MailFound, &checker, [this, &checker](qint32) {
            socketStateAtCount << checker.findChild<QAbstractSocket*>()->state();
        });
    }
};

QStringList successfulCheck(const QString& address, qint32 count)
{
    return {QStringLiteral("status Connecting to ") + address,
            QStringLiteral("status Sending username and password..."),
            QStringLiteral("status Retrieving message count..."),
            QStringLiteral("count %1").arg(count)};
}

quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

} // namespace

class POP3Test : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void failedDialogue_data();
    void failedDialogue();
    void count_data();
    void count();
    void repliesInPieces_data();
    void repliesInPieces();
    void serverClosesConnection_data();
    void serverClosesConnection();
    void dataAfterCountIsIgnored();
    void checkStartedTwice();
    void checkAgainAfterDone();
    void refusedConnection();
    void lineBreaksNeverReachTheServer_data();
    void lineBreaksNeverReachTheServer();
    void unusablePort_data();
    void unusablePort();
    void highPortIsValid();
    void ipv6Addresses_data();
    void ipv6Addresses();
    void pendingTextCap_data();
    void pendingTextCap();
    void webMailServerVariant();
    void stlsBeforeThePassword_data();
    void stlsBeforeThePassword();
    void socketKindAndKeepAlive_data();
    void socketKindAndKeepAlive();
};

void POP3Test::failedDialogue_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<QString>("expectedError");
    QTest::addColumn<QByteArray>("expectedSent");

    const QByteArray ok = "+OK\r\n";
    QTest::newRow("negative greeting")
        << Peer::dialogue("-ERR go away\r\n", {}, {}, {})
        << QStringLiteral("Could not connect to server.") << QByteArray();
    QTest::newRow("blank greeting")
        << Peer::dialogue("\r\n", {}, {}, {}) << QStringLiteral("Could not connect to server.")
        << QByteArray();
    QTest::newRow("user refused") << Peer::dialogue(ok, "-ERR who?\r\n", {}, {})
                                  << QStringLiteral("Invalid username.")
                                  << QByteArray("USER bob\r\n");
    QTest::newRow("password refused")
        << Peer::dialogue(ok, ok, "-ERR [AUTH] Authentication failed.\r\n", {})
        << QStringLiteral("Invalid username or password. ")
        << QByteArray("USER bob\r\nPASS s3cret\r\n");
    QTest::newRow("stat count without size")
        << Peer::dialogue(ok, ok, ok, "+OK 5\r\n") << Lost << ThreeLines;
    QTest::newRow("stat refused") << Peer::dialogue(ok, ok, ok, "-ERR mailbox locked\r\n") << Lost
                                  << ThreeLines;
    QTest::newRow("stat bare") << Peer::dialogue(ok, ok, ok, "+OK\r\n") << Lost << ThreeLines;
    QTest::newRow("stat count not a number")
        << Peer::dialogue(ok, ok, ok, "+OK many 100\r\n") << Lost << ThreeLines;
    QTest::newRow("stat count beyond 32 bits")
        << Peer::dialogue(ok, ok, ok, "+OK 4294967296 1\r\n") << Lost << ThreeLines;
    QTest::newRow("stat count negative")
        << Peer::dialogue(ok, ok, ok, "+OK -3 100\r\n") << Lost << ThreeLines;
}

void POP3Test::failedDialogue()
{
    QFETCH(Script, script);
    QFETCH(QString, expectedError);
    QFETCH(QByteArray, expectedSent);

    Peer peer(script);
    QVERIFY(peer.listen());
    POP3 checker;
    CheckLog log(checker);

    checker.CheckForMail(peer.address(), User, Password, false);
    QTRY_VERIFY_WITH_TIMEOUT(log.ended(), Bounded);
    QCOMPARE(log.events.constLast(), QStringLiteral("error ") + expectedError);
    QCOMPARE(log.errors().size(), 1);
    QCOMPARE(checker.GetState(), POP3::Done);
    QTRY_VERIFY_WITH_TIMEOUT(peer.clientClosed(), Bounded);
    QCOMPARE(peer.received(), expectedSent);
    QCOMPARE(log.errors().size(), 1); // our own close is not "Connection closed."
}

void POP3Test::count_data()
{
    QTest::addColumn<QByteArray>("statReply");
    QTest::addColumn<qint32>("expectedCount");

    QTest::newRow("empty maildrop") << QByteArray("+OK 0 0\r\n") << 0;
    QTest::newRow("twelve messages") << QByteArray("+OK 12 800\r\n") << 12;
    QTest::newRow("words after size") << QByteArray("+OK 3 120 octets\r\n") << 3;
    QTest::newRow("largest count") << QByteArray("+OK 2147483647 1\r\n") << 2147483647;
}

void POP3Test::count()
{
    QFETCH(QByteArray, statReply);
    QFETCH(qint32, expectedCount);

    Peer peer(Peer::dialogue("+OK POP3 ready\r\n", "+OK\r\n", "+OK logged in\r\n", statReply));
    QVERIFY(peer.listen());
    POP3 checker;
    CheckLog log(checker);

    checker.CheckForMail(peer.address(), User, Password, false);
    QTRY_VERIFY_WITH_TIMEOUT(log.ended(), Bounded);
    QCOMPARE(log.events, successfulCheck(peer.address(), expectedCount));
    QCOMPARE(log.socketStateAtCount, {QAbstractSocket::UnconnectedState});
    QVERIFY(!checker.IsChecking());

    // Exactly three lines: no QUIT, the client just hangs up after STAT.
    QTRY_VERIFY_WITH_TIMEOUT(peer.clientClosed(), Bounded);
    QCOMPARE(peer.received(), ThreeLines);
    QCOMPARE(log.events.size(), 4);
}

void POP3Test::repliesInPieces_data()
{
    QTest::addColumn<Script>("script");

    QTest::newRow("greeting in two pieces") << Script{Peer::sendPieces({"+OK hel", "lo\r\n"}, 30),
                                                      Peer::expectLine(),
                                                      Peer::send("+OK\r\n"),
                                                      Peer::expectLine(),
                                                      Peer::send("+OK\r\n"),
                                                      Peer::expectLine(),
                                                      Peer::send("+OK 7 100\r\n")};
    QTest::newRow("line end split between CR and LF")
        << Script{Peer::sendPieces({"+OK ready\r", "\n"}, 30),
                  Peer::expectLine(),
                  Peer::send("+OK\r\n"),
                  Peer::expectLine(),
                  Peer::send("+OK\r\n"),
                  Peer::expectLine(),
                  Peer::send("+OK 7 100\r\n")};
    QTest::newRow("stat reply in three pieces")
        << Script{Peer::send("+OK\r\n"),
                  Peer::expectLine(),
                  Peer::send("+OK\r\n"),
                  Peer::expectLine(),
                  Peer::send("+OK\r\n"),
                  Peer::expectLine(),
                  Peer::sendPieces({"+OK 7", " 1", "00\r\n"}, 30)};
}

void POP3Test::repliesInPieces()
{
    QFETCH(Script, script);

    Peer peer(script);
    QVERIFY(peer.listen());
    POP3 checker;
    CheckLog log(checker);

    checker.CheckForMail(peer.address(), User, Password, false);
    QTRY_VERIFY_WITH_TIMEOUT(log.ended(), Bounded);
    QCOMPARE(log.events, successfulCheck(peer.address(), 7));
    QTRY_VERIFY_WITH_TIMEOUT(peer.clientClosed(), Bounded);
    QCOMPARE(peer.received(), ThreeLines);
}

void POP3Test::serverClosesConnection_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<QStringList>("expectedStatuses");

    const QString connecting = QStringLiteral("status Connecting to ");
    const QString sending = QStringLiteral("status Sending username and password...");
    QTest::newRow("before the greeting") << Script{Peer::close()} << QStringList{connecting};
    QTest::newRow("after USER") << Script{Peer::send("+OK\r\n"), Peer::expectLine(), Peer::close()}
                                << QStringList{connecting, sending};
    QTest::newRow("reset after USER")
        << Script{Peer::send("+OK\r\n"), Peer::expectLine(), Peer::reset()}
        << QStringList{connecting, sending};
    QTest::newRow("partial reply then close")
        << Script{Peer::send("+OK\r\n"), Peer::expectLine(), Peer::send("+O"), Peer::close()}
        << QStringList{connecting, sending};
}

void POP3Test::serverClosesConnection()
{
    QFETCH(Script, script);
    QFETCH(QStringList, expectedStatuses);

    Peer peer(script);
    QVERIFY(peer.listen());
    POP3 checker;
    CheckLog log(checker);

    checker.CheckForMail(peer.address(), User, Password, false);
    QTRY_VERIFY_WITH_TIMEOUT(log.ended(), Bounded);
    expectedStatuses[0] += peer.address();
    QCOMPARE(log.events, expectedStatuses << QStringLiteral("error Connection closed."));
    // The close is reported, not acted on: the account's error handling ends the check.
    QVERIFY(checker.IsChecking());
    QTest::qWait(50);
    QCOMPARE(log.errors().size(), 1);
}

void POP3Test::dataAfterCountIsIgnored()
{
    // The connection is already gone when the count is reported, so anything
    // the server still sends can neither reach the checker nor end the check twice.
    Peer peer({Peer::send("+OK\r\n"), Peer::expectLine(), Peer::send("+OK\r\n"), Peer::expectLine(),
               Peer::send("+OK\r\n"), Peer::expectLine(),
               Peer::sendPieces({"+OK 3 100\r\n", "+OK 9 900\r\n", "-ERR late\r\n"}, 20)});
    QVERIFY(peer.listen());
    POP3 checker;
    CheckLog log(checker);

    checker.CheckForMail(peer.address(), User, Password, false);
    QTRY_VERIFY_WITH_TIMEOUT(peer.scriptFinished(), Bounded);
    QTest::qWait(50);
    QCOMPARE(log.events, successfulCheck(peer.address(), 3));
}

void POP3Test::checkStartedTwice()
{
    Peer peer({Peer::waitForRelease(), Peer::send("+OK\r\n"), Peer::expectLine(),
               Peer::send("+OK\r\n"), Peer::expectLine(), Peer::send("+OK\r\n"), Peer::expectLine(),
               Peer::send("+OK 4 400\r\n")});
    QVERIFY(peer.listen());
    POP3 checker;
    CheckLog log(checker);

    checker.CheckForMail(peer.address(), User, Password, false);
    QTRY_COMPARE_WITH_TIMEOUT(peer.connectionCount(), 1, Bounded);
    checker.CheckForMail(QStringLiteral("elsewhere:1"), QStringLiteral("eve"),
                         QStringLiteral("other"), false);
    QCOMPARE(log.events.constLast(), QStringLiteral("error Already checking for mail..."));

    // The running check goes on undisturbed, with the first account's data.
    peer.release();
    QTRY_VERIFY_WITH_TIMEOUT(log.events.constLast().startsWith(QLatin1String("count")), Bounded);
    QStringList expected = successfulCheck(peer.address(), 4);
    expected.insert(1, QStringLiteral("error Already checking for mail..."));
    QCOMPARE(log.events, expected);
    QTRY_VERIFY_WITH_TIMEOUT(peer.clientClosed(), Bounded);
    QCOMPARE(peer.received(), ThreeLines);
    QCOMPARE(peer.connectionCount(), 1);
}

void POP3Test::checkAgainAfterDone()
{
    // A finished object starts clean: no leftover reply text, and a close by
    // the next server is reported again.
    Peer counting(Peer::dialogue("+OK\r\n", "+OK\r\n", "+OK\r\n", "+OK 2 20\r\n"));
    Peer closing({Peer::send("+OK\r\n"), Peer::expectLine(), Peer::close()});
    QVERIFY(counting.listen());
    QVERIFY(closing.listen());
    POP3 checker;
    CheckLog log(checker);

    checker.CheckForMail(counting.address(), User, Password, false);
    QTRY_VERIFY_WITH_TIMEOUT(log.ended(), Bounded);
    QCOMPARE(log.events.constLast(), QStringLiteral("count 2"));
    log.events.clear();

    checker.CheckForMail(closing.address(), User, Password, false);
    QTRY_VERIFY_WITH_TIMEOUT(log.ended(), Bounded);
    QCOMPARE(log.events.constLast(), QStringLiteral("error Connection closed."));
    QCOMPARE(closing.received(), QByteArray("USER bob\r\n"));
}

void POP3Test::refusedConnection()
{
    const QString address = QStringLiteral("127.0.0.1:%1").arg(closedPort());
    POP3 checker;
    CheckLog log(checker);

    checker.CheckForMail(address, User, Password, false);
    QTRY_VERIFY_WITH_TIMEOUT(log.ended(), Bounded);
    QCOMPARE(log.events, (QStringList{QStringLiteral("status Connecting to ") + address,
                                      QStringLiteral("error Could not connect to server \"") +
                                          address + QLatin1Char('"')}));
    QCOMPARE(checker.GetState(), POP3::Done);
}

void POP3Test::lineBreaksNeverReachTheServer_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    // A list file can hold any code in a password: these would add commands.
    QTest::newRow("CR LF in the password") << User << QStringLiteral("x\r\nDELE 1");
    QTest::newRow("LF in the password") << User << QStringLiteral("x\nDELE 1");
    QTest::newRow("CR in the user name") << QStringLiteral("bob\rDELE 1") << Password;
}

void POP3Test::lineBreaksNeverReachTheServer()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    Peer peer(
        Peer::dialogue("+OK POP3 ready\r\n", "+OK\r\n", "+OK logged in\r\n", "+OK 3 300\r\n"));
    QVERIFY(peer.listen());
    POP3 checker;
    CheckLog log(checker);

    checker.CheckForMail(peer.address(), user, password, false);
    QTRY_VERIFY_WITH_TIMEOUT(log.ended(), Bounded);
    QCOMPARE(log.events, QStringList{"error Error: The user name or password holds a line break."});
    QVERIFY(!log.events.join(u' ').contains(QStringLiteral("DELE")));
    QVERIFY(!checker.IsChecking());
    QCoreApplication::processEvents();
    QCOMPARE(peer.connectionCount(), 0);
    QVERIFY(peer.received().isEmpty());
}

void POP3Test::unusablePort_data()
{
    QTest::addColumn<QString>("address");

    QTest::newRow("letters") << QStringLiteral("127.0.0.1:pop");
    QTest::newRow("empty") << QStringLiteral("127.0.0.1:");
    QTest::newRow("zero") << QStringLiteral("127.0.0.1:0");
    QTest::newRow("above 65535") << QStringLiteral("127.0.0.1:65536");
    QTest::newRow("negative") << QStringLiteral("127.0.0.1:-110");
    QTest::newRow("second colon") << QStringLiteral("127.0.0.1:110:1");
    QTest::newRow("IPv6 bracket not closed") << QStringLiteral("[::1:110");
    QTest::newRow("IPv6 text after the bracket") << QStringLiteral("[::1]110");
    QTest::newRow("TLS line without a host") << QStringLiteral("pop3s://:995");
    QTest::newRow("STLS line with a path") << QStringLiteral("pop3://127.0.0.1/INBOX");
}

void POP3Test::unusablePort()
{
    QFETCH(QString, address);

    POP3 checker;
    CheckLog log(checker);
    checker.CheckForMail(address, User, Password, false);

    QCOMPARE(log.events, QStringList{QStringLiteral("error ") + PortBusy});
    // Not even a socket is made.
    QVERIFY(!checker.findChild<QAbstractSocket*>());
    QCOMPARE(checker.GetState(), POP3::Connecting);
}

void POP3Test::highPortIsValid()
{
    Peer peer(Peer::dialogue("+OK\r\n", "+OK\r\n", "+OK\r\n", "+OK 1 10\r\n"));
    if (!peer.listen(40000))
        QSKIP("port 40000 is taken on this machine");
    POP3 checker;
    CheckLog log(checker);

    checker.CheckForMail(QStringLiteral("127.0.0.1:40000"), User, Password, false);
    QTRY_VERIFY_WITH_TIMEOUT(log.ended(), Bounded);
    QCOMPARE(log.events, successfulCheck(QStringLiteral("127.0.0.1:40000"), 1));
}

void POP3Test::ipv6Addresses_data()
{
    QTest::addColumn<QString>("address"); // %1 stands for the peer's port
    QTest::addColumn<QString>("connectingTo");
    QTest::addColumn<bool>("served");
    const auto row = [](const char* tag, const char* address, const char* to, bool served) {
        QTest::newRow(tag) << QString(address) << QString(to) << served;
    };
    row("bracketed with port", "[::1]:%1", "[::1]:%1", true);
    row("bracketed, default port", "[::1]", "[::1]:110", false);
    row("bare, default port", "::1", "[::1]:110", false);
}

void POP3Test::ipv6Addresses()
{
    QFETCH(QString, address);
    QFETCH(QString, connectingTo);
    QFETCH(bool, served);

    Peer peer(Peer::dialogue("+OK\r\n", "+OK\r\n", "+OK\r\n", "+OK 2 10\r\n"));
    if (served && !peer.listen(0, QHostAddress(QHostAddress::LocalHostIPv6)))
        QSKIP("no IPv6 loopback on this machine");
    address = address.arg(peer.port());
    connectingTo = connectingTo.arg(peer.port());
    POP3 checker;
    CheckLog log(checker);

    checker.CheckForMail(address, User, Password, false);
    QVERIFY(!log.events.isEmpty());
    QCOMPARE(log.events.first(), QStringLiteral("status Connecting to ") + connectingTo);
    if (!served)
        return; // nothing of ours listens on port 110
    QTRY_VERIFY_WITH_TIMEOUT(log.ended(), Bounded);
    QCOMPARE(log.events, successfulCheck(connectingTo, 2));
}

void POP3Test::pendingTextCap_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("at the cap") << int(POP3::MaxPendingText) << true;
    QTest::newRow("one byte over") << int(POP3::MaxPendingText) + 1 << false;
    QTest::newRow("far over") << int(4 * POP3::MaxPendingText) << false;
}

void POP3Test::pendingTextCap()
{
    QFETCH(int, length);
    QFETCH(bool, accepted);

    const QByteArray unterminated = "+OK " + QByteArray(length - 4, 'x');
    Peer peer({Peer::sendPieces({unterminated, "\r\n"}, 100), Peer::expectLine(),
               Peer::send("+OK\r\n"), Peer::expectLine(), Peer::send("+OK\r\n"), Peer::expectLine(),
               Peer::send("+OK 5 50\r\n")});
    QVERIFY(peer.listen());
    POP3 checker;
    CheckLog log(checker);

    checker.CheckForMail(peer.address(), User, Password, false);
    QTRY_VERIFY_WITH_TIMEOUT(log.ended(), Bounded);
    if (accepted) {
        QCOMPARE(log.events, successfulCheck(peer.address(), 5));
    } else {
        QCOMPARE(log.events.constLast(), QStringLiteral("error ") + Lost);
        QCOMPARE(log.errors().size(), 1);
        QCOMPARE(peer.received(), QByteArray());
    }
}

void POP3Test::webMailServerVariant()
{
    // The server text is taken whole and port 110 is always dialled.
    {
        POP3 checker(POP3::Variant::WebMailServer);
        CheckLog log(checker);
        checker.CheckForMail(QStringLiteral("127.0.0.1:pop"), User, Password, false);
        QCOMPARE(log.events.value(0), QStringLiteral("status Connecting to 127.0.0.1:pop:110"));
        QTRY_VERIFY_WITH_TIMEOUT(log.ended(), Bounded);
        QCOMPARE(log.events.constLast(),
                 QStringLiteral("error Could not connect to server \"127.0.0.1:pop\""));
    }

    Peer pieces(
        {Peer::sendPieces({"+OK hel", "lo\r\n"}, 50), Peer::expectLine(), Peer::expectLine()});
    if (!pieces.listen(110))
        QSKIP("port 110 cannot be bound here");
    {
        // Every arrival is a whole reply: the tail of the greeting answers USER.
        POP3 checker(POP3::Variant::WebMailServer);
        CheckLog log(checker);
        checker.CheckForMail(QStringLiteral("127.0.0.1"), User, Password, false);
        QTRY_VERIFY_WITH_TIMEOUT(log.ended(), Bounded);
        QCOMPARE(log.events, (QStringList{QStringLiteral("status Connecting to 127.0.0.1:110"),
                                          QStringLiteral("status Sending username and password..."),
                                          QStringLiteral("error Invalid username.")}));
        QCOMPARE(pieces.received(), QByteArray("USER bob\r\n"));
    }
}

void POP3Test::stlsBeforeThePassword_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<QString>("expectedError");
    QTest::addColumn<QByteArray>("expectedSent");

    const QString notOffered =
        QStringLiteral("The server does not offer STLS: the password was not sent.");
    const QString refused = QStringLiteral("The server refused STLS: the password was not sent.");
    const auto afterCapa = [](const QList<QByteArray>& capa, const Script& rest) {
        return Script{Peer::send("+OK ready\r\n"), Peer::expectLine(), Peer::sendPieces(capa, 20)} +
               rest;
    };
    const Script stlsRefused{Peer::expectLine(), Peer::send("-ERR not now\r\n")};
    QTest::newRow("no CAPA") << afterCapa({"-ERR unknown command\r\n"}, {}) << notOffered
                             << QByteArray("CAPA\r\n");
    QTest::newRow("CAPA without STLS")
        << afterCapa({"+OK\r\nUSER\r\nSASL PLAIN\r\nXSTLS\r\n.\r\n"}, {}) << notOffered
        << QByteArray("CAPA\r\n");
    QTest::newRow("STLS offered, then refused")
        << afterCapa({"+OK list\r\n", "USER\r\nstls\r\n", ".\r\n"}, stlsRefused) << refused
        << QByteArray("CAPA\r\nSTLS\r\n");
    // A man in the middle who answers for the server must not get a word in.
    QTest::newRow("clear text after the STLS answer")
        << afterCapa({"+OK\r\nSTLS\r\n.\r\n"},
                     {Peer::expectLine(), Peer::send("+OK go ahead\r\n+OK POP3 ready\r\n")})
        << Lost << QByteArray("CAPA\r\nSTLS\r\n");
    QTest::newRow("endless CAPA") << afterCapa({"+OK\r\n", QByteArray(40000, 'x') + "\r\n",
                                                QByteArray(40000, 'y') + "\r\n"},
                                               {})
                                  << Lost << QByteArray("CAPA\r\n");
}

void POP3Test::stlsBeforeThePassword()
{
    QFETCH(Script, script);
    QFETCH(QString, expectedError);
    QFETCH(QByteArray, expectedSent);

    Peer peer(script);
    QVERIFY(peer.listen());
    POP3 checker;
    CheckLog log(checker);

    checker.CheckForMail(QStringLiteral("pop3://") + peer.address(), User, Password, false);
    QTRY_VERIFY_WITH_TIMEOUT(log.ended(), Bounded);
    QCOMPARE(log.events, (QStringList{QStringLiteral("status Connecting to ") + peer.address(),
                                      QStringLiteral("error ") + expectedError}));
    QTRY_VERIFY_WITH_TIMEOUT(peer.clientClosed(), Bounded);
    QCOMPARE(peer.received(), expectedSent);
}

void POP3Test::socketKindAndKeepAlive_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<bool>("tls");

    // A plain account must not make a TLS socket: that alone loads the TLS library.
    QTest::newRow("host and port") << QString() << false;
    QTest::newRow("STLS") << QStringLiteral("pop3://") << true;
}

void POP3Test::socketKindAndKeepAlive()
{
    QFETCH(QString, scheme);
    QFETCH(bool, tls);

    Peer peer({Peer::send("+OK ready\r\n"), Peer::expectLine(), Peer::silent()});
    QVERIFY(peer.listen());
    POP3 checker;
    checker.CheckForMail(scheme + peer.address(), User, Password, false);
    QTRY_COMPARE_WITH_TIMEOUT(peer.expectedLines().size(), 1, Bounded);
    auto* socket = checker.findChild<QAbstractSocket*>();
    QVERIFY(socket);
    QCOMPARE(qobject_cast<QSslSocket*>(socket) != nullptr, tls);
    QCOMPARE(socket->socketOption(QAbstractSocket::KeepAliveOption).toInt(), 1);
}

QTEST_GUILESS_MAIN(POP3Test)
#include "POP3Test.moc"
