// The providers file: what a group gives, how the user's file overrides the
// shipped one, and its bounds against hostile input.
#include "oauth/OAuthProviders.h"

#include "FileHelpers.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace orvane;

class OAuthProvidersTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void groups_data();
    void groups();
    void userFileOverridesShipped();
    void hostileInputStaysBounded();
};

void OAuthProvidersTest::groups_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("host");
    // Name | mechanism | scopes joined by '|' | token URL; empty name: no provider.
    QTest::addColumn<QString>("expected");

    const QByteArray full = "[Mail]\nName=Mail Co\nAuthorizationUrl=https://a.example/auth\n"
                            "TokenUrl=https://a.example/token\nScopes=one  two\nClientId=id\n"
                            "Mechanism=oauthbearer\nHosts=IMAP.Example.com, pop.example.com\n";
    QTest::newRow("full group, host in any case")
        << full << QStringLiteral("imap.example.COM")
        << QStringLiteral("Mail Co|OAUTHBEARER|one|two|https://a.example/token");
    QTest::newRow("second host") << full << QStringLiteral("pop.example.com")
                                 << QStringLiteral(
                                        "Mail Co|OAUTHBEARER|one|two|https://a.example/token");
    QTest::newRow("other host") << full << QStringLiteral("example.com") << QString();
    QTest::newRow("no hosts: left out")
        << QByteArray("[A]\nName=A\nTokenUrl=https://t\n") << QString() << QString();
    QTest::newRow("no name: left out")
        << QByteArray("[A]\nHosts=h\nTokenUrl=https://t\n") << QStringLiteral("h") << QString();
    QTest::newRow("comments, blanks, CRLF, unknown mechanism")
        << QByteArray("; c\r\n# c\r\n[A]\r\n Name = A \r\nHosts=h\r\nMechanism=PLAIN\r\n"
                      "TokenUrl=\"https://t\"\r\n")
        << QStringLiteral("h") << QStringLiteral("A|XOAUTH2|https://t");
    QTest::newRow("a token never goes to a file")
        << QByteArray("[A]\nName=A\nHosts=h\nTokenUrl=file:///etc/passwd\n") << QStringLiteral("h")
        << QStringLiteral("A|XOAUTH2|");
    QTest::newRow("keys before any group are ignored")
        << QByteArray("Name=X\nHosts=h\n[A]\nName=A\nHosts=h\n") << QStringLiteral("h")
        << QStringLiteral("A|XOAUTH2|");
    QTest::newRow("group named twice: later keys win")
        << QByteArray("[A]\nName=A\nHosts=h\n[A]\nName=B\n") << QStringLiteral("h")
        << QStringLiteral("B|XOAUTH2|");
}

void OAuthProvidersTest::groups()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, host);
    QFETCH(QString, expected);
    OAuthProviders providers;
    providers.read(text);
    const OAuthProvider* found = providers.forHost(host);
    if (expected.isEmpty()) {
        QVERIFY(!found);
        return;
    }
    QVERIFY(found);
    const QStringList seen = QStringList{found->name, QString::fromLatin1(found->mechanismName())} +
                             found->scopes + QStringList{found->tokenUrl};
    QCOMPARE(seen.join(u'|'), expected);
}

void OAuthProvidersTest::userFileOverridesShipped()
{
    QTemporaryDir program;
    QVERIFY(test::saveFile(program.filePath(QStringLiteral("OAuth2.ini")),
                           "[Google]\nName=Google\nClientId=\nHosts=imap.gmail.com\n"
                           "[Microsoft]\nName=Microsoft\nHosts=outlook.office365.com\n"));
    QDir().mkpath(QFileInfo(OAuthProviders::userFile()).path());
    QVERIFY(test::saveFile(OAuthProviders::userFile(),
                           "[Google]\nName=Google\nClientId=mine\nHosts=imap.gmail.com\n"
                           "[Local]\nName=Local\nHosts=localhost\n"));
    const OAuthProviders providers = OAuthProviders::load(program.path());
    QFile::remove(OAuthProviders::userFile());
    QCOMPARE(providers.all().size(), 3);
    QCOMPARE(providers.forHost(QStringLiteral("imap.gmail.com"))->clientId, QStringLiteral("mine"));
    QVERIFY(providers.forHost(QStringLiteral("outlook.office365.com")));
    QVERIFY(providers.forHost(QStringLiteral("localhost")));
}

void OAuthProvidersTest::hostileInputStaysBounded()
{
    // Long keys, values and host lists first, then many groups, then a
    // line without end.
    QByteArray text;
    for (int i = 0; i < 5; ++i) {
        text += "[L" + QByteArray::number(i) + "]\nName=n\nHosts=";
        for (int h = 0; h < 100; ++h)
            text += "h" + QByteArray::number(h) + ',';
        text += '\n' + QByteArray(OAuthProviders::MaxKeyLength + 1, 'k') + "=v\n";
        text += "ClientId=" + QByteArray(OAuthProviders::MaxValueLength + 1, 'v') + '\n';
    }
    for (int i = 0; i < 2000; ++i)
        text += "[G" + QByteArray::number(i) + "]\nName=n\nHosts=g\n";
    text += QByteArray(10 * 1024 * 1024, '[');
    QElapsedTimer timer;
    timer.start();
    OAuthProviders providers;
    providers.read(text);
    QVERIFY(timer.elapsed() < 2000);
    QCOMPARE(providers.all().size(), OAuthProviders::MaxGroups);
    for (const OAuthProvider& provider : providers.all()) {
        QVERIFY(provider.hosts.size() <= OAuthProviders::MaxHosts);
        QVERIFY(provider.clientId.isEmpty());
    }

    // A file past the size bound adds nothing at all.
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("OAuth2.ini"));
    QVERIFY(test::saveFile(path, "[A]\nName=A\nHosts=h\n" +
                                     QByteArray(OAuthProviders::MaxFileBytes, '\n')));
    OAuthProviders fromFile;
    fromFile.readFile(path);
    QVERIFY(fromFile.all().isEmpty());
}

QTEST_GUILESS_MAIN(OAuthProvidersTest)
#include "OAuthProvidersTest.moc"
