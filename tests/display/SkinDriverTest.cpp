// The tray animation driver: the skin list, choosing a skin, the first-run
// choice, and the tray through the check cycle's situations on virtual time.
#include "display/SkinDriver.h"

#include "FakeTrayIcon.h"
#include "SkinTestFolder.h"
#include "core/stForm.h"
#include "display/TrayIconPicture.h"
#include "display/defaultSkin.h"
#include "platform/AnsiText.h"
#include "platform/DataFolders.h"

#include <QBuffer>
#include <QImage>
#include <QTest>
#include <memory>

using namespace orvane;
using namespace orvane::test;

namespace {

const QByteArray kIdleOnly("[IDLE]\r\nidle.ico\r\n");
const QByteArray kAnimOnly("[ANIMATION]\r\n250\r\n4\r\nREVERSE\r\na1.ico\r\na2.ico\r\na3.ico\r\n"
                           "a4.ico\r\n");
const QByteArray kFull("[IDLE]\r\nidle.ico\r\n[MAILFOUND]\r\nmail.ico\r\n[CHECKING]\r\n80\r\n2\r\n"
                       "NORMAL\r\nc1.ico\r\nc2.ico\r\n[ANIMATION]\r\n250\r\n4\r\nREVERSE\r\n"
                       "a1.ico\r\na2.ico\r\na3.ico\r\na4.ico\r\n");

struct Driver
{
    SkinTestFolder folder;
    std::unique_ptr<SkinDriver> driver;

    /// Skins named in `skins` get kFull, "idle" ones kIdleOnly, "anim" ones
    /// kAnimOnly; "broken" folders fail to load.
    explicit Driver(const QStringList& skins = {})
    {
        for (const QString& name : skins) {
            const QByteArray text = name.startsWith(QLatin1String("broken")) ? QByteArray("junk")
                                    : name.startsWith(QLatin1String("idle")) ? kIdleOnly
                                    : name.startsWith(QLatin1String("anim")) ? kAnimOnly
                                                                             : kFull;
            folder.addSkin(name, text, testIcons());
        }
        driver = std::make_unique<SkinDriver>(
            folder.clock, folder.tray, [this] { return folder.animate; },
            DataFolders(folder.programFolder()).skinFolders());
        driver->Create();
    }
    QStringList shownAfter(qint64 ms)
    {
        folder.tray.shown.clear();
        folder.clock.advance(ms);
        return folder.tray.shown;
    }
};

QStringList names(std::initializer_list<const char*> list)
{
    QStringList out;
    for (const char* n : list)
        out << QString::fromLatin1(n);
    return out;
}

QByteArray written(SkinDriver& driver)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    AnsiLineWriter out(buffer);
    driver.WriteYourself(out);
    return buffer.data();
}

} // namespace

class SkinDriverTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listsSkinsSortedWithoutCase();
    void choosingByName_data();
    void choosingByName();
    void indexesOutOfRangeAreIgnored_data();
    void indexesOutOfRangeAreIgnored();
    void rescanActivatesTheBuiltInSkin();
    void firstRunChoice_data();
    void firstRunChoice();
    void situationsOnTheTray_data();
    void situationsOnTheTray();
    void handedOnAnimationRestartsAfterAnotherSituation();
    void choosingASkinShowsTheSituationAtOnce();
    void unloadStopsTheAnimation();
    void shippedSkinLoadsAndPaints();
    void refreshReadsEditedPicturesAnew();
};

void SkinDriverTest::listsSkinsSortedWithoutCase()
{
    Driver d({QStringLiteral("beta"), QStringLiteral("Alpha"), QStringLiteral("gamma"),
              QStringLiteral("broken")});
    d.folder.addSkin(QStringLiteral("no skin file"), QByteArray(), {});
    QFile::remove(d.folder.skinFolder(QStringLiteral("no skin file")) + QStringLiteral("Skin.txt"));
    // A skin made where file names ignore case.
    d.folder.addSkin(QStringLiteral("Delta"), kIdleOnly, testIcons());
    QFile::rename(d.folder.skinFolder(QStringLiteral("Delta")) + QStringLiteral("Skin.txt"),
                  d.folder.skinFolder(QStringLiteral("Delta")) + QStringLiteral("SKIN.TXT"));
    d.driver->RescanSkins();
    QCOMPARE(d.driver->GetSkinNames(), names({"<No Skin>", "Alpha", "beta", "Delta", "gamma"}));
    QCOMPARE(d.driver->GetActiveSkinIndex(), 0);
}

void SkinDriverTest::choosingByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::newRow("exact") << "XP Style Flash" << 2;
    QTest::newRow("lower case") << "xp style flash" << 2;
    QTest::newRow("built-in") << "<No Skin>" << 0;
    QTest::newRow("built-in in lower case matches nothing") << "<no skin>" << 0;
    QTest::newRow("unknown") << "Gone" << 0;
    QTest::newRow("empty") << "" << 0;
}

void SkinDriverTest::choosingByName()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    Driver d({QStringLiteral("Blue"), QStringLiteral("XP Style Flash")});
    d.driver->UseSkinIndex(1);
    d.driver->UseSkin(name);
    QCOMPARE(d.driver->GetActiveSkinIndex(), index);
    // The saved line names the skin shown, so an unknown one is not kept.
    QCOMPARE(written(*d.driver),
             (index ? QByteArray("XP Style Flash") : QByteArray("<No Skin>")) + "\r\n");
}

void SkinDriverTest::indexesOutOfRangeAreIgnored_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("active");
    QTest::newRow("N + 1") << 3 << 1;
    QTest::newRow("-1") << -1 << 1;
    QTest::newRow("N") << 2 << 2;
    QTest::newRow("0") << 0 << 0;
}

void SkinDriverTest::indexesOutOfRangeAreIgnored()
{
    QFETCH(int, index);
    QFETCH(int, active);
    Driver d({QStringLiteral("a"), QStringLiteral("b")});
    d.driver->UseSkinIndex(1);
    d.folder.tray.shown.clear();
    d.driver->UseSkinIndex(index);
    QCOMPARE(d.driver->GetActiveSkinIndex(), active);
    QCOMPARE(d.folder.tray.shown.isEmpty(), index != active);
}

void SkinDriverTest::rescanActivatesTheBuiltInSkin()
{
    Driver d({QStringLiteral("a"), QStringLiteral("b")});
    d.driver->UseSkin(QStringLiteral("b"));
    d.driver->DoFound();
    QCOMPARE(d.folder.tray.last(), QStringLiteral("a1.ico"));
    d.driver->RescanSkins();
    QCOMPARE(d.driver->GetActiveSkinIndex(), 0);
    QCOMPARE(d.driver->GetSkinNames().size(), 3);
    // The built-in view of mail found: still, so the skin's timer is off.
    QCOMPARE(d.folder.tray.last(), QStringLiteral("102"));
    QVERIFY(!d.driver->isAnimating());
}

void SkinDriverTest::firstRunChoice_data()
{
    QTest::addColumn<QStringList>("skins");
    QTest::addColumn<QByteArray>("saved"); // empty: no list file read
    QTest::addColumn<QString>("active");
    QTest::newRow("first run") << QStringList{QStringLiteral("Blue"),
                                              QStringLiteral("XP Style Flash")}
                               << QByteArray() << "XP Style Flash";
    QTest::newRow("first run without that skin")
        << QStringList{QStringLiteral("Blue")} << QByteArray() << "<No Skin>";
    QTest::newRow("saved built-in kept") << QStringList{QStringLiteral("XP Style Flash")}
                                         << QByteArray("<No Skin>\r\n") << "<No Skin>";
    QTest::newRow("saved name, blanks trimmed")
        << QStringList{QStringLiteral("Blue"), QStringLiteral("XP Style Flash")}
        << QByteArray("  blue \r\n") << "Blue";
    QTest::newRow("saved name of a removed skin")
        << QStringList{QStringLiteral("XP Style Flash")} << QByteArray("Blue\r\n") << "<No Skin>";
    // The block started but its line is missing: the reader failed, yet a
    // choice was being read, so the first-run skin is not forced on it.
    QTest::newRow("damaged in the block")
        << QStringList{QStringLiteral("XP Style Flash")} << QByteArray("\x01") << "<No Skin>";
}

void SkinDriverTest::firstRunChoice()
{
    QFETCH(QStringList, skins);
    QFETCH(QByteArray, saved);
    QFETCH(QString, active);
    Driver d(skins);
    if (!saved.isEmpty()) {
        AnsiLineReader in(saved == "\x01" ? QByteArray() : saved);
        QCOMPARE(d.driver->ReadYourselfIn(QStringLiteral("1.6"), in), saved != "\x01");
    }
    d.driver->CheckShowStartup();
    QCOMPARE(d.driver->activeSkinName(), active);
}

void SkinDriverTest::situationsOnTheTray_data()
{
    QTest::addColumn<QString>("skinName"); // "<No Skin>", "full" or "idle-only"
    QTest::addColumn<bool>("animate");
    QTest::addColumn<QString>("request");
    QTest::addColumn<QStringList>("shown"); // at once and during the next 600 ms
    QTest::addColumn<bool>("animating");

    QTest::newRow("built-in checking")
        << "<No Skin>" << true << "check"
        << names({"103", "104", "105", "106", "107", "103", "104"}) << true;
    QTest::newRow("built-in mail") << "<No Skin>" << true << "found" << names({"102"}) << false;
    QTest::newRow("built-in idle") << "<No Skin>" << true << "idle" << names({"101"}) << false;
    QTest::newRow("skin checking at 80 ms")
        << "full" << true << "check"
        << names({"c1.ico", "c2.ico", "c1.ico", "c2.ico", "c1.ico", "c2.ico", "c1.ico", "c2.ico"})
        << true;
    QTest::newRow("skin mail animates at 250 ms")
        << "full" << true << "found" << names({"a1.ico", "a2.ico", "a3.ico"}) << true;
    QTest::newRow("skin mail with animation off")
        << "full" << false << "found" << names({"mail.ico"}) << false;
    QTest::newRow("idle-only skin checks the built-in way")
        << "idle-only" << true << "check"
        << names({"103", "104", "105", "106", "107", "103", "104"}) << true;
    QTest::newRow("idle-only skin idles its own way")
        << "idle-only" << true << "idle" << names({"idle.ico"}) << false;
}

void SkinDriverTest::situationsOnTheTray()
{
    QFETCH(QString, skinName);
    QFETCH(bool, animate);
    QFETCH(QString, request);
    QFETCH(QStringList, shown);
    QFETCH(bool, animating);
    Driver d({QStringLiteral("full"), QStringLiteral("idle-only")});
    d.folder.animate = animate;
    d.driver->UseSkin(skinName);
    d.folder.tray.shown.clear();
    if (request == QLatin1String("check"))
        d.driver->DoCheck();
    else if (request == QLatin1String("found"))
        d.driver->DoFound();
    else
        d.driver->DoIdle();
    d.folder.clock.advance(600);
    QCOMPARE(d.folder.tray.shown, shown);
    QCOMPARE(d.driver->isAnimating(), animating);
    // Idle always ends the animation: an idle notifier is never woken up.
    d.driver->DoIdle();
    QVERIFY(!d.driver->isAnimating());
    QCOMPARE(d.folder.clock.activeTimerCount(), 0);
}

// A skin with its own idle icon but the built-in checking frames: the
// built-in animation must start again on the next check after the skin's
// idle icon switched the shared timer off, not freeze on one frame.
void SkinDriverTest::handedOnAnimationRestartsAfterAnotherSituation()
{
    Driver d({QStringLiteral("idle-only"), QStringLiteral("anim-only")});
    d.driver->UseSkin(QStringLiteral("idle-only"));
    d.driver->DoCheck();
    d.driver->DoIdle();
    d.driver->DoCheck();
    QCOMPARE(d.shownAfter(200), names({"104", "105"}));
    QVERIFY(d.driver->isAnimating());

    // A skin's own mail animation after the built-in checking frames runs
    // at its own frame time again, from its first frame.
    d.driver->UseSkin(QStringLiteral("anim-only"));
    d.driver->DoFound();
    d.driver->DoCheck();
    d.driver->DoFound();
    QCOMPARE(d.folder.tray.last(), QStringLiteral("a1.ico"));
    QCOMPARE(d.shownAfter(250), names({"a2.ico"})); // 250 ms, not the built-in 100
    QCOMPARE(d.shownAfter(249), QStringList());
}

void SkinDriverTest::choosingASkinShowsTheSituationAtOnce()
{
    Driver d({QStringLiteral("full")});
    d.driver->DoCheck();
    d.driver->DoCheck(); // every account starting its check asks again
    QCOMPARE(d.folder.tray.shown, names({"103", "104"}));
    d.driver->UseSkin(QStringLiteral("full"));
    QCOMPARE(d.folder.tray.last(), QStringLiteral("c1.ico"));
    QCOMPARE(d.shownAfter(80), names({"c2.ico"}));
    d.driver->UseSkinIndex(0);
    QCOMPARE(d.folder.tray.last(), QStringLiteral("103"));
    QCOMPARE(d.shownAfter(100), names({"104"}));
}

void SkinDriverTest::unloadStopsTheAnimation()
{
    Driver d({QStringLiteral("full")});
    d.driver->UseSkin(QStringLiteral("full"));
    d.driver->DoFound();
    d.driver->Unload();
    QVERIFY(!d.driver->Created());
    QCOMPARE(d.shownAfter(2000), QStringList());
    d.driver->DoCheck();
    QCOMPARE(d.shownAfter(2000), QStringList());
    // The choice is still saved after the windows were unloaded.
    QCOMPARE(written(*d.driver), QByteArray("full\r\n"));
}

void SkinDriverTest::shippedSkinLoadsAndPaints()
{
    const QString programFolder = qEnvironmentVariable("ORVANE_PROGRAM_DIR") + QLatin1Char('/');
    VirtualClock clock;
    RecordingTrayPicture tray;
    SkinDriver driver(
        clock, tray, [] { return true; }, DataFolders(programFolder).skinFolders());
    driver.Create();
    driver.CheckShowStartup();
    QCOMPARE(driver.activeSkinName(), QStringLiteral("XP Style Flash"));
    driver.DoCheck();
    driver.DoFound();
    driver.DoIdle();
    const QString folder = programFolder + QStringLiteral("Skins/XP Style Flash/");
    for (const QString& file : tray.shown) {
        const QIcon icon = TrayIconPicture::loadIcon(folder + file);
        QVERIFY2(!icon.isNull(), qPrintable(file));
        QVERIFY2(icon.availableSizes().contains(QSize(16, 16)), qPrintable(file));
    }
    QCOMPARE(tray.shown, names({"idle.ico", "check1.ico", "flash1.ico", "idle.ico"}));
    // The built-in pictures come with the library that names them.
    for (int id = defaultSkin::kIdleIcon; id < defaultSkin::kFirstCheckIcon + 5; ++id)
        QVERIFY(!QImage(stForm::ResourcePath(id)).isNull());
}

void SkinDriverTest::refreshReadsEditedPicturesAnew()
{
    SkinTestFolder folder;
    const QString icon = folder.skinFolder(QStringLiteral("S")) + QStringLiteral("idle.ico");
    folder.addSkin(QStringLiteral("S"), kIdleOnly, {});
    const auto paint = [&](QColor colour) {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(colour);
        QVERIFY(image.save(icon, "ICO"));
    };
    paint(Qt::red);
    FakeTrayIcon tray;
    TrayIconPicture picture(tray);
    SkinDriver driver(
        folder.clock, picture, [] { return true; },
        DataFolders(folder.programFolder()).skinFolders());
    driver.Create();
    driver.UseSkin(QStringLiteral("S"));
    QCOMPARE(tray.icon.pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
    paint(Qt::blue); // the user edits the skin, then presses "Refresh"
    driver.RescanSkins();
    driver.UseSkin(QStringLiteral("S"));
    QCOMPARE(tray.icon.pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::blue));
}

QTEST_MAIN(SkinDriverTest)
#include "SkinDriverTest.moc"
