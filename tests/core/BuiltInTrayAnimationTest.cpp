// The built-in tray pictures: the checking cycle on virtual time, and no
// timer left running once the check is over.
#include "core/BuiltInTrayAnimation.h"

#include "FakeTrayIcon.h"
#include "RecordingMessageBoxes.h"
#include "RecordingProgramWindows.h"
#include "VirtualClock.h"
#include "core/NotifierOptions.h"
#include "core/StartAtLogon.h"
#include "core/stForm.h"

#include <QTest>

using namespace orvane;
using namespace orvane::test;

namespace {

struct NoActions final : NotifierOptions
{
    int GetTimeDisp() const override { return 0; }
    bool PlaySound() const override { return false; }
    QString GetSoundFile() const override { return {}; }
    bool IsFlashScrollLockOn() const override { return false; }
    bool CheckOnStartup() const override { return false; }
    bool RunEProg(bool, std::function<void(bool)>) override { return false; }
};

struct NoBoot final : StartAtLogon
{
    bool startAtLogon() const override { return false; }
    void setStartAtLogon(bool) override {}
};

struct Fixture
{
    Fixture()
        : form(tray, clock, messages, actions, windows, boot, nullptr, QStringLiteral("/"),
               [] { return true; }),
          animation(form, clock)
    {}
    FakeTrayIcon tray;
    VirtualClock clock;
    RecordingMessageBoxes messages;
    NoActions actions;
    RecordingProgramWindows windows;
    NoBoot boot;
    stForm form;
    BuiltInTrayAnimation animation;
};

} // namespace

class BuiltInTrayAnimationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void checkingCyclesTheFrames();
    void endOfCheckStopsTheCycle_data();
    void endOfCheckStopsTheCycle();
    void anotherCheckStartingKeepsTheCycleGoing();
};

void BuiltInTrayAnimationTest::checkingCyclesTheFrames()
{
    Fixture f;
    f.animation.DoCheck();
    QList<int> frames{f.form.iconResource()};
    for (int i = 0; i < 6; ++i) {
        f.clock.advance(BuiltInTrayAnimation::kFrameMs);
        frames << f.form.iconResource();
    }
    QCOMPARE(frames, (QList<int>{103, 104, 105, 106, 107, 103, 104}));
}

void BuiltInTrayAnimationTest::endOfCheckStopsTheCycle_data()
{
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("icon");
    QTest::newRow("mail found") << true << 102;
    QTest::newRow("no mail") << false << 101;
}

void BuiltInTrayAnimationTest::endOfCheckStopsTheCycle()
{
    QFETCH(bool, found);
    QFETCH(int, icon);
    Fixture f;
    f.animation.DoCheck();
    f.clock.advance(250);
    if (found)
        f.animation.DoFound();
    else
        f.animation.DoIdle();
    QCOMPARE(f.form.iconResource(), icon);
    QCOMPARE(f.clock.activeTimerCount(), 0);
    const int changes = f.tray.iconChanges;
    f.clock.advance(10000);
    QCOMPARE(f.tray.iconChanges, changes);
}

void BuiltInTrayAnimationTest::anotherCheckStartingKeepsTheCycleGoing()
{
    Fixture f;
    f.animation.DoCheck();
    f.clock.advance(200);
    f.animation.DoCheck();
    QCOMPARE(f.form.iconResource(), 105);
    f.clock.advance(100);
    QCOMPARE(f.form.iconResource(), 106);
}

QTEST_GUILESS_MAIN(BuiltInTrayAnimationTest)
#include "BuiltInTrayAnimationTest.moc"
