// What the IMAP client writes and reads by itself: folder names in modified
// UTF-7, the figures of STATUS and SEARCH replies, and the SASL exchange of
// a token sign-in.
#include "checkers/ImapSession.h"

#include "checkers/ImapConnection.h"

#include <QtTest>
#include <cstring>

using namespace orvane;

namespace {

// A server that says its next line only once the client has written as many
// times as the line's place in the script (the greeting needs none).
class ScriptedLink final : public ImapLink
{
public:
    explicit ScriptedLink(QByteArrayList script) : m_script(std::move(script)) {}
    QByteArray written;

    int socket() const override { return -1; }
    bool broken() const override { return false; }
    void setDeadline(Clock::time_point) override {}
    ssize_t read(void* buffer, std::size_t count) override
    {
        if (m_next >= m_script.size() || m_next > m_writes)
            return 0; // the server would wait for ever: end the session
        const QByteArray line = m_script.at(m_next++);
        const std::size_t size = std::min<std::size_t>(count, std::size_t(line.size()));
        std::memcpy(buffer, line.constData(), size);
        return ssize_t(size);
    }
    ssize_t readAvailable(void* buffer, std::size_t count) override { return read(buffer, count); }
    bool holdsUnread() const override { return false; }
    ssize_t write(const void* buffer, std::size_t count) override
    {
        written.append(static_cast<const char*>(buffer), qsizetype(count));
        ++m_writes;
        return ssize_t(count);
    }
    void shutdown() override {}
    bool startTls(const QString&, const QByteArrayList&, Verdict*) override { return false; }
    void refuseHugeLiterals() override {}
    void keepAlive(int, int, int) override {}

private:
    QByteArrayList m_script;
    qsizetype m_next = 0;
    int m_writes = 0;
};

} // namespace

class ImapSessionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void folderNames_data();
    void folderNames();
    void unseen_data();
    void unseen();
    void tokenSignIn_data();
    void tokenSignIn();
};

void ImapSessionTest::folderNames_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QByteArray>("sent");

    QTest::newRow("plain") << QStringLiteral("INBOX") << QByteArray("\"INBOX\"");
    QTest::newRow("ampersand") << QStringLiteral("R&D") << QByteArray("\"R&-D\"");
    QTest::newRow("quote and backslash")
        << QStringLiteral("a\"b\\c") << QByteArray("\"a\\\"b\\\\c\"");
    QTest::newRow("accents") << QStringLiteral("Entwürfe") << QByteArray("\"Entw&APw-rfe\"");
    QTest::newRow("Chinese, slash in the base64")
        << QStringLiteral("~peter/mail/台北/日本語")
        << QByteArray("\"~peter/mail/&U,BTFw-/&ZeVnLIqe-\"");
    QTest::newRow("outside the basic plane")
        << QStringLiteral("x\U0001F600") << QByteArray("\"x&2D3eAA-\"");
}

void ImapSessionTest::folderNames()
{
    QFETCH(QString, folder);
    QFETCH(QByteArray, sent);
    QByteArrayList literals;
    QCOMPARE(ImapSession::astring(ImapSession::modifiedUtf7(folder), &literals), sent);
    QVERIFY(literals.isEmpty());
}

void ImapSessionTest::unseen_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<qint64>("count");

    QTest::newRow("atom") << QByteArray("STATUS INBOX (UNSEEN 3)") << qint64(3);
    QTest::newRow("with other figures")
        << QByteArray("STATUS INBOX (MESSAGES 9 UNSEEN 12 UIDNEXT 4)") << qint64(12);
    QTest::newRow("quoted, with parenthesis")
        << QByteArray("STATUS \"Old (UNSEEN 7)\" (UNSEEN 1)") << qint64(1);
    QTest::newRow("literal") << QByteArray("STATUS {8}\r\n(UNSEEN) (UNSEEN 5)") << qint64(5);
    QTest::newRow("lower case") << QByteArray("status inbox (unseen 4)") << qint64(4);
    QTest::newRow("no figure") << QByteArray("STATUS INBOX (MESSAGES 9)") << qint64(-1);
    QTest::newRow("negative") << QByteArray("STATUS INBOX (UNSEEN -2)") << qint64(-1);
    QTest::newRow("not a STATUS") << QByteArray("LIST () \"/\" INBOX") << qint64(-1);
    QTest::newRow("SEARCH, duplicates") << QByteArray("SEARCH 4 4 9 1") << qint64(3);
    QTest::newRow("SEARCH, none") << QByteArray("SEARCH") << qint64(0);
}

void ImapSessionTest::unseen()
{
    QFETCH(QByteArray, line);
    QFETCH(qint64, count);
    if (line.startsWith("SEARCH"))
        QCOMPARE(ImapSession::countOfSearch(line), count);
    else
        QCOMPARE(ImapSession::unseenOf(line).value_or(-1), count);
}

void ImapSessionTest::tokenSignIn_data()
{
    QTest::addColumn<QByteArray>("mechanism");
    QTest::addColumn<QByteArrayList>("script");
    QTest::addColumn<QByteArray>("written"); // "{R}" stands for the response
    QTest::addColumn<bool>("ok");

    const QByteArray irGreeting = "* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=XOAUTH2] hi\r\n";
    const QByteArray plainGreeting = "* OK [CAPABILITY IMAP4rev1 AUTH=XOAUTH2] hi\r\n";
    QTest::newRow("initial response with the command")
        << QByteArray("XOAUTH2") << QByteArrayList{irGreeting, "o1 OK signed in\r\n"}
        << QByteArray("o1 AUTHENTICATE XOAUTH2 {R}\r\n") << true;
    QTest::newRow("response after the go-ahead")
        << QByteArray("XOAUTH2") << QByteArrayList{plainGreeting, "+ \r\n", "o1 OK signed in\r\n"}
        << QByteArray("o1 AUTHENTICATE XOAUTH2\r\n{R}\r\n") << true;
    // The reason comes as a challenge that must be answered, or the
    // server waits for ever.
    QTest::newRow("XOAUTH2 refused with a reason")
        << QByteArray("XOAUTH2")
        << QByteArrayList{irGreeting, "+ eyJzdGF0dXMiOiI0MDEifQ==\r\n", "o1 NO refused\r\n"}
        << QByteArray("o1 AUTHENTICATE XOAUTH2 {R}\r\n\r\n") << false;
    QTest::newRow("OAUTHBEARER refused with a reason")
        << QByteArray("OAUTHBEARER")
        << QByteArrayList{irGreeting, "+ eyJzdGF0dXMiOiI0MDEifQ==\r\n", "o1 NO refused\r\n"}
        << QByteArray("o1 AUTHENTICATE OAUTHBEARER {R}\r\nAQ==\r\n") << false;
    QTest::newRow("refused after the go-ahead")
        << QByteArray("XOAUTH2")
        << QByteArrayList{plainGreeting, "+ \r\n", "+ e30=\r\n", "o1 NO refused\r\n"}
        << QByteArray("o1 AUTHENTICATE XOAUTH2\r\n{R}\r\n\r\n") << false;
}

void ImapSessionTest::tokenSignIn()
{
    QFETCH(QByteArray, mechanism);
    QFETCH(QByteArrayList, script);
    QFETCH(QByteArray, written);
    QFETCH(bool, ok);
    const QByteArray response = ImapConnection::tokenResponse(
        mechanism, QStringLiteral("a,b=c@example.org"), QStringLiteral("imap.example.org"), 993,
        QStringLiteral("tok"));
    QCOMPARE(response, mechanism == "XOAUTH2"
                           ? QByteArray("user=a,b=c@example.org\x01"
                                        "auth=Bearer tok\x01\x01")
                           : QByteArray("n,a=a=2Cb=3Dc@example.org,\x01host=imap.example.org\x01"
                                        "port=993\x01"
                                        "auth=Bearer tok\x01\x01"));
    ScriptedLink link(script);
    ImapSession session(link);
    bool preauth = false;
    QVERIFY(session.greeting(&preauth));
    const ImapSession::Reply reply = session.authenticate(
        mechanism, response, mechanism == "OAUTHBEARER" ? QByteArray("AQ==") : QByteArray());
    QCOMPARE(link.written, QByteArray(written).replace("{R}", response.toBase64()));
    QCOMPARE(reply.ok(), ok);
    QCOMPARE(reply.status, ok ? ImapSession::Reply::Status::Ok : ImapSession::Reply::Status::No);
}

QTEST_GUILESS_MAIN(ImapSessionTest)
#include "ImapSessionTest.moc"
