#include "core/ServerAddress.h"

#include "core/CertificateTrust.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;
using P = ServerAddress::Protocol;
using S = ServerAddress::Security;

class ServerAddressTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsesAndWritesBack_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("protocol");
        QTest::addColumn<int>("security");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("written"); // empty: written back as read

        auto row = [](const char* name, const char* line, bool valid, P p, S s, const char* host,
                      int port, const QString& folder, const char* written = "") {
            QTest::newRow(name) << QString::fromUtf8(line) << valid << int(p) << int(s)
                                << QString::fromUtf8(host) << port << folder
                                << QString::fromUtf8(written);
        };
        const QString inbox = QStringLiteral("INBOX");
        row("imaps defaults", "imaps://mail.example.org", true, P::Imap, S::Tls, "mail.example.org",
            993, inbox);
        row("imap with port and folder", "imap://mail.example.org:1143/Lists/dev", true, P::Imap,
            S::StartTls, "mail.example.org", 1143, QStringLiteral("Lists/dev"));
        row("plain", "imap+plain://10.0.0.2", true, P::Imap, S::None, "10.0.0.2", 143, inbox);
        row("scheme in capitals", "IMAPS://Mail.Example.org/", true, P::Imap, S::Tls,
            "Mail.Example.org", 993, inbox, "imaps://Mail.Example.org");
        row("encoded folder", "imaps://h/Entw%C3%BCrfe%20alt", true, P::Imap, S::Tls, "h", 993,
            QStringLiteral("Entwürfe alt"));
        row("default port written short", "imaps://h:993/INBOX", true, P::Imap, S::Tls, "h", 993,
            inbox, "imaps://h");
        row("ipv6", "imaps://[::1]:10993", true, P::Imap, S::Tls, "::1", 10993, inbox);
        row("pop3s", "pop3s://pop.example.org", true, P::Pop3, S::Tls, "pop.example.org", 995, {});
        row("pop3 stls", "pop3://pop.example.org:1110", true, P::Pop3, S::StartTls,
            "pop.example.org", 1110, {});
        // Lines of the other kinds keep their own meaning.
        row("plain host", "pop.example.org:110", false, P::Other, S::None, "", 0, {});
        row("web mail", "Hotmail", false, P::Other, S::None, "", 0, {});
        // Named a protocol but cannot be used.
        row("user inside", "imaps://anna@h", false, P::Imap, S::Tls, "anna@h", 993, inbox);
        row("port zero", "imaps://h:0", false, P::Imap, S::Tls, "h", 993, inbox);
        row("port too big", "imaps://h:65536", false, P::Imap, S::Tls, "h", 993, inbox);
        row("no host", "imaps://:993", false, P::Imap, S::Tls, "", 993, inbox);
        row("line break in folder", "imaps://h/a%0D%0AX LOGOUT", false, P::Imap, S::Tls, "h", 993,
            QStringLiteral("a\r\nX LOGOUT"));
        row("pop3 with a folder", "pop3s://h/INBOX", false, P::Pop3, S::Tls, "h", 995, {});
        row("bad brackets", "imaps://[mail]:1", false, P::Imap, S::Tls, "mail", 993, inbox);
        // A folder typed in full is written encoded, three times as long.
        const QByteArray typed = QByteArray("\xc3\xbc").repeated(400);
        row("long folder typed in full", ("imaps://h/" + typed).constData(), true, P::Imap, S::Tls,
            "h", 993, QString::fromUtf8(typed),
            ("imaps://h/" + QByteArray("%C3%BC").repeated(400)).constData());
        row("folder too long", ("imaps://h/" + QByteArray(1001, 'a')).constData(), false, P::Imap,
            S::Tls, "h", 993, inbox);
    }

    void parsesAndWritesBack()
    {
        QFETCH(QString, line);
        QFETCH(bool, valid);
        QFETCH(int, protocol);
        QFETCH(int, security);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(QString, folder);
        QFETCH(QString, written);
        const ServerAddress a = ServerAddress::parse(line);
        QCOMPARE(a.valid, valid);
        QCOMPARE(int(a.protocol), protocol);
        QCOMPARE(ServerAddress::namesProtocol(line), a.protocol != P::Other);
        if (a.protocol == P::Other)
            return;
        QCOMPARE(int(a.security), security);
        QCOMPARE(a.host, host);
        QCOMPARE(a.port, port);
        QCOMPARE(a.folder, folder);
        if (!valid) {
            QVERIFY(a.toString().isEmpty());
            return;
        }
        QCOMPARE(a.toString(), written.isEmpty() ? line : written);
        // What is written reads back the same.
        const ServerAddress again = ServerAddress::parse(a.toString());
        QVERIFY(again.valid);
        QCOMPARE(again.host, a.host);
        QCOMPARE(again.port, a.port);
        QCOMPARE(again.folder, a.folder);
    }

    // A trusted digest belongs to one account's server, survives a restart,
    // lives in a file only its owner can read, and a file another user could
    // have written is not believed.
    void trustIsKeptPerAccountAndPrivately()
    {
        QTemporaryDir dir;
        const QString path =
            CertificateTrust::pathBeside(dir.filePath(QStringLiteral("Quorvelanna.svl")));
        QCOMPARE(path, dir.filePath(QStringLiteral("Quorvelanna.trust")));
        const ServerAddress server = ServerAddress::parse(QStringLiteral("imaps://h:10993"));
        const QString anna = CertificateTrust::keyFor(server, QStringLiteral("anna x"));
        const QString bob = CertificateTrust::keyFor(server, QStringLiteral("bob"));
        const QByteArray digest(32, '\xab');
        {
            CertificateTrust trust(path);
            QVERIFY(trust.trust(anna, digest));
            QVERIFY(!trust.trust(bob, QByteArray(31, 'x')));
        }
        CertificateTrust reread(path);
        QCOMPARE(reread.trusted(anna), digest);
        QVERIFY(reread.trusted(bob).isEmpty());
        QCOMPARE(QFile::permissions(path) &
                     (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
                 QFile::Permissions());
        QVERIFY(CertificateTrust::fingerprintText(digest).startsWith(QStringLiteral("AB:AB:")));

        QVERIFY(reread.forget(anna));
        QVERIFY(CertificateTrust(path).trusted(anna).isEmpty());

        QVERIFY(CertificateTrust(path).trust(anna, digest));
        QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOther);
        QVERIFY(CertificateTrust(path).trusted(anna).isEmpty());
    }
};

QTEST_GUILESS_MAIN(ServerAddressTest)
#include "ServerAddressTest.moc"
