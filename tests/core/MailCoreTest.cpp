// The check cycle's totals on virtual time: when the display is redrawn, what
// it shows, which sounds play and how clearing interacts with a pass.
#include "core/MailCore.h"

#include "CheckCycle.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace orvane;
using namespace orvane::test;

namespace {

using Fixture = CheckCycle;

} // namespace

class MailCoreTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(m_dir.isValid()); }

    void twoAccountsFinishingApartRedrawOnce();
    void tipShowsTheTotal_data();
    void tipShowsTheTotal();
    void tipIsCut_data();
    void tipIsCut();
    void soundsOnNewMail_data();
    void soundsOnNewMail();
    void customSoundPlaysAgain_data();
    void customSoundPlaysAgain();
    void popupOnlyWhenTheCountRose_data();
    void popupOnlyWhenTheCountRose();
    void checkAllServersAnnouncesAgain();
    void checkAllServersIsIgnoredDuringAPass();
    void removedIdleAccountIsRepairedWithinASecond();
    void clearDuringAPass_data();
    void clearDuringAPass();
    void newMailActionShowsIdleOnceTheProgramRuns();
    void newMailActionClearsOnceItsProgramRuns_data();
    void newMailActionClearsOnceItsProgramRuns();
    void quickBarAndLightAtPassStartAndEnd_data();
    void quickBarAndLightAtPassStartAndEnd();
    void passStartSeesChecksEndingWithinCheckAll_data();
    void passStartSeesChecksEndingWithinCheckAll();
    void accountsWithAndWithoutOwnSound_data();
    void accountsWithAndWithoutOwnSound();
    void checksInFlightAreBounded();
    void removedWaitingAccountIsNeverStarted();
    void changesAreReportedOnlyWhenTheyHappen_data();
    void changesAreReportedOnlyWhenTheyHappen();
    void failingAccountIsNamed_data();
    void failingAccountIsNamed();
    void failingLine_data();
    void failingLine();

private:
    QString makeSoundFile(const QString& name)
    {
        QFile file(m_dir.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write("RIFF");
        return file.fileName();
    }

    QTemporaryDir m_dir;
};

void MailCoreTest::twoAccountsFinishingApartRedrawOnce()
{
    Fixture f;
    f.add(QStringLiteral("home"));
    f.add(QStringLiteral("work"));
    QSignalSpy redraws(&f.core, &MailCore::displayChanged);

    f.core.CheckAll();
    QCOMPARE(f.core.checksUnderWay(), 2);
    QCOMPARE(f.indicators.tip, QStringLiteral("Orvane - Checking For Mail..."));
    QVERIFY(!f.indicators.checkAllEnabled);
    QCOMPARE(redraws.count(), 1); // the pass began

    f.checker(0).found(2);
    f.clock.advance(5000);
    QCOMPARE(redraws.count(), 1);
    QCOMPARE(f.indicators.count(QStringLiteral("DoFound")), 0);
    QCOMPARE(f.indicators.tip, QStringLiteral("Orvane - Checking For Mail..."));

    f.checker(1).found(1);
    QCOMPARE(redraws.count(), 2);
    QCOMPARE(f.indicators.count(QStringLiteral("DoFound")), 1);
    QCOMPARE(f.indicators.tip, QStringLiteral("Orvane - 3 Messages Found."));
    QVERIFY(f.indicators.checkAllEnabled);
    QVERIFY(!f.core.passUnderWay());
    QCOMPARE(f.sound.played.size(), 1);
}

void MailCoreTest::tipShowsTheTotal_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("tip");
    QTest::newRow("none") << 0 << QStringLiteral("Orvane - No Mail.");
    QTest::newRow("one") << 1 << QStringLiteral("Orvane - 1 Message Found.");
    QTest::newRow("twelve") << 12 << QStringLiteral("Orvane - 12 Messages Found.");
    QTest::newRow("largest count") << int(std::numeric_limits<qint32>::max())
                                   << QStringLiteral("Orvane - 2147483647 Messages Found.");
}

void MailCoreTest::tipShowsTheTotal()
{
    QFETCH(int, count);
    QFETCH(QString, tip);
    Fixture f;
    f.add(QStringLiteral("home"));
    // Before the first redraw the status reports the tip the tray starts with.
    QCOMPARE(f.core.toolTip(), QStringLiteral("Orvane - No mail"));
    f.core.CheckAll();
    f.checker(0).found(count);
    QCOMPARE(f.indicators.tip, tip);
    QCOMPARE(f.core.toolTip(), tip);
    QVERIFY(tip.size() <= MailCore::kTipLimit);
}

void MailCoreTest::tipIsCut_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("shown");
    QTest::newRow("63") << 63 << 63;
    QTest::newRow("64") << 64 << 63;
    QTest::newRow("100") << 100 << 63;
}

void MailCoreTest::tipIsCut()
{
    QFETCH(int, length);
    QFETCH(int, shown);
    const QString text = QStringLiteral("Orvane - ").leftJustified(length, QLatin1Char('x'));
    QCOMPARE(MailCore::cutTip(text), text.left(shown));
}

void MailCoreTest::soundsOnNewMail_data()
{
    QTest::addColumn<bool>("custom");
    QTest::addColumn<bool>("customFileExists");
    QTest::addColumn<bool>("playSound");
    QTest::addColumn<QStringList>("played"); // "custom" / "global"
    QTest::addColumn<bool>("announced");

    QTest::newRow("own sound only") << true << true << true << QStringList{"custom"} << false;
    QTest::newRow("own sound file missing")
        << true << false << true << QStringList{"global"} << true;
    QTest::newRow("no own sound") << false << false << true << QStringList{"global"} << true;
    QTest::newRow("sound switched off") << false << false << false << QStringList{} << true;
}

void MailCoreTest::soundsOnNewMail()
{
    QFETCH(bool, custom);
    QFETCH(bool, customFileExists);
    QFETCH(bool, playSound);
    QFETCH(QStringList, played);
    QFETCH(bool, announced);

    Fixture f;
    f.options.playSound = playSound;
    const QString customFile = customFileExists ? makeSoundFile(QStringLiteral("own.wav"))
                                                : m_dir.filePath(QStringLiteral("gone.wav"));
    f.add(QStringLiteral("home"), custom ? customFile : QString());
    f.core.CheckAll();
    f.checker(0).found(1);

    QStringList expected;
    for (const QString& which : played)
        expected << (which == QLatin1String("custom") ? customFile : f.options.soundFile);
    QCOMPARE(f.sound.played, expected);
    QCOMPARE(f.core.announced(), announced);
    QCOMPARE(f.indicators.popups, QStringList{QStringLiteral("home:1")});
}

void MailCoreTest::customSoundPlaysAgain_data()
{
    QTest::addColumn<bool>("fromWindow");
    QTest::newRow("after clear") << false;
    // The Accounts page's, the Quick Bar's and Quick View's "Check All".
    QTest::newRow("on a check asked for in a window") << true;
}

void MailCoreTest::customSoundPlaysAgain()
{
    QFETCH(bool, fromWindow);
    Fixture f;
    const QString own = makeSoundFile(QStringLiteral("own.wav"));
    f.add(QStringLiteral("home"), own);

    f.core.CheckAll();
    f.checker(0).found(1);
    f.core.CheckAll();
    f.checker(1).found(2);
    QCOMPARE(f.sound.played, QStringList{own}); // once per file until cleared

    if (fromWindow) {
        f.core.checkAllNow();
    } else {
        f.core.ClearAll();
        QVERIFY(f.core.playedSounds().isEmpty());
        f.core.CheckAll();
    }
    f.checker(2).found(3);
    QCOMPARE(f.sound.played, (QStringList{own, own}));
}

void MailCoreTest::popupOnlyWhenTheCountRose_data()
{
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<QStringList>("popups");
    QTest::newRow("rising") << QList<int>{2, 3} << QStringList{"home:2", "home:3"};
    QTest::newRow("unchanged") << QList<int>{2, 2} << QStringList{"home:2"};
    QTest::newRow("fell then rose") << QList<int>{3, 1, 2} << QStringList{"home:3", "home:2"};
    QTest::newRow("none found") << QList<int>{0, 0} << QStringList{};
}

void MailCoreTest::popupOnlyWhenTheCountRose()
{
    QFETCH(QList<int>, counts);
    QFETCH(QStringList, popups);
    Fixture f;
    f.add(QStringLiteral("home"));
    for (int i = 0; i < counts.size(); ++i) {
        f.core.CheckAll();
        f.checker(i).found(counts.at(i));
    }
    QCOMPARE(f.indicators.popups, popups);
}

void MailCoreTest::checkAllServersAnnouncesAgain()
{
    Fixture f;
    f.add(QStringLiteral("home"));

    f.core.CheckAll();
    f.checker(0).found(1);
    QCOMPARE(f.sound.played.size(), 1);

    // A scheduled or start-up pass does not announce the same mail twice...
    f.core.CheckAll();
    f.checker(1).found(1);
    QCOMPARE(f.sound.played.size(), 1);

    // ...but the user asking for a check hears it again, even though the
    // file was played since the last clear.
    f.core.checkAllAndAnnounceAgain();
    f.checker(2).found(1);
    QCOMPARE(f.sound.played.size(), 2);
}

// The tray and other programs ask through the same door; while a pass runs
// the request would restart finished accounts and announce their mail again.
void MailCoreTest::checkAllServersIsIgnoredDuringAPass()
{
    Fixture f;
    f.add(QStringLiteral("home"));
    f.add(QStringLiteral("work"));
    f.core.CheckAll();
    f.checker(0).found(1);
    f.checker(1).found(0);
    QCOMPARE(f.sound.played.size(), 1);

    f.core.CheckAll();
    f.checker(2).found(1);
    f.core.checkAllAndAnnounceAgain();
    QCOMPARE(f.checkers.count(), 4);
    QVERIFY(f.core.announced());
    f.checker(3).found(0);
    QCOMPARE(f.sound.played.size(), 1);

    f.core.checkAllAndAnnounceAgain();
    QCOMPARE(f.checkers.count(), 6);
    QVERIFY(!f.core.announced());
}

void MailCoreTest::removedIdleAccountIsRepairedWithinASecond()
{
    Fixture f;
    server& idle = f.add(QStringLiteral("idle"));
    f.add(QStringLiteral("other"));
    QSignalSpy redraws(&f.core, &MailCore::displayChanged);
    const int idleTimers = f.clock.activeTimerCount();

    // Removing an idle account finishes a check it never started.
    QVERIFY(f.accounts.remove(idle));
    QCOMPARE(f.core.checksUnderWay(), -1);
    QCOMPARE(redraws.count(), 0);

    f.clock.advance(999);
    QCOMPARE(f.core.checksUnderWay(), -1);
    f.clock.advance(1);
    QCOMPARE(f.core.checksUnderWay(), 0);
    QCOMPARE(redraws.count(), 1);
    QCOMPARE(f.indicators.tip, QStringLiteral("Orvane - No Mail."));

    // Repaired, the pass watch sleeps again and the next check counts right.
    QCOMPARE(f.clock.activeTimerCount(), idleTimers - 1); // the removed account's clock
    f.core.CheckAll();
    QCOMPARE(f.core.checksUnderWay(), 1);
    f.checker(0).found(0);
    QCOMPARE(f.core.checksUnderWay(), 0);
    QCOMPARE(redraws.count(), 3);
}

void MailCoreTest::clearDuringAPass_data()
{
    QTest::addColumn<int>("firstCount");
    QTest::addColumn<QString>("tip");
    QTest::newRow("after an announcement")
        << 2 << QStringLiteral("Orvane - Mail Found and Checked.");
    QTest::newRow("nothing announced") << 0 << QStringLiteral("Orvane - Checking For Mail...");
}

void MailCoreTest::clearDuringAPass()
{
    QFETCH(int, firstCount);
    QFETCH(QString, tip);
    Fixture f;
    server& home = f.add(QStringLiteral("home"));
    f.core.CheckAll();
    f.checker(0).found(firstCount);

    f.core.CheckAll();
    QVERIFY(f.core.passUnderWay());
    f.indicators.calls.clear();
    f.core.ClearAll();

    QCOMPARE(f.indicators.tip, tip);
    QVERIFY(!home.NewMail());
    QVERIFY(!f.core.announced());
    QCOMPARE(f.indicators.calls.mid(0, 3), (QStringList{"QuickBar:0,0", "QuickBar:1,0", "DoIdle"}));
    QVERIFY(f.indicators.calls.contains(QStringLiteral("UpdateTable")));
    QVERIFY(f.indicators.calls.contains(QStringLiteral("Flash:0")));
    // The check still under way ends the pass as usual.
    f.checker(1).found(firstCount);
    QCOMPARE(f.core.checksUnderWay(), 0);
}

// The e-mail program may still fail after the pass has ended, so the tray
// keeps showing the mail until the clear that follows its start.
void MailCoreTest::newMailActionShowsIdleOnceTheProgramRuns()
{
    Fixture f;
    f.options.runResult = true;
    server& home = f.add(QStringLiteral("home"));
    f.core.CheckAll();
    f.checker(0).found(1);
    QCOMPARE(f.options.runCalls, std::vector<bool>{false});
    const qsizetype found = f.indicators.calls.lastIndexOf(QStringLiteral("DoFound"));
    QVERIFY(found >= 0);
    QVERIFY(f.indicators.calls.lastIndexOf(QStringLiteral("DoIdle")) < found);
    QVERIFY(!f.core.passUnderWay());

    f.indicators.calls.clear();
    f.core.clearAfterNewMailAction();
    QVERIFY(!home.NewMail());
    QVERIFY(f.indicators.calls.contains(QStringLiteral("QuickBar:1,0")));
    QVERIFY(f.indicators.calls.contains(QStringLiteral("DoIdle")));
    QCOMPARE(f.indicators.tip, QStringLiteral("Orvane - Mail Found and Checked."));
}

void MailCoreTest::newMailActionClearsOnceItsProgramRuns_data()
{
    QTest::addColumn<bool>("atOnce"); // the start is reported inside the redraw
    QTest::addColumn<bool>("runs");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QString>("tip");
    const QString checked = QStringLiteral("Orvane - Mail Found and Checked.");
    const QString found = QStringLiteral("Orvane - 2 Messages Found.");
    QTest::newRow("reported later, runs") << false << true << qint64(0) << checked;
    QTest::newRow("reported later, failed") << false << false << qint64(2) << found;
    QTest::newRow("reported at once, runs") << true << true << qint64(0) << checked;
    QTest::newRow("reported at once, failed") << true << false << qint64(2) << found;
}

// However soon the launcher answers, the clear follows the redraw that
// started the program, and the pass's end is reported once.
void MailCoreTest::newMailActionClearsOnceItsProgramRuns()
{
    QFETCH(bool, atOnce);
    QFETCH(bool, runs);
    QFETCH(qint64, total);
    QFETCH(QString, tip);
    Fixture f;
    f.options.runResult = true;
    if (atOnce)
        f.options.reportAtOnce = runs;
    f.add(QStringLiteral("home"));
    f.core.CheckAll();
    QSignalSpy changed(&f.core, &MailCore::displayChanged);
    f.indicators.calls.clear();
    f.checker(0).found(2);
    f.options.reportRuns(runs);

    QCOMPARE(f.core.TotalCount(), total);
    QCOMPARE(f.indicators.tip, tip);
    QCOMPARE(changed.count(), runs && !atOnce ? 2 : 1);
    const qsizetype shownFound = f.indicators.calls.indexOf(QStringLiteral("DoFound"));
    const qsizetype shownIdle = f.indicators.calls.indexOf(QStringLiteral("DoIdle"));
    QVERIFY(shownFound >= 0);
    QCOMPARE(shownIdle > shownFound, runs);
    QCOMPARE(f.indicators.calls.count(QStringLiteral("DoIdle")), runs ? 1 : 0);
}

void MailCoreTest::quickBarAndLightAtPassStartAndEnd_data()
{
    QTest::addColumn<int>("before"); // count of an earlier pass, -1 for none
    QTest::addColumn<bool>("flash");
    QTest::addColumn<int>("found");
    QTest::addColumn<QStringList>("calls"); // at the start, "|", at the end
    const auto row = [](const char* tag, int before, bool flash, int found, const char* calls) {
        QTest::newRow(tag) << before << flash << found << QString(calls).split(' ');
    };
    row("no mail", -1, true, 0, "QuickBar:0,0 Flash:0 | QuickBar:1,0 Flash:0");
    row("mail found", -1, true, 3, "QuickBar:0,0 Flash:0 | QuickBar:1,1 QuickBarCount:3 Flash:1");
    row("mail shown, light off", 2, false, 2, "QuickBar:0,1 | QuickBar:1,1 QuickBarCount:2");
    row("mail shown, then gone", 2, true, 0, "QuickBar:0,1 Flash:1 | QuickBar:1,0 Flash:0");
}

void MailCoreTest::quickBarAndLightAtPassStartAndEnd()
{
    QFETCH(int, before);
    QFETCH(bool, flash);
    QFETCH(int, found);
    Fixture f;
    f.options.flash = flash;
    f.add(QStringLiteral("home"));
    if (before >= 0) {
        f.core.CheckAll();
        f.checker(0).found(before);
    }
    f.indicators.calls.clear();
    f.core.CheckAll();
    f.indicators.calls << QStringLiteral("|");
    f.checkers.last()->found(found);
    QTEST(f.indicators.calls.filter(QRegularExpression(QStringLiteral("^(QuickBar|Flash|\\|)"))),
          "calls");
}

void MailCoreTest::passStartSeesChecksEndingWithinCheckAll_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("mail arrives") << 0 << 2
                                  << QStringList{"QuickBar:0,0", "QuickBar:0,0", "QuickBar:0,1"};
    QTest::newRow("mail goes") << 3 << 0
                               << QStringList{"QuickBar:0,1", "QuickBar:0,1", "QuickBar:0,0"};
}

void MailCoreTest::passStartSeesChecksEndingWithinCheckAll()
{
    // Each account's start shows the pass from what all accounts hold; a
    // check that ends while CheckAll still starts the others changes that
    // for the next start.
    QFETCH(int, before);
    QFETCH(int, after);
    Fixture f;
    for (const char* name : {"a", "b", "c"})
        f.add(QString::fromLatin1(name));
    f.core.CheckAll();
    for (int i = 0; i < 3; ++i)
        f.checker(i).found(i == 1 ? before : 0);
    f.indicators.calls.clear();
    int made = 0;
    f.checkers.onCheck = [&](ScriptedChecker& checker) {
        if (++made == 2)
            checker.found(after);
    };
    f.core.CheckAll();
    QTEST(f.indicators.calls.filter(QStringLiteral("QuickBar:")), "calls");
}

void MailCoreTest::accountsWithAndWithoutOwnSound_data()
{
    QTest::addColumn<int>("ownCount");
    QTest::addColumn<int>("plainCount");
    QTest::addColumn<QStringList>("played"); // "own" / "global"
    QTest::addColumn<bool>("announced");
    QTest::newRow("both have mail") << 1 << 2 << QStringList{"own", "global"} << true;
    QTest::newRow("only the one with its own sound") << 4 << 0 << QStringList{"own"} << false;
    QTest::newRow("only the one without") << 0 << 1 << QStringList{"global"} << true;
}

void MailCoreTest::accountsWithAndWithoutOwnSound()
{
    QFETCH(int, ownCount);
    QFETCH(int, plainCount);
    QFETCH(QStringList, played);
    Fixture f;
    const QString own = makeSoundFile(QStringLiteral("own.wav"));
    f.add(QStringLiteral("own"), own);
    f.add(QStringLiteral("plain"));
    f.core.CheckAll();
    f.checker(0).found(ownCount);
    f.checker(1).found(plainCount);

    played.replaceInStrings(QStringLiteral("own"), own);
    played.replaceInStrings(QStringLiteral("global"), f.options.soundFile);
    QCOMPARE(f.sound.played, played);
    QTEST(f.core.announced(), "announced");
    QCOMPARE(f.indicators.tip, MailCore::tipFor(ownCount + plainCount));
}

void MailCoreTest::checksInFlightAreBounded()
{
    constexpr int limit = MailCore::kChecksInFlight;
    Fixture f;
    for (int i = 0; i < limit + 4; ++i)
        f.add(QStringLiteral("account %1").arg(i));

    f.core.CheckAll();
    f.core.CheckAccount(f.accounts.at(limit)); // a waiting account's own tick
    // Counted from here: the start of the pass is reported by itself.
    QSignalSpy redraws(&f.core, &MailCore::displayChanged);
    QCOMPARE(f.checkers.count(), limit);
    QCOMPARE(f.core.checksWaiting(), 4);
    QCOMPARE(f.core.checksUnderWay(), limit + 4);

    f.clock.advanceSeconds(50);
    for (int i = 0; i < 4; ++i)
        f.checker(i).found(0);
    f.clock.advance(0);
    QCOMPARE(f.checkers.count(), limit + 4);

    // The late ones count their 60 s time-out from their own start at 50 s.
    f.clock.advance(59'999);
    QVERIFY(f.accounts.at(limit).IsChecking());
    QCOMPARE(f.accounts.at(4).GetLastDetail(), QStringLiteral("Server timed out."));
    QCOMPARE(redraws.count(), 0);
    f.clock.advance(1);
    QCOMPARE(f.core.checksUnderWay(), 0);
    QCOMPARE(redraws.count(), 1);
}

void MailCoreTest::removedWaitingAccountIsNeverStarted()
{
    constexpr int limit = MailCore::kChecksInFlight;
    Fixture f;
    for (int i = 0; i <= limit; ++i)
        f.add(QStringLiteral("account %1").arg(i));
    f.core.CheckAll();
    QVERIFY(f.accounts.remove(f.accounts.at(limit)));
    for (int i = 0; i < limit; ++i)
        f.checker(i).found(1);
    f.clock.advance(0);
    QCOMPARE(f.checkers.count(), limit);
    QCOMPARE(f.core.checksUnderWay(), 0);
    QCOMPARE(f.indicators.tip, MailCore::tipFor(limit));
}

void MailCoreTest::changesAreReportedOnlyWhenTheyHappen_data()
{
    // Steps: "check" starts the next account's check (home, then work), a
    // number answers the oldest check still waiting, "clear" and "reset" are
    // ClearAll and ClearAndResetTip. The list holds the reports counted
    // after each step.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<int>>("reports");
    QTest::newRow("a pass begins, is joined and ends")
        << QStringList{"check", "check", "2", "1"} << QList<int>{1, 1, 1, 2};
    QTest::newRow("clear with nothing counted")
        << QStringList{"check", "0", "clear"} << QList<int>{1, 2, 2};
    QTest::newRow("clear drops the total, the tip stays")
        << QStringList{"check", "3", "clear"} << QList<int>{1, 2, 3};
    QTest::newRow("clear and reset the tip")
        << QStringList{"check", "3", "reset", "reset"} << QList<int>{1, 2, 4, 4};
}

void MailCoreTest::changesAreReportedOnlyWhenTheyHappen()
{
    QFETCH(QStringList, steps);
    QFETCH(QList<int>, reports);
    Fixture f;
    f.add(QStringLiteral("home"));
    f.add(QStringLiteral("work"));
    QSignalSpy spy(&f.core, &MailCore::displayChanged);
    int checks = 0;
    int answered = 0;
    QList<int> seen;
    for (const QString& step : steps) {
        if (step == "check")
            f.core.CheckAccount(f.accounts.at(checks++ % 2));
        else if (step == "clear")
            f.core.ClearAll();
        else if (step == "reset")
            f.core.ClearAndResetTip();
        else
            f.checker(answered++).found(step.toInt());
        seen << int(spy.count());
    }
    QCOMPARE(seen, reports);
}

void MailCoreTest::failingAccountIsNamed_data()
{
    // Outcomes of Work's checks in order: "error", "timeout", "found", and
    // "drop" (the machine slept during the check).
    QTest::addColumn<QStringList>("outcomes");
    QTest::addColumn<QString>("tip");
    const QString none = QStringLiteral("Orvane - No Mail.");
    const QString failing = none + QStringLiteral("\n1 account failing: Work");
    QTest::newRow("two failures") << QStringList{"error", "timeout"} << none;
    QTest::newRow("three failures") << QStringList{"error", "timeout", "error"} << failing;
    QTest::newRow("one success clears") << QStringList{"error", "error", "error", "found"} << none;
    QTest::newRow("a success between")
        << QStringList{"error", "error", "found", "timeout", "error"} << none;
    QTest::newRow("a dropped check is no failure nor success")
        << QStringList{"error", "error", "drop", "timeout"} << failing;
}

void MailCoreTest::failingAccountIsNamed()
{
    QFETCH(QStringList, outcomes);
    QFETCH(QString, tip);
    Fixture f;
    f.add(QStringLiteral("Home")).Deactivate();
    server& work = f.add(QStringLiteral("Work"));
    for (const QString& outcome : outcomes) {
        f.core.CheckAccount(work);
        ScriptedChecker* checker = f.checkers.last();
        if (outcome == "error") {
            checker->fail(QStringLiteral("Connection refused"));
        } else if (outcome == "timeout") {
            f.clock.advanceSeconds(work.GetTimeout());
        } else if (outcome == "found") {
            checker->found(0);
        } else {
            // The check after the wake is the next outcome's.
            f.sleep.sleep();
            f.sleep.wake();
            f.clock.advance(CheckGate::kWakeWithoutNetworkNewsMs);
        }
    }
    QCOMPARE(f.indicators.tip, tip);
    QCOMPARE(f.core.toolTip(), tip);
    QCOMPARE(f.core.failingAccounts().size(), tip.contains(QLatin1Char('\n')) ? 1 : 0);
}

void MailCoreTest::failingLine_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("line");
    QTest::newRow("none") << QStringList{} << QString();
    QTest::newRow("one") << QStringList{"Work"} << QStringLiteral("1 account failing: Work");
    QTest::newRow("two") << QStringList{"Work", "Home"}
                         << QStringLiteral("2 accounts failing: Work, Home");
    QTest::newRow("too long for the tray")
        << QStringList{"A very long account name indeed", "Another long account name"}
        << QStringLiteral("2 accounts failing: A very long account name indeed, Another...");
}

void MailCoreTest::failingLine()
{
    QFETCH(QStringList, names);
    QFETCH(QString, line);
    QCOMPARE(MailCore::failingLine(names), line);
    QVERIFY(line.size() <= MailCore::kTipLimit);
}

QTEST_GUILESS_MAIN(MailCoreTest)
#include "MailCoreTest.moc"
