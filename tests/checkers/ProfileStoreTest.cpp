#include "checkers/ProfileStore.h"

#include "FileHelpers.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace orvane;

class ProfileStoreTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readDefaultProfile_data();
    void readDefaultProfile();
    void profileNamesDefaultFirst_data();
    void profileNamesDefaultFirst();
    void mailboxAddress_data();
    void mailboxAddress();

private:
    QTemporaryDir m_dir;
};

void ProfileStoreTest::readDefaultProfile_data()
{
    QTest::addColumn<QByteArray>("file"); // null: no file at all
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("name");

    const QByteArray longest(255, 'p');
    QTest::newRow("missing file") << QByteArray() << false << QString();
    QTest::newRow("missing key") << QByteArray("[General]\r\n[Home]\r\nMailbox=maildir:/m\r\n")
                                 << false << QString();
    QTest::newRow("empty value") << QByteArray("[General]\nDefaultProfile=\n") << false
                                 << QString();
    QTest::newRow("key in a profile group")
        << QByteArray("[Home]\nDefaultProfile=Home\n") << false << QString();
    QTest::newRow("255 characters") << QByteArray("[General]\nDefaultProfile=" + longest + "\n")
                                    << true << QString::fromLatin1(longest);
    QTest::newRow("256 characters")
        << QByteArray("[General]\nDefaultProfile=" + longest + "p\n") << false << QString();
    QTest::newRow("blanks and case")
        << QByteArray("; mine\n [general] \n defaultprofile = My Home \n") << true
        << QStringLiteral("My Home");
    QTest::newRow("Windows-1252") << QByteArray("[General]\nDefaultProfile=B\xfcro\n") << true
                                  << QStringLiteral("B\u00fcro");
}

void ProfileStoreTest::readDefaultProfile()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, found);
    QFETCH(QString, name);

    const QString path =
        m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".ini"));
    if (!file.isNull())
        test::writeFile(path, file);
    QString read = QStringLiteral("untouched");
    QCOMPARE(ProfileStore(path).ReadDefaultProfile(read), found);
    QCOMPARE(read, found ? name : QStringLiteral("untouched"));
}

void ProfileStoreTest::profileNamesDefaultFirst_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("no store") << QByteArray() << QStringList();
    QTest::newRow("default moves first")
        << QByteArray("[Home]\nMailbox=maildir:/a\n[Work]\nMailbox=imap://u@h/INBOX\n"
                      "[General]\nDefaultProfile=work\n")
        << QStringList{QStringLiteral("Work"), QStringLiteral("Home")};
    QTest::newRow("default that does not exist")
        << QByteArray("[General]\nDefaultProfile=Gone\n[Home]\n[Work]\n")
        << QStringList{QStringLiteral("Home"), QStringLiteral("Work")};
    QTest::newRow("a repeated group once")
        << QByteArray("[Home]\n[Work]\n[HOME]\n")
        << QStringList{QStringLiteral("Home"), QStringLiteral("Work")};

    // A hostile file at the size bound: a hundred thousand headers, each new
    // but one, read in one pass rather than each searched against the rest.
    QByteArray many;
    QStringList manyNames;
    for (int i = 0; many.size() < 1000 * 1000; ++i) {
        const QByteArray name = 'g' + QByteArray::number(i);
        many += '[' + name + "]\n";
        manyNames << QString::fromLatin1(name);
    }
    many += "[General]\nDefaultProfile=g7\n[G7]\n";
    manyNames.move(7, 0);
    QTest::newRow("a million bytes of groups") << many << manyNames;
}

void ProfileStoreTest::profileNamesDefaultFirst()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, names);

    const QString path =
        m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".names.ini"));
    if (!file.isNull())
        test::writeFile(path, file);
    QCOMPARE(mapiProfileNames(ProfileStore(path)), names);
}

void ProfileStoreTest::mailboxAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("where"); // path, or user@host:port/folder

    using Kind = MailboxAddress::Kind;
    QTest::newRow("maildir") << QStringLiteral("maildir:/home/me/Mail dir") << int(Kind::Maildir)
                             << QStringLiteral("/home/me/Mail dir");
    QTest::newRow("maildir without path")
        << QStringLiteral("maildir:") << int(Kind::Invalid) << QString();
    QTest::newRow("imap default port")
        << QStringLiteral("imap://me@mail.example.org/INBOX") << int(Kind::Imap)
        << QStringLiteral("me@mail.example.org:143/INBOX");
    QTest::newRow("imaps default port")
        << QStringLiteral("imaps://me@mail.example.org") << int(Kind::Imaps)
        << QStringLiteral("me@mail.example.org:993/INBOX");
    QTest::newRow("user with an at sign")
        << QStringLiteral("imaps://me%40example.org@[::1]:1993/INBOX") << int(Kind::Imaps)
        << QStringLiteral("me@example.org@::1:1993/INBOX");
    QTest::newRow("no user") << QStringLiteral("imap://mail.example.org/INBOX")
                             << int(Kind::Invalid) << QString();
    QTest::newRow("other scheme") << QStringLiteral("pop3://me@mail.example.org")
                                  << int(Kind::Invalid) << QString();
    QTest::newRow("port out of range")
        << QStringLiteral("imap://me@h:70000/INBOX") << int(Kind::Invalid) << QString();
}

void ProfileStoreTest::mailboxAddress()
{
    QFETCH(QString, text);
    QFETCH(int, kind);
    QFETCH(QString, where);

    const MailboxAddress address = MailboxAddress::parse(text);
    QCOMPARE(int(address.kind), kind);
    if (address.kind == MailboxAddress::Kind::Maildir)
        QCOMPARE(address.path, where);
    else if (address.isRemote())
        QCOMPARE(QStringLiteral("%1@%2:%3/%4")
                     .arg(address.userName, address.host)
                     .arg(address.port)
                     .arg(address.folder),
                 where);
}

QTEST_GUILESS_MAIN(ProfileStoreTest)
#include "ProfileStoreTest.moc"
