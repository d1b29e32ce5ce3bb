#include "core/AccountListFile.h"

#include "LineBlock.h"
#include "RecordingMessageBoxes.h"
#include "TestHost.h"
#include "core/AccountList.h"
#include "platform/AnsiText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>

using namespace orvane;
using namespace orvane::test;

namespace {

struct Blocks
{
    LineBlock settings{{"s1", "s2"}};
    LineBlock quickView{{"2000", "1000", "2000", "2800"}};
    LineBlock skinDriver{{"<No Skin>"}};
    LineBlock quickBar{{"<Default>", "False", "0", "0", "False"}};
    ListFileBlocks refs() { return {settings, quickView, skinDriver, quickBar}; }
};

// Everything one load needs, kept for the checks that follow it.
struct Reader
{
    TestHost host;
    AccountList accounts;
    Blocks blocks;
    RecordingMessageBoxes messages;

    AccountListFile::LoadResult load(const QString& path)
    {
        return AccountListFile::Load(
            path, accounts, blocks.refs(), [this] { return std::make_unique<server>(host); },
            messages, "Orvane");
    }
};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

server& addAccount(TestHost& host, AccountList& list, const QString& name, const QString& password)
{
    auto account = std::make_unique<server>(host);
    account->CreateServer(name, name + ".example.org:995", 45, 300, "user-" + name, password, true,
                          3, true, "/sounds/" + name + ".wav", true);
    return list.append(std::move(account));
}

} // namespace

class AccountListFileTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void pathFollowsTheLogonName_data();
    void pathFollowsTheLogonName();
    void roundTripKeepsEveryAccountField();
    void zeroAccountsWriteTheFrameAndBlocks();
    void damagedFiles_data();
    void damagedFiles();
    void missingFileIsSilent();
    void savedFileIsPrivateAndCrLf();
    void failedSaveLeavesTheOldFile();
    void versionLineReachesTheSettingsReader();

private:
    QString path() const { return m_dir->filePath(QStringLiteral("Users/Quorvelanna.svl")); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void AccountListFileTest::pathFollowsTheLogonName_data()
{
    QTest::addColumn<QString>("logon");
    QTest::addColumn<QString>("path");
    QTest::newRow("anna") << "anna"
                          << "/opt/orvane/Users/Quorvelanna.svl";
    QTest::newRow("blanks trimmed") << "  ben "
                                    << "/opt/orvane/Users/Quorvelben.svl";
    QTest::newRow("no log-on name") << ""
                                    << "/opt/orvane/Users/Quorvel.svl";
}

void AccountListFileTest::pathFollowsTheLogonName()
{
    QFETCH(QString, logon);
    QTEST(AccountListFile::PathFor(QStringLiteral("/opt/orvane/"), logon), "path");
}

void AccountListFileTest::roundTripKeepsEveryAccountField()
{
    TestHost host;
    AccountList accounts;
    server& first = addAccount(host, accounts, "one", QStringLiteral("p\u00e4ss\tw0rd"));
    addAccount(host, accounts, "two", QString());
    // A finished check with a baseline, as a real run leaves it.
    host.CheckAccount(first);
    host.virtualClock.advanceSeconds(5);
    host.checkers.last()->found(4);
    first.ClearCount();
    first.Deactivate(); // the active line is written but every loaded account is active
    Blocks blocks;
    QVERIFY(AccountListFile::Save(path(), accounts, blocks.refs()));

    Reader reader;
    QCOMPARE(reader.load(path()), AccountListFile::LoadResult::Loaded);
    QVERIFY(reader.messages.shown.empty());
    const AccountList& loaded = reader.accounts;
    QCOMPARE(loaded.size(), 2);
    QCOMPARE(reader.blocks.quickBar.read, blocks.quickBar.lines);
    const server& one = loaded.at(0);
    QCOMPARE(one.GetName(), QStringLiteral("one"));
    QCOMPARE(one.GetAddress(), QStringLiteral("one.example.org:995"));
    QCOMPARE(one.GetTimeout(), 45);
    QCOMPARE(one.GetInterval(), 300);
    QCOMPARE(one.GetUsername(), QStringLiteral("user-one"));
    QCOMPARE(one.GetPassword(), QStringLiteral("p\u00e4ss\tw0rd"));
    QVERIFY(one.IsActive());
    QVERIFY(one.checkedOnce());
    QCOMPARE(one.lastDate(), QDate(2026, 12, 7));
    QCOMPARE(one.lastTime(), QTime(9, 0, 5));
    QCOMPARE(one.baseline(), 4);
    QCOMPARE(one.GetMin(), 3);
    QVERIFY(one.IsMinOn());
    QVERIFY(one.IsCustWaveOn());
    QCOMPARE(one.GetCustWave(), QStringLiteral("/sounds/one.wav"));
    QVERIFY(one.IsNewMailOnly());
    // Counts and state are not kept: no mail until the first check.
    QCOMPARE(one.count(), 0);
    QVERIFY(!one.NewMail());
    QCOMPARE(loaded.at(1).GetPassword(), QString());
    QVERIFY(!loaded.at(1).checkedOnce());
    // Loaded accounts run their clocks with the saved interval.
    reader.host.virtualClock.advanceSeconds(300);
    QCOMPARE(reader.host.checksStarted, 2);
}

void AccountListFileTest::zeroAccountsWriteTheFrameAndBlocks()
{
    AccountList accounts;
    Blocks blocks;
    QVERIFY(AccountListFile::Save(path(), accounts, blocks.refs()));
    QCOMPARE(readAll(path()), QByteArray("1.6\r\n0\r\ns1\r\ns2\r\n2000\r\n1000\r\n2000\r\n2800\r\n"
                                         "<No Skin>\r\n<Default>\r\nFalse\r\n0\r\n0\r\nFalse\r\n"));
    Reader reader;
    QCOMPARE(reader.load(path()), AccountListFile::LoadResult::Loaded);
    QVERIFY(reader.messages.shown.empty());
    QCOMPARE(reader.accounts.size(), 0);
}

void AccountListFileTest::damagedFiles_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("accountsLoaded");

    // A good three-account file, then cut or spoilt at chosen places.
    TestHost host;
    AccountList accounts;
    for (const char* name : {"a", "b", "c"})
        addAccount(host, accounts, name, "pw");
    Blocks blocks;
    QTemporaryDir dir;
    const QString file = dir.filePath("Users/x.svl");
    AccountListFile::Save(file, accounts, blocks.refs());
    const QByteArray good = readAll(file);
    QList<QByteArray> lines = good.split('\n');
    const int header = 2 + 2 + 4 + 1 + 5;
    auto joined = [&](int count) { return lines.mid(0, count).join('\n') + '\n'; };

    QTest::newRow("cut inside the third account") << joined(header + 16 * 2 + 7) << 2;
    QTest::newRow("cut inside the settings block") << joined(3) << 0;
    QTest::newRow("empty file") << QByteArray() << 0;
    QList<QByteArray> spoilt = lines;
    spoilt[header + 16 + 2] = "forty\r"; // timeout of the second account
    QTest::newRow("letters for a number") << spoilt.join('\n') << 1;
    spoilt = lines;
    spoilt[header + 6] = "Maybe\r"; // active line of the first account
    QTest::newRow("not a Boolean") << spoilt.join('\n') << 0;
    spoilt = lines;
    spoilt[header + 5] = "4123\r"; // password
    QTest::newRow("damaged password") << spoilt.join('\n') << 0;
    spoilt = lines;
    spoilt[1] = "three\r";
    QTest::newRow("account count not a number") << spoilt.join('\n') << 0;
    spoilt = lines;
    spoilt[header + 16 * 2 + 8] = "the day after\r"; // date of the third account
    QTest::newRow("unreadable date") << spoilt.join('\n') << 2;
}

void AccountListFileTest::damagedFiles()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, accountsLoaded);
    writeAll(path(), contents);
    Reader reader;
    QCOMPARE(reader.load(path()), AccountListFile::LoadResult::Damaged);
    QCOMPARE(reader.accounts.size(), accountsLoaded);
    QCOMPARE(reader.messages.texts(),
             QStringList{"Corrupt or invalid save file.  Not all of the servers were restored."});
    // Reading never changes the file.
    QCOMPARE(readAll(path()), contents);
}

void AccountListFileTest::missingFileIsSilent()
{
    Reader reader;
    QCOMPARE(reader.load(path()), AccountListFile::LoadResult::Missing);
    QVERIFY(reader.messages.shown.empty());
    QVERIFY(QDir(m_dir->filePath("Users")).exists()); // the folder is made on the way
}

void AccountListFileTest::savedFileIsPrivateAndCrLf()
{
    TestHost host;
    AccountList accounts;
    addAccount(host, accounts, "a", "pw");
    Blocks blocks;
    QVERIFY(AccountListFile::Save(path(), accounts, blocks.refs()));
    QCOMPARE(QFile::permissions(path()) & 0x0077, 0); // nothing for group and others
    QVERIFY(QFile::permissions(path()) & QFileDevice::ReadOwner);
    const QByteArray bytes = readAll(path());
    QCOMPARE(bytes.count("\r\n"), bytes.count('\n'));
    QVERIFY(bytes.contains("\r\n31123119\r\n")); // "pw" encoded
    QVERIFY(!bytes.contains("pw\r\n"));
}

void AccountListFileTest::failedSaveLeavesTheOldFile()
{
    writeAll(path(), "1.6\r\n0\r\nold\r\n");
    TestHost host;
    AccountList accounts;
    for (int i = 0; i < 50; ++i)
        addAccount(host, accounts, QString::number(i), "pw");
    Blocks blocks;
    // A file size limit makes the disk "full" part way through the list,
    // whoever runs the test.
    struct sigaction ignore
    {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction previous
    {};
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 512;
    setrlimit(RLIMIT_FSIZE, &small);
    const bool ok = AccountListFile::Save(path(), accounts, blocks.refs());
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &previous, nullptr);
    QVERIFY(!ok);
    QCOMPARE(readAll(path()), QByteArray("1.6\r\n0\r\nold\r\n"));
    QCOMPARE(QDir(m_dir->filePath("Users")).entryList(QDir::Files), QStringList{"Quorvelanna.svl"});
}

void AccountListFileTest::versionLineReachesTheSettingsReader()
{
    writeAll(path(), "1.0\r\n0\r\ns1\r\ns2\r\n1\r\n2\r\n3\r\n4\r\nskin\r\nq\r\nFalse\r\n0\r\n0\r\n"
                     "False\r\n");
    Reader reader;
    QCOMPARE(reader.load(path()), AccountListFile::LoadResult::Loaded);
    QCOMPARE(reader.blocks.settings.seenVersion, QStringLiteral("1.0"));
    QCOMPARE(reader.blocks.settings.defaultsCalls, 1);
    QCOMPARE(reader.blocks.quickView.defaultsCalls, 1);
    QCOMPARE(reader.blocks.skinDriver.read, QStringList{"skin"});
}

QTEST_GUILESS_MAIN(AccountListFileTest)
#include "AccountListFileTest.moc"
