#include "core/NotifierApp.h"

#include "FakeLogonName.h"
#include "FakeOptions.h"
#include "FakeProgramInstance.h"
#include "FakeTrayIcon.h"
#include "FileHelpers.h"
#include "LineBlock.h"
#include "RecordingMessageBoxes.h"
#include "RecordingProgramWindows.h"
#include "RecordingSoundPlayer.h"
#include "ScriptedChecker.h"
#include "VirtualClock.h"
#include "core/Indicators.h"
#include "core/MailCore.h"
#include "core/ProgramWindows.h"
#include "core/stForm.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <stdexcept>

using namespace orvane;
using namespace orvane::test;

namespace {

/// One notifier on doubles, in a program folder of its own.
struct Rig
{
    explicit Rig(const QString& folder) : Rig(DataFolders(folder)) {}
    explicit Rig(DataFolders folders)
        : folders(std::move(folders)), folder(this->folders.programFolder().chopped(1))
    {}

    NotifierApp& app()
    {
        if (!notifier) {
            notifier = std::make_unique<NotifierApp>(
                folders, NotifierServices{clock, logon, messages, tray, instance, sound},
                NotifierParts{options,
                              {settings, quickView, skinDriver, quickBar},
                              indicators,
                              windows,
                              checkers});
        }
        return *notifier;
    }
    QString listPath() const { return folder + "/Users/Quorvelanna.svl"; }

    DataFolders folders;
    QString folder;
    VirtualClock clock;
    FakeLogonName logon;
    RecordingMessageBoxes messages;
    FakeTrayIcon tray;
    FakeProgramInstance instance;
    RecordingSoundPlayer sound;
    FakeOptions options;
    LineBlock settings{{"settings"}};
    LineBlock quickView{{"1", "2", "3", "4"}};
    LineBlock skinDriver{{"<No Skin>"}};
    LineBlock quickBar{{"<Default>", "False", "0", "0", "False"}};
    Indicators indicators;
    RecordingProgramWindows windows;
    ScriptedCheckers checkers;
    std::unique_ptr<NotifierApp> notifier;
};

QByteArray listWithAccounts(int count)
{
    QByteArray text = "1.6\r\n" + QByteArray::number(count) +
                      "\r\nsettings\r\n1\r\n2\r\n3\r\n4\r\n<No Skin>\r\n<Default>\r\nFalse\r\n0\r\n"
                      "0\r\nFalse\r\n";
    for (int i = 0; i < count; ++i) {
        text += "acct" + QByteArray::number(i) +
                "\r\npop.example.org\r\n60\r\n600\r\nuser\r\n3112\r\nTrue\r\n00:00:00\r\n"
                "1899-12-30\r\nFalse\r\n0\r\n0\r\nFalse\r\nFalse\r\n\r\nFalse\r\n";
    }
    return text;
}

} // namespace

class NotifierAppTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void secondInstanceTouchesNothing();
    void firstStartForANewUser();
    void shutdownRunsOnceWhicheverWayItIsEntered_data();
    void shutdownRunsOnceWhicheverWayItIsEntered();
    void refusedTraySavesAndEnds();
    void lateTrayHostIsWaitedFor();
    void accountsAreCheckedAtStartWhenChosen_data();
    void accountsAreCheckedAtStartWhenChosen();
    void damagedListKeepsWhatWasReadAndSavesIt();
    void shutdownWhileTheDamageBoxIsUp();
    void listsNotSavedAreReported_data();
    void listsNotSavedAreReported();
    void listIsSavedWhenAskedOrOnAFault_data();
    void listIsSavedWhenAskedOrOnAFault();
    void trayMenuReachesTheCheckCycle();
    void burstOfChangesIsSavedOnceSoon();
    void trayPreferencesReachTheDiskSoon_data();
    void trayPreferencesReachTheDiskSoon();
    void importCopiesAListOnlyForAUserWithout_data();
    void importCopiesAListOnlyForAUserWithout();
    void commandLineAsksForAnImport_data();
    void commandLineAsksForAnImport();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void NotifierAppTest::secondInstanceTouchesNothing()
{
    Rig rig(m_dir->path());
    rig.instance.otherInstanceRuns = true;
    QVERIFY(!rig.app().Start());
    QVERIFY(!QDir(m_dir->filePath("Users")).exists());
    QCOMPARE(rig.tray.addCalls, 0);
    rig.app().Shutdown(); // nothing was started, so nothing is written
    QVERIFY(
        QDir(m_dir->path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

void NotifierAppTest::firstStartForANewUser()
{
    Rig rig(m_dir->path());
    QSignalSpy finished(&rig.app(), &NotifierApp::finished);
    QVERIFY(rig.app().Start());
    QVERIFY(QDir(m_dir->filePath("Users")).exists());
    QVERIFY(rig.tray.added);
    QCOMPARE(rig.tray.toolTip, QStringLiteral("Orvane - No mail"));
    QCOMPARE(rig.app().accounts().size(), 0);
    QVERIFY(rig.messages.shown.empty());
    QCOMPARE(rig.windows.calls, (QStringList{"CreateWindows", "AfterListLoaded(false)"}));

    rig.tray.trigger(QStringLiteral("stMenuExit"));
    QCOMPARE(finished.count(), 1);
    QVERIFY(!rig.tray.added);
    QCOMPARE(readFile(rig.listPath()),
             QByteArray("1.6\r\n0\r\nsettings\r\n1\r\n2\r\n3\r\n4\r\n<No Skin>\r\n<Default>\r\n"
                        "False\r\n0\r\n0\r\nFalse\r\n"));
    QCOMPARE(readFile(m_dir->filePath("Zarnik.cfg")), QByteArray("anna\r\nTrue\r\n"));
    QCOMPARE(rig.windows.calls.last(), QStringLiteral("UnloadWindows"));
}

void NotifierAppTest::shutdownRunsOnceWhicheverWayItIsEntered_data()
{
    QTest::addColumn<QString>("first");
    QTest::newRow("tray Exit") << "exit";
    QTest::newRow("outside request") << "request";
    QTest::newRow("direct call") << "call";
}

void NotifierAppTest::shutdownRunsOnceWhicheverWayItIsEntered()
{
    QFETCH(QString, first);
    Rig rig(m_dir->path());
    QSignalSpy finished(&rig.app(), &NotifierApp::finished);
    QVERIFY(rig.app().Start());
    auto enter = [&](const QString& way) {
        if (way == "exit")
            rig.tray.trigger(QStringLiteral("stMenuExit"));
        else if (way == "request")
            rig.instance.requestShutdown();
        else
            rig.app().Shutdown();
    };
    enter(first);
    QVERIFY(QFile::exists(rig.listPath()));
    QVERIFY(QFile::remove(rig.listPath()));
    for (const char* way : {"exit", "request", "call"})
        enter(QString::fromLatin1(way));
    QCOMPARE(finished.count(), 1);
    QVERIFY(!QFile::exists(rig.listPath()));
    QCOMPARE(rig.windows.calls.count("UnloadWindows"), 1);
}

void NotifierAppTest::refusedTraySavesAndEnds()
{
    Rig rig(m_dir->path());
    rig.tray.accepts = false;
    QSignalSpy finished(&rig.app(), &NotifierApp::finished);
    QVERIFY(rig.app().Start());
    QCOMPARE(rig.messages.texts(),
             QStringList{"Critical Error: Unable to add icon to System Tray."});
    QCOMPARE(finished.count(), 1);
    QVERIFY(QFile::exists(rig.listPath()));
}

void NotifierAppTest::lateTrayHostIsWaitedFor()
{
    QDir().mkpath(m_dir->filePath("Users"));
    {
        QFile file(m_dir->filePath("Users/Quorvelanna.svl"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(listWithAccounts(1));
    }
    Rig rig(m_dir->path());
    rig.options.checkOnStartup = true;
    rig.tray.available = false;
    QSignalSpy finished(&rig.app(), &NotifierApp::finished);
    QVERIFY(rig.app().Start());
    // The accounts are checked while the tray host is still coming up.
    QCOMPARE(rig.checkers.count(), 1);
    rig.clock.advanceSeconds(59);
    QVERIFY(!rig.tray.added);
    rig.tray.available = true;
    rig.clock.advanceSeconds(1);
    QVERIFY(rig.tray.added);
    QVERIFY(rig.messages.shown.empty());
    QCOMPARE(finished.count(), 0);

    Rig never(m_dir->path() + "/other");
    never.tray.available = false;
    QSignalSpy neverFinished(&never.app(), &NotifierApp::finished);
    QVERIFY(never.app().Start());
    never.clock.advanceSeconds(59);
    QCOMPARE(neverFinished.count(), 0);
    never.clock.advanceSeconds(1);
    QCOMPARE(never.messages.texts(),
             QStringList{"Critical Error: Unable to add icon to System Tray."});
    QCOMPARE(neverFinished.count(), 1);
}

void NotifierAppTest::accountsAreCheckedAtStartWhenChosen_data()
{
    QTest::addColumn<bool>("checkOnStartup");
    QTest::addColumn<int>("checks");
    QTest::newRow("check at start-up") << true << 3;
    QTest::newRow("wait for the interval") << false << 0;
}

void NotifierAppTest::accountsAreCheckedAtStartWhenChosen()
{
    QFETCH(bool, checkOnStartup);
    QDir().mkpath(m_dir->filePath("Users"));
    {
        QFile file(m_dir->filePath("Users/Quorvelanna.svl"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(listWithAccounts(3));
    }
    Rig rig(m_dir->path());
    rig.options.checkOnStartup = checkOnStartup;
    QVERIFY(rig.app().Start());
    QCOMPARE(rig.messages.texts(), QStringList{});
    QCOMPARE(rig.app().accounts().size(), 3);
    QTEST(rig.checkers.count(), "checks");
    if (checkOnStartup) {
        QCOMPARE(rig.checkers.last()->address, QStringLiteral("pop.example.org"));
        QCOMPARE(rig.checkers.last()->password, QStringLiteral("p"));
        QCOMPARE(rig.app().core().checksUnderWay(), 3);
    }
    QCOMPARE(rig.windows.calls, (QStringList{"CreateWindows", "AfterListLoaded(true)"}));
}

void NotifierAppTest::damagedListKeepsWhatWasReadAndSavesIt()
{
    QDir().mkpath(m_dir->filePath("Users"));
    QByteArray text = listWithAccounts(3);
    text.chop(40); // cut inside the third account
    {
        QFile file(m_dir->filePath("Users/Quorvelanna.svl"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    Rig rig(m_dir->path());
    QVERIFY(rig.app().Start());
    QCOMPARE(rig.app().accounts().size(), 2);
    QVERIFY(rig.messages.texts().value(0).startsWith(
        "Corrupt or invalid save file.  Not all of the servers were restored."));
    rig.app().Shutdown();
    QCOMPARE(readFile(rig.listPath()).left(8), QByteArray("1.6\r\n2\r\n"));
    QCOMPARE(readFile(rig.listPath() + ".damaged"), text);
}

void NotifierAppTest::shutdownWhileTheDamageBoxIsUp()
{
    const QByteArray text = listWithAccounts(3).replace("1.6\r\n3\r\n", "1.6\r\n4\r\n");
    writeFile(m_dir->filePath("Users/Quorvelanna.svl"), text);
    Rig rig(m_dir->path());
    QSignalSpy finished(&rig.app(), &NotifierApp::finished);
    // SIGTERM, Util.Shutdown or the session's end, while the box waits.
    rig.messages.whileShown = [&rig] {
        rig.instance.requestShutdown();
        rig.instance.requestShutdown();
    };
    QVERIFY(rig.app().Start());
    QCOMPARE(rig.messages.closeCalls, 1);
    QCOMPARE(finished.count(), 1);
    QVERIFY(rig.app().isShutDown());
    // The start does not go on after the box.
    QCOMPARE(rig.tray.addCalls, 0);
    QCOMPARE(readFile(rig.listPath()).left(8), QByteArray("1.6\r\n3\r\n"));
    QCOMPARE(readFile(rig.listPath() + ".damaged"), text);
}

void NotifierAppTest::listsNotSavedAreReported_data()
{
    QTest::addColumn<bool>("loadRefused");
    QTest::addColumn<QString>("warning");
    QTest::newRow("not loaded, so not saved over")
        << true << "was not loaded, so it is left as it is";
    QTest::newRow("disk full") << false << "could not be saved to .*: File too large";
}

void NotifierAppTest::listsNotSavedAreReported()
{
    QFETCH(bool, loadRefused);
    QFETCH(QString, warning);
    const QByteArray text = listWithAccounts(1);
    writeFile(m_dir->filePath("Users/Quorvelanna.svl"), text, loadRefused ? 0666 : 0600);
    Rig rig(m_dir->path());
    QVERIFY(rig.app().Start());
    QCOMPARE(rig.app().accounts().size(), loadRefused ? 0 : 1);
    for (int i = 0; i < 20; ++i)
        rig.app().accounts().append(rig.app().newAccount());
    // A session checkpoint and the end alike.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
    {
        const FileSizeLimit limit(text.size());
        rig.instance.requestSave();
        rig.app().Shutdown();
    }
    QCOMPARE(readFile(rig.listPath()), text);
    QCOMPARE(QDir(m_dir->filePath("Users")).entryList(QDir::Files), QStringList{"Quorvelanna.svl"});
}

void NotifierAppTest::listIsSavedWhenAskedOrOnAFault_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("ends");
    QTest::newRow("session checkpoint or cancelled log-out") << "checkpoint" << false;
    QTest::newRow("menu action that throws") << "fault" << true;
}

void NotifierAppTest::listIsSavedWhenAskedOrOnAFault()
{
    QFETCH(QString, way);
    QFETCH(bool, ends);
    Rig rig(m_dir->path());
    QSignalSpy finished(&rig.app(), &NotifierApp::finished);
    QVERIFY(rig.app().Start());
    rig.app().setStartAtLogon(false); // a change made since the start
    if (way == "checkpoint") {
        rig.instance.requestSave();
    } else {
        rig.windows.failToggle = true;
        rig.tray.trigger(QStringLiteral("stMenuSettings"));
        QCOMPARE(rig.messages.texts().size(), 1);
        QVERIFY(rig.messages.texts().first().startsWith("Critical Error.\r\n"));
    }
    QVERIFY(QFile::exists(rig.listPath()));
    QCOMPARE(readFile(m_dir->filePath("Zarnik.cfg")), QByteArray("anna\r\nFalse\r\n"));
    QCOMPARE(finished.count(), ends ? 1 : 0);
    QCOMPARE(rig.tray.added, !ends);

    // Saving on the way does not use up the one shutdown.
    QVERIFY(QFile::remove(rig.listPath()));
    rig.app().Shutdown();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(QFile::exists(rig.listPath()), !ends);
}

void NotifierAppTest::trayMenuReachesTheCheckCycle()
{
    QDir().mkpath(m_dir->filePath("Users"));
    {
        QFile file(m_dir->filePath("Users/Quorvelanna.svl"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(listWithAccounts(1));
    }
    Rig rig(m_dir->path());
    QVERIFY(rig.app().Start());
    // Each pass finds the same two messages; only the user's own "Check All
    // Servers" announces them again.
    for (int pass = 1; pass <= 2; ++pass) {
        rig.tray.trigger(QStringLiteral("stMenuCheck"));
        QCOMPARE(rig.checkers.count(), pass);
        QCOMPARE(rig.tray.toolTip, QStringLiteral("Orvane - Checking For Mail..."));
        QVERIFY(!rig.tray.entry(QStringLiteral("stMenuCheck"))->enabled);
        rig.checkers.last()->found(2);
        QCOMPARE(rig.tray.toolTip, QStringLiteral("Orvane - 2 Messages Found."));
        QVERIFY(rig.tray.entry(QStringLiteral("stMenuCheck"))->enabled);
        QCOMPARE(rig.sound.played.size(), pass);
    }
    rig.tray.trigger(QStringLiteral("stMenuClear"));
    QCOMPARE(rig.app().core().TotalCount(), 0);
    QVERIFY(!rig.app().accounts().at(0).NewMail());
    QVERIFY(rig.app().core().playedSounds().isEmpty());

    // "Run E-Mail Client" clears what a later pass found once the program runs.
    rig.tray.trigger(QStringLiteral("stMenuCheck"));
    rig.checkers.last()->found(3);
    rig.options.runResult = true;
    rig.tray.trigger(QStringLiteral("stMenuRun"));
    QCOMPARE(rig.options.runCalls.back(), true);
    QCOMPARE(rig.app().core().TotalCount(), 3);
    rig.options.reportRuns(true);
    QCOMPARE(rig.app().core().TotalCount(), 0);
    QCOMPARE(rig.tray.toolTip, QStringLiteral("Orvane - No Mail."));
}

void NotifierAppTest::burstOfChangesIsSavedOnceSoon()
{
    Rig rig(m_dir->path());
    QVERIFY(rig.app().Start());
    QVERIFY(!QFile::exists(rig.listPath()));

    // Changes keep coming: the first save is not put off by the later ones.
    for (int i = 0; i < 5; ++i) {
        rig.app().scheduleSave();
        rig.clock.advance(NotifierApp::kSaveDelayMs / 4);
    }
    QVERIFY(QFile::exists(rig.listPath()));
    QVERIFY(QFile::remove(rig.listPath()));
    rig.clock.advance(NotifierApp::kSaveDelayMs);
    QVERIFY2(QFile::exists(rig.listPath()), "the changes after the first save are saved too");
    QVERIFY(QFile::remove(rig.listPath()));
    rig.clock.advance(NotifierApp::kSaveDelayMs * 10);
    QVERIFY2(!QFile::exists(rig.listPath()), "no save without a change");

    // A save still pending at shutdown does not write over the files later.
    rig.app().scheduleSave();
    rig.app().Shutdown();
    QVERIFY(QFile::remove(rig.listPath()));
    rig.clock.advance(NotifierApp::kSaveDelayMs * 2);
    QVERIFY(!QFile::exists(rig.listPath()));
}

void NotifierAppTest::trayPreferencesReachTheDiskSoon_data()
{
    QTest::addColumn<QString>("item");
    QTest::newRow("Quick Bar") << "stMenuBar";
    QTest::newRow("Quick Bar - Always On Top") << "stMenuOnTop";
    QTest::newRow("Reset Quick Bar Position") << "stMenuResetPos";
    QTest::newRow("Load Orvane On Startup") << "stMenuLOS";
    QTest::newRow("not a preference") << "stMenuClear";
}

void NotifierAppTest::trayPreferencesReachTheDiskSoon()
{
    QFETCH(QString, item);
    Rig rig(m_dir->path());
    QVERIFY(rig.app().Start());
    QVERIFY(!QFile::exists(rig.listPath()));
    rig.tray.trigger(item);
    rig.clock.advance(5000);
    const bool preference = item != QLatin1String("stMenuClear");
    QCOMPARE(QFile::exists(rig.listPath()), preference);
    if (item == QLatin1String("stMenuLOS"))
        QCOMPARE(readFile(m_dir->filePath("Zarnik.cfg")), QByteArray("anna\r\nFalse\r\n"));
}

void NotifierAppTest::importCopiesAListOnlyForAUserWithout_data()
{
    QTest::addColumn<int>("accountsThere"); // -1: no list yet
    QTest::addColumn<bool>("sourceThere");
    QTest::addColumn<bool>("otherInstance");
    QTest::addColumn<int>("accountsAfter"); // in the user's list; -1: none
    QTest::addColumn<bool>("started");

    QTest::newRow("first start") << -1 << true << false << 2 << true;
    QTest::newRow("a list of the user's already") << 1 << true << false << 1 << false;
    QTest::newRow("no such file") << -1 << false << false << -1 << false;
    // The running notifier would save its own list over the copy.
    QTest::newRow("another notifier runs") << -1 << true << true << -1 << false;
}

void NotifierAppTest::importCopiesAListOnlyForAUserWithout()
{
    QFETCH(int, accountsThere);
    QFETCH(bool, sourceThere);
    QFETCH(bool, otherInstance);
    QFETCH(int, accountsAfter);
    QFETCH(bool, started);
    const QString old = m_dir->filePath(QStringLiteral("old/Users/Quorvelanna.svl"));
    const QString data = m_dir->filePath(QStringLiteral("data"));
    if (sourceThere)
        writeFile(old, listWithAccounts(2), 0644);
    // The program folder is not the user's: nothing goes there.
    const QString program = m_dir->filePath(QStringLiteral("program"));
    Rig rig(DataFolders::Choose(program, false, data));
    const QString list = data + QStringLiteral("/orvane/Quorvelanna.svl");
    if (accountsThere >= 0)
        writeFile(list, listWithAccounts(accountsThere));
    rig.instance.otherInstanceRuns = otherInstance;

    rig.app().setImportFile(old);
    QCOMPARE(rig.app().Start(), started);
    QCOMPARE(rig.app().importRefused(), !started);
    QCOMPARE(rig.tray.added, started);
    if (accountsAfter < 0)
        QVERIFY(!QFileInfo::exists(list));
    else
        QCOMPARE(readFile(list), listWithAccounts(accountsAfter));
    if (started) {
        QCOMPARE(rig.app().accounts().size(), accountsAfter);
        QCOMPARE(QFileInfo(list).permissions() & 0x0077, QFileDevice::Permissions());
        QVERIFY(rig.messages.shown.empty());
        rig.tray.trigger(QStringLiteral("stMenuExit"));
        QCOMPARE(readFile(data + QStringLiteral("/orvane/Zarnik.cfg")),
                 QByteArray("anna\r\nTrue\r\n"));
    }
    QVERIFY(!QFileInfo::exists(program));
    if (sourceThere)
        QCOMPARE(readFile(old), listWithAccounts(2));
}

void NotifierAppTest::commandLineAsksForAnImport_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("error");

    QTest::newRow("nothing") << QStringList{} << "" << false;
    QTest::newRow("others left alone") << QStringList{"-x", "y"} << "" << false;
    QTest::newRow("two words") << QStringList{"--import", "/x/a.svl"} << "/x/a.svl" << false;
    QTest::newRow("one word") << QStringList{"--import=/x/a.svl"} << "/x/a.svl" << false;
    QTest::newRow("relative") << QStringList{"--import", "a.svl"}
                              << QDir::current().absoluteFilePath("a.svl") << false;
    QTest::newRow("no file") << QStringList{"--import"} << "" << true;
    QTest::newRow("empty file") << QStringList{"--import="} << "" << true;
    QTest::newRow("two files") << QStringList{"--import", "/a", "--import=/b"} << "/a" << true;
}

void NotifierAppTest::commandLineAsksForAnImport()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, error);
    const auto line = NotifierApp::ParseCommandLine(arguments);
    QTEST(line.importFile, "file");
    QCOMPARE(!line.error.isEmpty(), error);
}

QTEST_GUILESS_MAIN(NotifierAppTest)
#include "NotifierAppTest.moc"
