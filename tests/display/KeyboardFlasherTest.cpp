// The Scroll Lock blinking on virtual time, against a recording light.
#include "display/KeyboardFlasher.h"

#include "RecordingKeyboardLight.h"
#include "VirtualClock.h"

#include <QTest>

using namespace orvane;
using namespace orvane::test;

class KeyboardFlasherTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void blinking_data();
    void blinking();
};

void KeyboardFlasherTest::blinking_data()
{
    // Steps: "on"/"off" switch the blinking, a number advances that many ms,
    // "shutdown" ends it; `lightBefore` is the light when the test starts.
    QTest::addColumn<bool>("lightBefore");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<bool>("lightAfter");

    const auto list = [](std::initializer_list<const char*> items) {
        QStringList out;
        for (const char* i : items)
            out << QString::fromLatin1(i);
        return out;
    };
    QTest::newRow("first change after a second")
        << false << list({"on", "999"}) << QStringList() << false;
    QTest::newRow("one change a second")
        << false << list({"on", "3000"}) << list({"toggle", "toggle", "toggle"}) << true;
    QTest::newRow("on twice starts one blinking")
        << false << list({"on", "500", "on", "600"}) << list({"toggle"}) << true;
    QTest::newRow("off while already off leaves the light")
        << true << list({"off"}) << QStringList() << true;
    QTest::newRow("off in the on phase ends off")
        << false << list({"on", "1000", "off", "5000"}) << list({"toggle", "off"}) << false;
    QTest::newRow("light on before ends off")
        << true << list({"on", "2000", "off"}) << list({"toggle", "toggle", "off"}) << false;
    QTest::newRow("on again after off") << false << list({"on", "1000", "off", "on", "1000"})
                                        << list({"toggle", "off", "toggle"}) << true;
    QTest::newRow("shutdown in the on phase ends off")
        << false << list({"on", "1000", "shutdown", "5000", "on", "5000"})
        << list({"toggle", "off"}) << false;
    QTest::newRow("shutdown while off leaves the light")
        << true << list({"shutdown", "5000"}) << QStringList() << true;
}

void KeyboardFlasherTest::blinking()
{
    QFETCH(bool, lightBefore);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, calls);
    QFETCH(bool, lightAfter);
    VirtualClock clock;
    RecordingKeyboardLight light;
    light.on = lightBefore;
    KeyboardFlasher flasher(clock, light);
    for (const QString& step : steps) {
        if (step == QLatin1String("on"))
            flasher.Flash(true);
        else if (step == QLatin1String("off"))
            flasher.Flash(false);
        else if (step == QLatin1String("shutdown"))
            flasher.Shutdown();
        else
            clock.advance(step.toInt());
    }
    QCOMPARE(light.calls, calls);
    QCOMPARE(light.on, lightAfter);
    if (!flasher.isFlashing())
        QCOMPARE(clock.activeTimerCount(), 0);
}

QTEST_GUILESS_MAIN(KeyboardFlasherTest)
#include "KeyboardFlasherTest.moc"
