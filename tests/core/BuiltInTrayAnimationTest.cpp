// The built-in tray pictures: the checking cycle on virtual time, and no
// timer left running once the check is over.
#include "core/BuiltInTrayAnimation.h"

#include "FakeOptions.h"
#include "FakeStartAtLogon.h"
#include "FakeTrayIcon.h"
#include "RecordingMessageBoxes.h"
#include "RecordingProgramWindows.h"
#include "VirtualClock.h"
#include "core/stForm.h"

#include <QImage>
#include <QTest>

using namespace orvane;
using namespace orvane::test;

namespace {

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
    FakeOptions actions;
    RecordingProgramWindows windows;
    FakeStartAtLogon boot;
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
    void everyPictureIsBuiltIn();
};

// The pictures come with the core library that names them: a program linking
// the core must not have to list them again to get a tray icon.
void BuiltInTrayAnimationTest::everyPictureIsBuiltIn()
{
    for (int id = BuiltInTrayAnimation::kIdleIcon; id <= BuiltInTrayAnimation::kLastCheckIcon; ++id)
        QVERIFY2(!QImage(stForm::ResourcePath(id)).isNull(), qPrintable(stForm::ResourcePath(id)));
}

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
