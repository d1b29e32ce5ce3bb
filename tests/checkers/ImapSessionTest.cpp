// What the IMAP client writes and reads by itself: folder names in modified
// UTF-7, and the figures of STATUS and SEARCH replies.
#include "checkers/ImapSession.h"

#include <QtTest>

using namespace orvane;

class ImapSessionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void folderNames_data();
    void folderNames();
    void unseen_data();
    void unseen();
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

QTEST_GUILESS_MAIN(ImapSessionTest)
#include "ImapSessionTest.moc"
