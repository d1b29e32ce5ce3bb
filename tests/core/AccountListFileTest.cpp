#include "core/AccountListFile.h"

#include "FileHelpers.h"
#include "LineBlock.h"
#include "RecordingMessageBoxes.h"
#include "TestHost.h"
#include "core/AccountList.h"
#include "platform/AnsiText.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

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
        return AccountListFile::load(
            path, accounts, blocks.refs(), [this] { return std::make_unique<server>(host); },
            messages, "Orvane");
    }
};

void writeAll(const QString& path, const QByteArray& bytes)
{
    writeFile(path, bytes, 0600);
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
    void aSecondDamageIsKeptUnderANewName();
    void trailingBlankLinesAreNoDamage();
    void laterLinesFollowTheAccounts();
    void refusedFilesAreLeftAlone_data();
    void refusedFilesAreLeftAlone();
    void textOutsideWindows1252SurvivesASave();
    void windows1252FilesStillLoad();
    void everyValueReadSurvivesItsOwnSave();
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
    QTEST(AccountListFile::pathFor(DataFolders(QStringLiteral("/opt/orvane/")), logon), "path");
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
    QVERIFY(AccountListFile::save(path(), accounts, blocks.refs()));

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
    QVERIFY(AccountListFile::save(path(), accounts, blocks.refs()));
    QCOMPARE(readFile(path()),
             QByteArray("1.6\r\n0\r\ns1\r\ns2\r\n2000\r\n1000\r\n2000\r\n2800\r\n"
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
    QTest::addColumn<bool>("blocksRead");

    // A good three-account file, then cut or spoilt at chosen places.
    TestHost host;
    AccountList accounts;
    for (const char* name : {"a", "b", "c"})
        addAccount(host, accounts, name, "pw");
    Blocks blocks;
    QTemporaryDir dir;
    const QString file = dir.filePath("Users/x.svl");
    AccountListFile::save(file, accounts, blocks.refs());
    const QByteArray good = readFile(file);
    QList<QByteArray> lines = good.split('\n');
    const int header = 2 + 2 + 4 + 1 + 5;
    auto joined = [&](int count) { return lines.mid(0, count).join('\n') + '\n'; };

    QTest::newRow("cut inside the third account") << joined(header + 16 * 2 + 7) << 2 << true;
    QTest::newRow("cut inside the settings block") << joined(3) << 0 << true;
    QTest::newRow("empty file") << QByteArray() << 0 << false;
    QList<QByteArray> spoilt = lines;
    spoilt[header + 16 + 2] = "forty\r"; // timeout of the second account
    QTest::newRow("letters for a number") << spoilt.join('\n') << 1 << true;
    spoilt = lines;
    spoilt[header + 6] = "Maybe\r"; // active line of the first account
    QTest::newRow("not a Boolean") << spoilt.join('\n') << 0 << true;
    spoilt = lines;
    spoilt[header + 5] = "4123\r"; // password
    QTest::newRow("damaged password") << spoilt.join('\n') << 0 << true;
    spoilt = lines;
    spoilt[header + 16 * 2 + 8] = "the day after\r"; // date of the third account
    QTest::newRow("unreadable date") << spoilt.join('\n') << 2 << true;
    // Read as short forms, these would be saved as text the next start refuses.
    for (const char* date : {"5/6/-2024", "6.5.-2024", "10000-01-01", "1/1/0"}) {
        spoilt = lines;
        spoilt[header + 16 + 8] = QByteArray(date) + '\r';
        QTest::addRow("year of '%s'", date) << spoilt.join('\n') << 1 << true;
    }
    spoilt = lines;
    spoilt[header + 16] = QByteArray(70000, 'n') + '\r'; // name of the second account
    QTest::newRow("line over the length limit") << spoilt.join('\n') << 1 << true;
    // Blocks after a damaged count would be read at the wrong lines.
    for (const char* count : {"three", "-1", ""}) {
        spoilt = lines;
        spoilt[1] = QByteArray(count) + '\r';
        QTest::addRow("account count '%s'", count) << spoilt.join('\n') << 0 << false;
    }
    spoilt = lines;
    spoilt[1] = "2\r";
    QTest::newRow("fewer counted than there are") << spoilt.join('\n') << 2 << true;
    QByteArray crOnly = good;
    QTest::newRow("CR line ends") << crOnly.replace("\r\n", "\r") << 0 << false;
    const QString text = QString::fromLatin1(good);
    QTest::newRow("UTF-16") << QByteArray(reinterpret_cast<const char*>(text.utf16()),
                                          text.size() * 2)
                            << 0 << false;
}

void AccountListFileTest::damagedFiles()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, accountsLoaded);
    QFETCH(bool, blocksRead);
    writeAll(path(), contents);
    Reader reader;
    QCOMPARE(reader.load(path()), AccountListFile::LoadResult::Damaged);
    QCOMPARE(reader.accounts.size(), accountsLoaded);
    QCOMPARE(!reader.blocks.settings.read.isEmpty(), blocksRead);
    const QString kept = path() + QStringLiteral(".damaged");
    QCOMPARE(reader.messages.texts(),
             QStringList{"Corrupt or invalid save file.  Not all of the servers were restored."
                         "\n\nThe file as it was is kept as \"" +
                         kept + "\"."});
    // Reading never changes the file, and the next save cannot lose it.
    QCOMPARE(readFile(path()), contents);
    QCOMPARE(readFile(kept), contents);
    QCOMPARE(QFile::permissions(kept) & 0x0077, 0);
}

void AccountListFileTest::aSecondDamageIsKeptUnderANewName()
{
    writeAll(path(), "1.6\r\nfirst\r\n");
    Reader first;
    QCOMPARE(first.load(path()), AccountListFile::LoadResult::Damaged);
    writeAll(path(), "1.6\r\nsecond\r\n");
    Reader second;
    QCOMPARE(second.load(path()), AccountListFile::LoadResult::Damaged);
    QVERIFY(second.messages.texts().value(0).endsWith(".damaged.1\"."));
    QCOMPARE(readFile(path() + ".damaged"), QByteArray("1.6\r\nfirst\r\n"));
    QCOMPARE(readFile(path() + ".damaged.1"), QByteArray("1.6\r\nsecond\r\n"));

    // A list far larger than any real one is damaged, not read into memory.
    QFile huge(path());
    QVERIFY(huge.open(QIODevice::ReadWrite));
    QVERIFY(huge.resize(AnsiLineReader::kMaxFileBytes + 1));
    huge.close();
    Reader third;
    QCOMPARE(third.load(path()), AccountListFile::LoadResult::Damaged);
    QCOMPARE(QFileInfo(path() + ".damaged.2").size(), AnsiLineReader::kMaxFileBytes + 1);
}

void AccountListFileTest::trailingBlankLinesAreNoDamage()
{
    AccountList accounts;
    Blocks blocks;
    QVERIFY(AccountListFile::save(path(), accounts, blocks.refs()));
    writeAll(path(), readFile(path()) + "\r\n\r\n");
    Reader reader;
    QCOMPARE(reader.load(path()), AccountListFile::LoadResult::Loaded);
    QVERIFY(reader.messages.shown.empty());
}

void AccountListFileTest::laterLinesFollowTheAccounts()
{
    TestHost host;
    AccountList accounts;
    addAccount(host, accounts, "a", "pw");
    Blocks blocks;
    blocks.settings.later = QStringList{"s3"};
    blocks.quickBar.later = QStringList{"q6"};
    QVERIFY(AccountListFile::save(path(), accounts, blocks.refs()));
    const QByteArray saved = readFile(path());
    // A reader that stops after the counted accounts never meets them.
    QVERIFY(saved.endsWith("True\r\ns3\r\nq6\r\n"));
    Reader reader;
    reader.blocks.settings.later = reader.blocks.quickBar.later = QStringList{"-"};
    QCOMPARE(reader.load(path()), AccountListFile::LoadResult::Loaded);
    QCOMPARE(reader.blocks.settings.laterRead, QStringList{"s3"});
    QCOMPARE(reader.blocks.quickBar.laterRead, QStringList{"q6"});

    // A file written before they existed loads whole and quietly.
    writeAll(path(), saved.left(saved.size() - 8));
    Reader older;
    older.blocks.settings.later = QStringList{"-"};
    QCOMPARE(older.load(path()), AccountListFile::LoadResult::Loaded);
    QVERIFY(older.messages.shown.empty());
    QCOMPARE(older.accounts.size(), 1);
    QVERIFY(older.blocks.settings.laterRead.isEmpty());
}

void AccountListFileTest::refusedFilesAreLeftAlone_data()
{
    // 0 group-writable, 1 link, 2 another user's, 3 a folder, 4 cannot be read
    QTest::addColumn<int>("planted");
    QTest::addColumn<QString>("reason");
    QTest::newRow("others may change it") << 0 << "other users may change it";
    QTest::newRow("a link") << 1 << "it is a symbolic link";
    QTest::newRow("another user's file") << 2 << "it belongs to another user";
    QTest::newRow("a folder") << 3 << "it is not a regular file";
    QTest::newRow("cannot be read") << 4 << "cannot be read: Not a directory";
}

void AccountListFileTest::refusedFilesAreLeftAlone()
{
    QFETCH(int, planted);
    QFETCH(QString, reason);
    AccountList accounts;
    Blocks blocks;
    const QString good = m_dir->filePath("good.svl");
    QVERIFY(AccountListFile::save(good, accounts, blocks.refs()));
    switch (planted) {
    case 0:
        writeFile(path(), readFile(good), 0666);
        break;
    case 1:
        QVERIFY(QDir().mkpath(m_dir->filePath("Users")));
        QVERIFY(QFile::link(good, path()));
        break;
    case 2:
        if (!runsAsRoot())
            QSKIP("Only root can give a file to another user.");
        writeFile(path(), readFile(good), 0600);
        QCOMPARE(::chown(QFile::encodeName(path()).constData(), nobodyUid(), gid_t(-1)), 0);
        break;
    case 3:
        QVERIFY(QDir().mkpath(path()));
        break;
    default:
        // An I/O error on the way to the file, whoever runs the test.
        writeFile(m_dir->filePath("Users"), "not a folder");
    }
    Reader reader;
    QCOMPARE(reader.load(path()), AccountListFile::LoadResult::Refused);
    QVERIFY(reader.blocks.settings.read.isEmpty());
    QCOMPARE(reader.messages.shown.size(), size_t(1));
    QCOMPARE(reader.messages.shown[0].icon, MessageBoxes::Icon::Warning);
    const QString text = reader.messages.shown[0].text;
    QVERIFY2(text.contains(path()) && text.contains(reason) &&
                 text.contains("will not be saved over"),
             qPrintable(text));
    QVERIFY(!QFileInfo::exists(path() + ".damaged"));
}

void AccountListFileTest::textOutsideWindows1252SurvivesASave()
{
    const QString world = QString::fromUtf8("Иван Ελένη 東京 \xF0\x9F\x93\xAC");
    TestHost host;
    AccountList accounts;
    auto account = std::make_unique<server>(host);
    account->CreateServer(world, "pop.example.org", 60, 600, world, world + "\u00e4\u20ac", false,
                          0, true, "/home/" + world + "/notify.wav", false);
    accounts.append(std::move(account));
    Blocks blocks;
    blocks.settings.lines = {"/home/Иван/Orvane/notify.wav"};
    QVERIFY(AccountListFile::save(path(), accounts, blocks.refs()));
    QVERIFY(readFile(path()).contains(QString::fromUtf8("/home/Иван/").toUtf8()));

    Reader reader;
    reader.blocks.settings.lines = blocks.settings.lines;
    QCOMPARE(reader.load(path()), AccountListFile::LoadResult::Loaded);
    QCOMPARE(reader.blocks.settings.read, blocks.settings.lines);
    const server& loaded = reader.accounts.at(0);
    QCOMPARE(loaded.GetName(), world);
    QCOMPARE(loaded.GetUsername(), world);
    QCOMPARE(loaded.GetPassword(), world + "\u00e4\u20ac");
    QCOMPARE(loaded.GetCustWave(), "/home/" + world + "/notify.wav");
}

void AccountListFileTest::windows1252FilesStillLoad()
{
    // As an earlier version wrote it: the name in Windows-1252, the password
    // as the codes of that code page ("ä€").
    QByteArray old =
        "1.6\r\n1\r\ns1\r\ns2\r\n2000\r\n1000\r\n2000\r\n2800\r\n<No Skin>\r\n"
        "<Default>\r\nFalse\r\n0\r\n0\r\nFalse\r\n"
        "M\xe4 \x80\r\npop.example.org\r\n60\r\n600\r\nj\xfcrgen\r\n32283128\r\nTrue\r\n"
        "00:00:00\r\n1899-12-30\r\nFalse\r\n0\r\n0\r\nFalse\r\nFalse\r\n\r\nFalse\r\n";
    writeAll(path(), old);
    Reader reader;
    QCOMPARE(reader.load(path()), AccountListFile::LoadResult::Loaded);
    const server& loaded = reader.accounts.at(0);
    QCOMPARE(loaded.GetName(), QString::fromUtf8("Mä €"));
    QCOMPARE(loaded.GetUsername(), QString::fromUtf8("jürgen"));
    QCOMPARE(loaded.GetPassword(), QString::fromUtf8("ä€"));
}

namespace {

// The texts a hand-edited or older list may hold for one kind of value: the
// forms the readers know, with values inside, at and past their limits.
QString pick(QRandomGenerator& random, const QStringList& from)
{
    return from.at(random.bounded(int(from.size())));
}

QString number(QRandomGenerator& random)
{
    static const QStringList limits{"0",           "-1",          "32767",      "32768",
                                    "-32769",      "2147483647",  "2147483648", "-2147483648",
                                    "-2147483649", "99999999999", "007",        "+5"};
    if (random.bounded(2))
        return pick(random, limits);
    return QString::number(random.bounded(-100000, 100000));
}

QString boolean(QRandomGenerator& random)
{
    return pick(random, {"True", "False", "true", "FALSE", "0", "1", "-2", "0.0", "2.5", "1e3",
                         " True ", "tRuE"});
}

QString time(QRandomGenerator& random)
{
    const int h = random.bounded(26);
    const int m = random.bounded(61);
    const int s = random.bounded(61);
    const auto two = [](int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    const QString ap = h < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
    switch (random.bounded(6)) {
    case 0:
        return two(h) + ':' + two(m) + ':' + two(s);
    case 1:
        return QString::number(h) + ':' + two(m);
    case 2:
        return QString::number(h % 12 == 0 ? 12 : h % 12) + ':' + two(m) + ':' + two(s) + ' ' + ap;
    case 3:
        return QString::number(h % 13) + ':' + two(m) + ' ' + ap.toLower();
    case 4:
        return "2024-05-06T" + two(h) + ':' + two(m) + ':' + two(s) + '.' +
               QString::number(random.bounded(1000));
    default:
        return ' ' + two(h) + ':' + two(m) + ':' + two(s) + "+02:00";
    }
}

QString date(QRandomGenerator& random)
{
    static const QList<int> years{-2024, -1,  0,    1,    26,   49,   50,    99,
                                  100,   999, 1899, 1950, 2026, 9999, 10000, 12345};
    const int y = random.bounded(2) ? years.at(random.bounded(int(years.size())))
                                    : random.bounded(-20000, 20000);
    const QString year = QString::number(y);
    const QString d = QString::number(random.bounded(1, 33));
    const QString m = QString::number(random.bounded(1, 14));
    switch (random.bounded(7)) {
    case 0:
        return QStringLiteral("%1-%2-%3")
            .arg(y, 4, 10, QLatin1Char('0'))
            .arg(m.rightJustified(2, '0'), d.rightJustified(2, '0'));
    case 1:
        return m + '/' + d + '/' + year;
    case 2:
        return d + '.' + m + '.' + year;
    case 3:
        return d + '-' + m + '-' + year;
    case 4:
        return year + '/' + m + '/' + d;
    case 5:
        return m + '/' + d + '/' + QString::number(y % 100);
    default:
        return ' ' + d + '.' + m + '.' + year.right(2) + ' ';
    }
}

// What one account holds after a load, field by field, for comparing loads.
QStringList fieldsOf(const server& account)
{
    return {QString::number(account.GetTimeout()),
            QString::number(account.GetInterval()),
            boolText(account.IsActive()),
            account.lastTime().toString(Qt::ISODateWithMs),
            account.lastDate().toString(Qt::ISODate),
            boolText(account.checkedOnce()),
            QString::number(account.baseline()),
            QString::number(account.GetMin()),
            boolText(account.IsMinOn()),
            boolText(account.IsCustWaveOn()),
            boolText(account.IsNewMailOnly())};
}

} // namespace

void AccountListFileTest::everyValueReadSurvivesItsOwnSave()
{
    // Whatever a reader accepts, its own save must write in a form the next
    // start reads back as the same value; a value that cannot be written so
    // is damage at the first read, while the user's file is still kept.
    QRandomGenerator random(28);
    const QByteArray frame = "1.6\r\n1\r\ns1\r\ns2\r\n1\r\n2\r\n3\r\n4\r\nskin\r\nq\r\nFalse\r\n"
                             "0\r\n0\r\nFalse\r\n";
    int loaded = 0;
    int damaged = 0;
    for (int round = 0; round < 500; ++round) {
        const QStringList fields{"name",
                                 "pop.example.org",
                                 number(random),
                                 number(random),
                                 "user",
                                 "",
                                 boolean(random),
                                 time(random),
                                 date(random),
                                 boolean(random),
                                 number(random),
                                 number(random),
                                 boolean(random),
                                 boolean(random),
                                 "",
                                 boolean(random)};
        const QString tag = fields.join(QStringLiteral(" | "));
        QFile::remove(path());
        QFile::remove(path() + ".damaged");
        writeAll(path(), frame + encodeLines(fields));
        Reader first;
        const AccountListFile::LoadResult result = first.load(path());
        if (result == AccountListFile::LoadResult::Damaged) {
            QVERIFY2(first.accounts.size() == 0, qPrintable(tag));
            ++damaged;
            continue;
        }
        QVERIFY2(result == AccountListFile::LoadResult::Loaded, qPrintable(tag));
        ++loaded;
        QVERIFY2(AccountListFile::save(path(), first.accounts, first.blocks.refs()),
                 qPrintable(tag));
        Reader second;
        QVERIFY2(second.load(path()) == AccountListFile::LoadResult::Loaded,
                 qPrintable(tag + "\n" + QString::fromUtf8(readFile(path()))));
        QVERIFY2(fieldsOf(second.accounts.at(0)) == fieldsOf(first.accounts.at(0)),
                 qPrintable(tag + "\nfirst:  " + fieldsOf(first.accounts.at(0)).join(' ') +
                            "\nsecond: " + fieldsOf(second.accounts.at(0)).join(' ')));
    }
    // The Quick Bar's place is read as a fraction too and written whole.
    for (const char* text : {"-7", "1.5", "-2.5", "1e3", " 2147483647.4 ", "2147483647.6",
                             "-2147483647.5", "-2147483648.5", "nan", "inf", "0x10"}) {
        qint32 first = 0;
        qint32 second = 0;
        if (!AnsiLineReader(text).readTwips(first))
            continue;
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        AnsiLineWriter(buffer).writeNumber(first);
        QVERIFY2(AnsiLineReader(buffer.data()).readTwips(second) && second == first, text);
    }
    // Both ways out were taken often enough to mean something.
    QVERIFY2(loaded > 50 && damaged > 50,
             qPrintable(QStringLiteral("%1 loaded, %2 damaged").arg(loaded).arg(damaged)));
}

void AccountListFileTest::missingFileIsSilent()
{
    // A save killed between writing and renaming leaves a whole temporary;
    // the user's own copies next to the list are theirs.
    writeAll(path() + ".tmp-Ab12Cd", "1.6\r\n");
    writeAll(path() + ".backup", "1.6\r\n");
    QFile::remove(path());
    Reader reader;
    QCOMPARE(reader.load(path()), AccountListFile::LoadResult::Missing);
    QVERIFY(reader.messages.shown.empty());
    QVERIFY(QDir(m_dir->filePath("Users")).exists()); // the folder is made on the way
    QVERIFY(!QFileInfo::exists(path() + ".tmp-Ab12Cd"));
    QCOMPARE(readFile(path() + ".backup"), QByteArray("1.6\r\n"));
}

void AccountListFileTest::savedFileIsPrivateAndCrLf()
{
    TestHost host;
    AccountList accounts;
    addAccount(host, accounts, "a", "pw");
    Blocks blocks;
    QVERIFY(AccountListFile::save(path(), accounts, blocks.refs()));
    QCOMPARE(QFile::permissions(path()) & 0x0077, 0); // nothing for group and others
    QVERIFY(QFile::permissions(path()) & QFileDevice::ReadOwner);
    const QByteArray bytes = readFile(path());
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
    QString error;
    bool ok = false;
    {
        // The disk is "full" part way through the list, whoever runs the test.
        const FileSizeLimit limit(512);
        ok = AccountListFile::save(path(), accounts, blocks.refs(), &error);
    }
    QVERIFY2(error.contains("large"), qPrintable(error));
    QVERIFY(!ok);
    QCOMPARE(readFile(path()), QByteArray("1.6\r\n0\r\nold\r\n"));
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
