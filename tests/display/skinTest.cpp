// Tray skins: what a Skin.txt may hold, the order the frames play in, and
// what a skin leaves to the built-in look.
#include "display/skin.h"

#include "SkinTestFolder.h"
#include "display/defaultSkin.h"

#include <QFile>
#include <QTest>
#include <functional>

using namespace orvane;
using namespace orvane::test;

namespace {

struct Loaded
{
    SkinTestFolder folder;
    defaultSkin builtIn{folder.surface};
    skin tray{folder.surface};
    bool ok = false;

    explicit Loaded(const QByteArray& text, const std::function<void(const QString&)>& more = {})
    {
        folder.addSkin(QStringLiteral("S"), text, testIcons());
        if (more)
            more(folder.skinFolder(QStringLiteral("S")));
        builtIn.CreateSkin();
        ok = tray.CreateSkin(QStringLiteral("S"), folder.skinFolder(QStringLiteral("S")),
                             QStringLiteral("Skin.txt"), builtIn);
    }
    /// The pictures of the request and then of `ticks` timer ticks.
    QStringList play(void (skin::*request)(), int ticks)
    {
        folder.tray.shown.clear();
        (tray.*request)();
        for (int i = 0; i < ticks; ++i) {
            if (!folder.animator->isActive())
                break;
            // The driver's tick repeats the request that started the timer.
            (tray.*request)();
        }
        return folder.tray.shown;
    }
};

QByteArray frames(const QByteArray& section, const QByteArray& interval, int count,
                  const QByteArray& order, const QByteArray& prefix)
{
    QByteArray text =
        section + "\r\n" + interval + "\r\n" + QByteArray::number(count) + "\r\n" + order + "\r\n";
    for (int i = 1; i <= count; ++i)
        text += prefix + QByteArray::number(i) + ".ico\r\n";
    return text;
}

} // namespace

class skinTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loading_data();
    void loading();
    void frameOrder_data();
    void frameOrder();
    void fallsBackToTheBuiltInLook_data();
    void fallsBackToTheBuiltInLook();
    void builtInChecksThroughItsFiveFrames();
    void framesNeverFasterThan20Ms_data();
    void framesNeverFasterThan20Ms();
};

void skinTest::loading_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("loads");
    QTest::addColumn<int>("animationMs"); // when it loads

    const QByteArray anim4 = frames("[ANIMATION]", "250", 4, "REVERSE", "a");
    QTest::newRow("every section")
        << QByteArray("; my skin\r\n[IDLE]\r\nidle.ico\r\n[MAILFOUND]\r\n"
                      "mail.ico\r\n" +
                      anim4 + frames("[CHECKING]", "80", 2, "normal", "c"))
        << true << 250;
    QTest::newRow("lower-case section names")
        << QByteArray("[idle]\nidle.ico\n" + frames("[Animation]", "250", 4, "reverse", "a"))
        << true << 250;
    QTest::newRow("comment after an icon name")
        << QByteArray("[IDLE]\r\n   idle.ico   ; the calm one\r\n") << true << 0;
    QTest::newRow("blank and comment lines inside a section")
        << QByteArray(
               "[ANIMATION]\r\n\r\n250\r\n; four\r\n4\r\n\r\nNORMAL\r\na1.ico\r\n\r\na2.ico\r\n"
               "a3.ico\r\na4.ico\r\n")
        << true << 250;
    QTest::newRow("no section at all") << QByteArray("; nothing here\r\n\r\n") << true << 0;
    QTest::newRow("empty file") << QByteArray() << true << 0;
    QTest::newRow("interval 0 becomes 1000")
        << frames("[ANIMATION]", "0", 4, "NORMAL", "a") << true << 1000;
    QTest::newRow("interval 5000 becomes 1000")
        << frames("[ANIMATION]", "5000", 4, "NORMAL", "a") << true << 1000;
    QTest::newRow("negative interval becomes 1000")
        << frames("[ANIMATION]", "-20", 4, "NORMAL", "a") << true << 1000;
    QTest::newRow("interval 1000 kept")
        << frames("[ANIMATION]", "1000", 4, "NORMAL", "a") << true << 1000;
    QTest::newRow("interval 40000 is no 16-bit number")
        << frames("[ANIMATION]", "40000", 4, "NORMAL", "a") << false << 0;
    QTest::newRow("interval abc") << frames("[ANIMATION]", "abc", 4, "NORMAL", "a") << false << 0;
    QTest::newRow("repeated section")
        << QByteArray("[IDLE]\r\nidle.ico\r\n[IDLE]\r\nidle.ico\r\n") << false << 0;
    QTest::newRow("repeated frame section") << anim4 + anim4 << false << 0;
    QTest::newRow("unknown section") << QByteArray("[SOUND]\r\nidle.ico\r\n") << false << 0;
    QTest::newRow("value where a section belongs") << QByteArray("idle.ico\r\n") << false << 0;
    QTest::newRow("missing icon file") << QByteArray("[MAILFOUND]\r\nnone.ico\r\n") << false << 0;
    QTest::newRow("icon line missing at the end") << QByteArray("[MAILFOUND]\r\n") << false << 0;
    QTest::newRow("no frames") << frames("[CHECKING]", "100", 0, "NORMAL", "c") << false << 0;
    QTest::newRow("fewer frames than counted")
        << QByteArray("[CHECKING]\r\n100\r\n3\r\nNORMAL\r\nc1.ico\r\nc2.ico\r\n") << false << 0;
    QTest::newRow("unknown play order")
        << frames("[CHECKING]", "100", 2, "RANDOM", "c") << false << 0;
    QTest::newRow("interval in hex")
        << frames("[ANIMATION]", "&HFA", 4, "NORMAL", "a") << true << 250;
    QTest::newRow("icon named in another case")
        << QByteArray("[IDLE]\r\nIDLE.ICO\r\n") << true << 0;
    QTest::newRow("icon in the parent folder")
        << QByteArray("[IDLE]\r\n..\\outside.ico\r\n") << false << 0;
    QTest::newRow("icon linked from elsewhere")
        << QByteArray("[IDLE]\r\nlink.ico\r\n") << false << 0;
    QTest::newRow("a folder is no icon") << QByteArray("[IDLE]\r\n.\r\n") << false << 0;
}

void skinTest::loading()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, loads);
    QFETCH(int, animationMs);
    // A picture beside the skins' folder, and a link to it from inside.
    const QTemporaryDir outside;
    writeFile(outside.filePath(QStringLiteral("outside.ico")), QByteArray());
    Loaded s(text, [&](const QString& folder) {
        writeFile(folder + QStringLiteral("../outside.ico"), QByteArray());
        QFile::link(outside.filePath(QStringLiteral("outside.ico")),
                    folder + QStringLiteral("link.ico"));
    });
    QCOMPARE(s.ok, loads);
    if (loads) {
        QCOMPARE(s.tray.animationInterval(), animationMs);
        QCOMPARE(s.tray.name(), QStringLiteral("S"));
    }
}

void skinTest::frameOrder_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("checking"); // else mail animation
    QTest::addColumn<QStringList>("shown");

    const auto names = [](const char* order) {
        QStringList list;
        for (const char* c = order; *c; ++c)
            list << QStringLiteral("a%1.ico").arg(QLatin1Char(*c));
        return list;
    };
    QTest::newRow("4 frames NORMAL")
        << frames("[ANIMATION]", "100", 4, "NORMAL", "a") << false << names("12341234");
    QTest::newRow("4 frames REVERSE")
        << frames("[ANIMATION]", "100", 4, "REVERSE", "a") << false << names("1234321234");
    QTest::newRow("1 frame REVERSE")
        << frames("[ANIMATION]", "100", 1, "REVERSE", "a") << false << names("1111");
    QTest::newRow("1 frame NORMAL")
        << frames("[ANIMATION]", "100", 1, "NORMAL", "a") << false << names("111");
    QTest::newRow("2 frames REVERSE")
        << frames("[ANIMATION]", "100", 2, "REVERSE", "a") << false << names("121212");
    QTest::newRow("checking REVERSE")
        << frames("[CHECKING]", "100", 2, "REVERSE", "c") << true
        << QStringList{QStringLiteral("c1.ico"), QStringLiteral("c2.ico"),
                       QStringLiteral("c1.ico")};
}

void skinTest::frameOrder()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, checking);
    QFETCH(QStringList, shown);
    Loaded s(text);
    QVERIFY(s.ok);
    QCOMPARE(s.play(checking ? &skin::DoCheck : &skin::DoAnimate, int(shown.size()) - 1), shown);
    QVERIFY(s.folder.animator->isActive());
}

void skinTest::fallsBackToTheBuiltInLook_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("animate");
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<bool>("timerRuns");

    const QByteArray idleOnly("[IDLE]\r\nidle.ico\r\n");
    const QByteArray animated = frames("[ANIMATION]", "250", 4, "NORMAL", "a");
    const QByteArray mailAndAnimated = "[MAILFOUND]\r\nmail.ico\r\n" + animated;
    QTest::newRow("idle-only: own idle") << idleOnly << true << "idle"
                                         << "idle.ico" << false;
    QTest::newRow("idle-only: built-in checking") << idleOnly << true << "check"
                                                  << "103" << true;
    QTest::newRow("idle-only: built-in mail") << idleOnly << true << "animate"
                                              << "102" << false;
    QTest::newRow("no idle: built-in idle") << animated << true << "idle"
                                            << "101" << false;
    QTest::newRow("animation off, own mail icon") << mailAndAnimated << false << "animate"
                                                  << "mail.ico" << false;
    QTest::newRow("animation off, no mail icon") << animated << false << "animate"
                                                 << "102" << false;
    QTest::newRow("animation on") << mailAndAnimated << true << "animate"
                                  << "a1.ico" << true;
    QTest::newRow("still mail icon") << mailAndAnimated << true << "found"
                                     << "mail.ico" << false;
}

void skinTest::fallsBackToTheBuiltInLook()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, animate);
    QFETCH(QString, request);
    QFETCH(QString, picture);
    QFETCH(bool, timerRuns);
    Loaded s(text);
    QVERIFY(s.ok);
    s.folder.animate = animate;
    s.folder.animator->start(50); // whatever ran before
    if (request == QLatin1String("idle"))
        s.tray.DoIdle();
    else if (request == QLatin1String("check"))
        s.tray.DoCheck();
    else if (request == QLatin1String("found"))
        s.tray.DoFound();
    else
        s.tray.DoAnimate();
    QCOMPARE(s.folder.tray.shown, QStringList{picture});
    QCOMPARE(s.folder.animator->isActive(), timerRuns);
    // A request handed on leaves the skin's own state alone.
    if (picture.front().isDigit())
        QCOMPARE(s.tray.state(), int(defaultSkin::kIdle));
}

void skinTest::builtInChecksThroughItsFiveFrames()
{
    SkinTestFolder folder;
    defaultSkin builtIn(folder.surface);
    QVERIFY(builtIn.CreateSkin());
    QCOMPARE(builtIn.name(), QStringLiteral("<No Skin>"));
    builtIn.DoCheck();
    for (int i = 0; i < 6; ++i) {
        builtIn.DoCheck(); // what each tick of the driver asks
    }
    QCOMPARE(folder.tray.shown,
             QStringList({QStringLiteral("103"), QStringLiteral("104"), QStringLiteral("105"),
                          QStringLiteral("106"), QStringLiteral("107"), QStringLiteral("103"),
                          QStringLiteral("104")}));
    QVERIFY(folder.animator->isActive());
    builtIn.DoAnimate(); // the built-in look never animates mail
    QCOMPARE(folder.tray.last(), QStringLiteral("102"));
    QVERIFY(!folder.animator->isActive());
}

void skinTest::framesNeverFasterThan20Ms_data()
{
    QTest::addColumn<QByteArray>("interval");
    QTest::addColumn<int>("frameMs");
    QTest::newRow("1 ms") << QByteArray("1") << 20;
    QTest::newRow("19 ms") << QByteArray("19") << 20;
    QTest::newRow("20 ms") << QByteArray("20") << 20;
    QTest::newRow("250 ms") << QByteArray("250") << 250;
}

void skinTest::framesNeverFasterThan20Ms()
{
    QFETCH(QByteArray, interval);
    QFETCH(int, frameMs);
    for (const bool animation : {true, false}) {
        Loaded s(frames(animation ? "[ANIMATION]" : "[CHECKING]", interval, 2, "NORMAL",
                        animation ? "a" : "c"));
        QVERIFY(s.ok);
        // The file's figure is kept as written.
        QCOMPARE(animation ? s.tray.animationInterval() : s.tray.checkingInterval(),
                 interval.toInt());
        int ticks = 0;
        connect(s.folder.animator.get(), &Timer::timeout, this, [&] { ++ticks; });
        animation ? s.tray.DoAnimate() : s.tray.DoCheck();
        s.folder.clock.advance(frameMs - 1);
        QCOMPARE(ticks, 0);
        s.folder.clock.advance(1);
        QCOMPARE(ticks, 1);
    }
}

QTEST_GUILESS_MAIN(skinTest)
#include "skinTest.moc"
