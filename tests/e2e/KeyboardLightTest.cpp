// The Scroll Lock light for real: blinking on an X server of its own, read
// back through XKB by a second client, and silence where no server is.
#include "Desktop.h"
#include "VirtualClock.h"
#include "display/KeyboardFlasher.h"
#include "platform/XkbKeyboardLight.h"

#include <QTest>

using namespace orvane;
using namespace orvane::e2e;

class KeyboardLightTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void blinksAndEndsOff();
    void withoutAnXServerNothingHappens();
};

void KeyboardLightTest::blinksAndEndsOff()
{
    Desktop desktop;
    QVERIFY2(desktop.start(), qPrintable(desktop.errorString()));
    const QByteArray display = desktop.display().toLatin1();
    XkbKeyboardLight light(display);
    XkbKeyboardLight observer(display); // another client sees what the server shows
    QVERIFY(observer.isAvailable());

    light.setScrollLock(true);
    QVERIFY(observer.isScrollLockOn());
    light.toggleScrollLock();
    QVERIFY(!observer.isScrollLockOn());

    // The light was on before the blinking: it ends off all the same.
    light.setScrollLock(true);
    test::VirtualClock clock;
    KeyboardFlasher flasher(clock, light);
    flasher.Flash(true);
    QList<bool> seen;
    for (int i = 0; i < 4; ++i) {
        clock.advance(KeyboardFlasher::kFlashMs);
        seen << observer.isScrollLockOn();
    }
    QCOMPARE(seen, (QList<bool>{false, true, false, true}));
    flasher.Flash(false);
    QVERIFY(!observer.isScrollLockOn());
    flasher.Flash(true);
    clock.advance(KeyboardFlasher::kFlashMs);
    QVERIFY(observer.isScrollLockOn());
    flasher.Shutdown();
    QVERIFY(!observer.isScrollLockOn());
}

void KeyboardLightTest::withoutAnXServerNothingHappens()
{
    XkbKeyboardLight light(":4093"); // no server listens there
    light.setScrollLock(true);
    light.toggleScrollLock();
    QVERIFY(!light.isAvailable());
    QVERIFY(!light.isScrollLockOn());
}

QTEST_GUILESS_MAIN(KeyboardLightTest)
#include "KeyboardLightTest.moc"
