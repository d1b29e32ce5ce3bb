#include "CheckerEventLog.h"
#include "FileHelpers.h"
#include "ScriptedImapServer.h"
#include "TestHost.h"
#include "TestMailPlugin.h"
#include "checkers/IMAP.h"
#include "checkers/ImapCancel.h"
#include "checkers/ImapConnection.h"
#include "checkers/ImapPush.h"
#include "checkers/MAPIServer.h"
#include "checkers/MailProtocols.h"
#include "checkers/ProfileMapi.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>
#include <sys/socket.h>
#include <unistd.h>

using namespace orvane;
using namespace std::chrono_literals;

using Script = QList<ScriptedImapServer::Step>;
Q_DECLARE_METATYPE(Script)

namespace {

using S = ScriptedImapServer;

constexpr auto Deadline = 3s;
constexpr qint64 MaxGrowthKb = 40 * 1024;

// Starts the measure of the peak (VmHWM) afresh.
void resetPeakResident()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// The most this process held in memory since the last reset (VmHWM), or
// what it holds now (VmRSS), in kB.
qint64 residentKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// A well-behaved start: the greeting and an accepted LOGIN.
Script loggedIn(const QByteArray& capabilities = "IMAP4rev1")
{
    return {S::send("* OK [CAPABILITY " + capabilities + "] ready\r\n"), S::expectCommand(),
            S::send("$TAG OK LOGIN done\r\n")};
}

// Logged in, the folder examined and IDLE asked for.
Script idleAsked()
{
    return loggedIn("IMAP4rev1 IDLE") +
           Script{S::expectCommand(), S::send("$TAG OK [READ-ONLY] done\r\n"), S::expectCommand()};
}

Script examined()
{
    return loggedIn() + Script{S::expectCommand(),
                               S::send("* 3 EXISTS\r\n* FLAGS ()\r\n$TAG OK [READ-ONLY] done\r\n")};
}

} // namespace

class ImapHostileTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void hostilePeer_data();
    void hostilePeer();
    void hugeLiteralRefused_data();
    void hugeLiteralRefused();

private:
    void newKindPeer(const QString& subject, const ScriptedImapServer& peer,
                     const QString& outcome);

    QSslCertificate m_certificate;
    QSslKey m_key;
    QThreadPool m_pool;
};

void ImapHostileTest::initTestCase()
{
    QVERIFY(ScriptedImapServer::makeSelfSigned(&m_certificate, &m_key));
}

void ImapHostileTest::hostilePeer_data()
{
    // "imap" and "imaps" are messaging profiles' mailboxes; "IMAP <scheme>"
    // is the IMAP checker, "push <scheme>" a push connection.
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<Script>("script");
    QTest::addColumn<QString>("outcome");

    const QString refused = QStringLiteral("error Could not connect to server.");
    QTest::newRow("duplicate numbers")
        << QStringLiteral("imap")
        << examined() + Script{S::expectCommand(), S::send("* SEARCH 5 5 7 5\r\n$TAG OK done\r\n"),
                               S::expectCommand(), S::send("* BYE\r\n$TAG OK\r\n")}
        << QStringLiteral("count 2");
    QTest::newRow("endless line") << QStringLiteral("imap")
                                  << Script{S::flood(QByteArray(64 * 1024, 'x'))} << refused;
    QTest::newRow("huge literal") << QStringLiteral("imap")
                                  << loggedIn() +
                                         Script{S::expectCommand(),
                                                S::send("* LIST () \"/\" {4000000000}\r\n"),
                                                S::flood(QByteArray(64 * 1024, 'y'))}
                                  << refused;
    QTest::newRow("dribbling greeting")
        << QStringLiteral("imap") << Script{S::dribble("* OK still greeting", 200)} << refused;
    QTest::newRow("silence mid-reply")
        << QStringLiteral("imap")
        << loggedIn() + Script{S::expectCommand(), S::send("* 3 EXISTS\r\n* FLA"), S::silent()}
        << refused;
    QTest::newRow("LOGINDISABLED without STARTTLS")
        << QStringLiteral("imap")
        << Script{S::send("* OK [CAPABILITY IMAP4rev1 LOGINDISABLED] ready\r\n"),
                  S::expectCommand(), S::send("$TAG OK LOGIN done\r\n")}
        << refused;
    QTest::newRow("LOGINDISABLED with STARTTLS, untrusted")
        << QStringLiteral("imap")
        << Script{S::send("* OK [CAPABILITY IMAP4rev1 STARTTLS LOGINDISABLED] ready\r\n"),
                  S::expectCommand(),
                  S::send("$TAG OK begin TLS\r\n"),
                  S::startTls(),
                  S::expectCommand(),
                  S::send("$TAG OK LOGIN done\r\n")}
        << refused;
    // A greeting without capabilities makes the client ask; an answer that
    // names none, or names them badly, is no capability at all.
    const Script countAfterLogin{
        S::expectCommand(), S::send("$TAG OK LOGIN done\r\n"),
        S::expectCommand(), S::send("* 3 EXISTS\r\n* FLAGS ()\r\n$TAG OK [READ-ONLY] done\r\n"),
        S::expectCommand(), S::send("* SEARCH 4 6\r\n$TAG OK done\r\n"),
        S::expectCommand(), S::send("* BYE\r\n$TAG OK\r\n")};
    const std::pair<const char*, QByteArray> answers[] = {{"none named", ""},
                                                          {"empty answer", "* CAPABILITY \n"}};
    for (const auto& [name, answer] : answers) {
        QTest::addRow("capabilities asked, %s", name)
            << QStringLiteral("imap")
            << Script{S::send("* OK ready\r\n"), S::expectCommand(),
                      S::send(answer + "$TAG OK done\r\n")} +
                   countAfterLogin
            << QStringLiteral("count 2");
    }
    QTest::newRow("greeting lists no capabilities")
        << QStringLiteral("imap")
        << Script{S::send("* OK [CAPABILITY ] ready\r\n")} + countAfterLogin
        << QStringLiteral("count 2");
    // Numbers read before the refusal are the client's to free (the
    // sanitizer build's leak check sees them).
    QTest::newRow("search refused after numbers")
        << QStringLiteral("imap")
        << examined() + Script{S::expectCommand(), S::send("* SEARCH 9 3\r\n$TAG NO done\r\n")}
        << refused;
    QTest::newRow("literal cut short by a close")
        << QStringLiteral("imap")
        << loggedIn() +
               Script{S::expectCommand(), S::send("* LIST () \"/\" {5}\r\nIN"), S::hangUp()}
        << refused;
    QTest::newRow("untrusted certificate, endless greeting")
        << QStringLiteral("imaps") << Script{S::startTls(), S::flood(QByteArray(64 * 1024, 'z'))}
        << refused;

    const QString stripped =
        QStringLiteral("error ") + QString::fromLatin1(ImapConnection::kNoStartTls);
    const QString startTlsRefused =
        QStringLiteral("error ") + QString::fromLatin1(ImapConnection::kStartTlsRefused);
    QTest::newRow("STARTTLS stripped")
        << QStringLiteral("IMAP imap") << loggedIn() + Script{S::expectCommand()} << stripped;
    QTest::newRow("PREAUTH where STARTTLS is required")
        << QStringLiteral("IMAP imap")
        << Script{S::send("* PREAUTH [CAPABILITY IMAP4rev1] welcome\r\n"), S::expectCommand()}
        << stripped;
    QTest::newRow("STARTTLS refused")
        << QStringLiteral("IMAP imap")
        << Script{S::send("* OK [CAPABILITY IMAP4rev1 STARTTLS] ready\r\n"), S::expectCommand(),
                  S::send("$TAG NO not now\r\n"), S::expectCommand()}
        << startTlsRefused;
    QTest::newRow("bytes after the STARTTLS go-ahead")
        << QStringLiteral("IMAP imap")
        << Script{S::send("* OK [CAPABILITY IMAP4rev1 STARTTLS] ready\r\n"), S::expectCommand(),
                  S::send("$TAG OK begin\r\n* OK [CAPABILITY IMAP4rev1] injected\r\n"),
                  S::expectCommand()}
        << startTlsRefused;
    QTest::newRow("LOGINDISABLED in clear")
        << QStringLiteral("IMAP imap+plain")
        << Script{S::send("* OK [CAPABILITY IMAP4rev1 LOGINDISABLED] ready\r\n"),
                  S::expectCommand()}
        << QStringLiteral("error ") + QString::fromLatin1(ImapConnection::kLoginDisabled);
    QTest::newRow("untrusted certificate, IMAP checker")
        << QStringLiteral("IMAP imaps")
        << Script{S::startTls(), S::flood(QByteArray(64 * 1024, 'z'))}
        << QStringLiteral("error The server's certificate is not trusted");
    QTest::newRow("endless STATUS reply")
        << QStringLiteral("IMAP imap+plain")
        << loggedIn() + Script{S::expectCommand(), S::send("* STATUS INBOX (UNSEEN "),
                               S::flood(QByteArray(64 * 1024, '9'))}
        << QStringLiteral("error ") + QString::fromLatin1(ImapConnection::kConnectionLost);
    QTest::newRow("STATUS refused, then SEARCH")
        << QStringLiteral("IMAP imap+plain")
        << loggedIn() + Script{S::expectCommand(), S::send("$TAG BAD no STATUS here\r\n"),
                               S::expectCommand(), S::send("$TAG OK [READ-ONLY] done\r\n"),
                               S::expectCommand(), S::send("* SEARCH 5 5 7\r\n$TAG OK\r\n"),
                               S::expectCommand(), S::send("* BYE\r\n$TAG OK\r\n")}
        << QStringLiteral("count 2");

    QTest::newRow("endless IDLE reply")
        << QStringLiteral("push imap+plain")
        << idleAsked() +
               Script{S::send("+ idling\r\n* 1 EXI"), S::flood(QByteArray(64 * 1024, 'S'))}
        << QStringLiteral("lost The server ended the wait.");
    QTest::newRow("IDLE continuation never answered")
        << QStringLiteral("push imap+plain") << idleAsked() + Script{S::silent()}
        << QStringLiteral("lost The server did not begin to wait in IDLE.");
    QTest::newRow("BYE mid-IDLE") << QStringLiteral("push imap+plain")
                                  << idleAsked() + Script{S::send("+ idling\r\n"),
                                                          S::dribble("* BYE going away\r\n", 5)}
                                  << QStringLiteral("lost The server ended the wait.");
    QTest::newRow("changes in IDLE, one check")
        << QStringLiteral("push imap+plain")
        << idleAsked() +
               Script{S::send("+ idling\r\n"),
                      S::send("* 4 EXISTS\r\n* 1 RECENT\r\n* 2 FETCH (FLAGS (\\Seen))\r\n"),
                      S::silent()}
        << QStringLiteral("check 1");
}

void ImapHostileTest::hostilePeer()
{
    QFETCH(QString, scheme);
    QFETCH(Script, script);
    QFETCH(QString, outcome);

    ScriptedImapServer server(script, m_certificate, m_key);
    QVERIFY(server.listen());
    if (scheme.contains(QLatin1Char(' '))) {
        newKindPeer(scheme, server, outcome);
        return;
    }
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("profiles.ini"));
    test::writeFile(store, QStringLiteral("[Work]\nMailbox=%1://me@localhost:%2/INBOX\n")
                               .arg(scheme)
                               .arg(server.port())
                               .toUtf8());

    resetPeakResident();
    const qint64 before = residentKb("VmRSS:");
    QElapsedTimer elapsed;
    elapsed.start();
    MAPIServer checker(m_pool, [store] {
        return std::make_unique<ProfileMapi>(ProfileStore(store), ImapSettings{{}, Deadline},
                                             test::mailPlugin());
    });
    test::CheckerEventLog raised(checker);
    checker.CheckForMail(QStringLiteral("MS Exchange"), QStringLiteral("Work"),
                         QStringLiteral("secret"), false);
    QTRY_VERIFY_WITH_TIMEOUT(raised.ended(), 30000);

    QCOMPARE(raised.events.constLast(), outcome);
    QVERIFY2(elapsed.elapsed() < std::chrono::milliseconds(Deadline + 1s).count(),
             qPrintable(QString::number(elapsed.elapsed())));
    // What the row added at its peak: the bounded client holds a few MB; an
    // unbounded one grows by tens of MB a second. (Measured as growth: the
    // sanitizers' allocator keeps freed memory, so rows start ever higher.)
    const qint64 grown = residentKb("VmHWM:") - before;
    QVERIFY2(before > 0 && grown < MaxGrowthKb, qPrintable(QString::number(grown)));
    // The password never went out in clear to a server that forbade it.
    if (QByteArray(QTest::currentDataTag()).startsWith("LOGINDISABLED"))
        QVERIFY2(!server.received().contains(" LOGIN "), server.received().constData());
}

void ImapHostileTest::newKindPeer(const QString& subject, const ScriptedImapServer& peer,
                                  const QString& outcome)
{
    const QString address = QStringLiteral("%1://localhost:%2")
                                .arg(subject.section(QLatin1Char(' '), 1))
                                .arg(peer.port());
    resetPeakResident();
    const qint64 before = residentKb("VmRSS:");
    QElapsedTimer elapsed;
    elapsed.start();
    QString seen;
    if (subject.startsWith(QLatin1String("push"))) {
        test::TestHost host;
        ImapPush push(host.virtualClock, test::mailPlugin, ImapSettings{{}, Deadline}, nullptr);
        QObject context;
        connect(
            &push, &ImapPush::connectionLost, &context,
            [&seen](const QString&, const QString& why) { seen = QStringLiteral("lost ") + why; });
        server account(host);
        account.CreateServer(QStringLiteral("Push"), address, 60, 600, QStringLiteral("me"),
                             QStringLiteral("secret"), false, 0, false, {}, false);
        push.accountChanged(account, host);
        QTRY_VERIFY_WITH_TIMEOUT(!seen.isEmpty() || host.checkRequests > 0, 30000);
        if (seen.isEmpty()) {
            // Every change told at once is one check.
            QTest::qWait(300);
            seen = QStringLiteral("check %1").arg(host.checkRequests);
        }
    } else {
        IMAP checker(m_pool, test::mailPlugin(), ImapSettings{{}, Deadline}, nullptr);
        test::CheckerEventLog raised(checker);
        checker.CheckForMail(address, QStringLiteral("me"), QStringLiteral("secret"), false);
        QTRY_VERIFY_WITH_TIMEOUT(raised.ended(), 30000);
        seen = raised.events.constLast();
    }
    QVERIFY2(seen.startsWith(outcome), qPrintable(seen));
    QVERIFY2(elapsed.elapsed() < std::chrono::milliseconds(Deadline + 1s).count(),
             qPrintable(QString::number(elapsed.elapsed())));
    const qint64 grown = residentKb("VmHWM:") - before;
    QVERIFY2(before > 0 && grown < MaxGrowthKb, qPrintable(QString::number(grown)));
    // The password never went out in clear where encryption was required.
    if (!subject.endsWith(QLatin1String("imap+plain")))
        QVERIFY2(!peer.received().contains("secret"), peer.received().constData());
}

void ImapHostileTest::hugeLiteralRefused_data()
{
    // What the server says, one read each.
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<bool>("refused");
    const QByteArray list = "* LIST () \"/\" ";
    QTest::newRow("whole") << QByteArrayList{list + "{4000000000}\r\n"} << true;
    QTest::newRow("bare line feed") << QByteArrayList{list + "{4000000000}\n"} << true;
    QTest::newRow("leading zeros")
        << QByteArrayList{list + "{000000000000000000000000004000000000}\r\n"} << true;
    QTest::newRow("cut across reads") << QByteArrayList{list + "{40000", "00000+}\r", "\n"} << true;
    QTest::newRow("small") << QByteArrayList{list + "{5}\r\nINBOX\r\n"} << false;
    QTest::newRow("no line end after it") << QByteArrayList{list + "{4000000000}2\r\n"} << true;
    QTest::newRow("small in text") << QByteArrayList{"* OK {5} said\r\n"} << false;
}

void ImapHostileTest::hugeLiteralRefused()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(bool, refused);
    int ends[2];
    QCOMPARE(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends), 0);
    ImapCancel cancel;
    const std::unique_ptr<ImapLink> link =
        test::mailPlugin()->link(ends[0], cancel.wakeUp(), ImapLink::Clock::now() + Deadline);
    link->refuseHugeLiterals();
    bool failed = false;
    for (const QByteArray& piece : pieces) {
        QCOMPARE(::write(ends[1], piece.constData(), size_t(piece.size())), piece.size());
        char buffer[256];
        failed = failed || link->read(buffer, sizeof buffer) < 0;
    }
    ::close(ends[1]);
    QCOMPARE(failed, refused);
    QCOMPARE(link->broken(), refused);
}

QTEST_GUILESS_MAIN(ImapHostileTest)
#include "ImapHostileTest.moc"
