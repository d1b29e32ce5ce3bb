#include "CheckerEventLog.h"
#include "FileHelpers.h"
#include "ScriptedImapServer.h"
#include "checkers/MAPIServer.h"
#include "checkers/ProfileMapi.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

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

private:
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
    QTest::newRow("untrusted certificate, endless greeting")
        << QStringLiteral("imaps") << Script{S::startTls(), S::flood(QByteArray(64 * 1024, 'z'))}
        << refused;
}

void ImapHostileTest::hostilePeer()
{
    QFETCH(QString, scheme);
    QFETCH(Script, script);
    QFETCH(QString, outcome);

    ScriptedImapServer server(script, m_certificate, m_key);
    QVERIFY(server.listen());
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
        return std::make_unique<ProfileMapi>(ProfileStore(store), ImapSettings{{}, Deadline});
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

QTEST_GUILESS_MAIN(ImapHostileTest)
#include "ImapHostileTest.moc"
