// The pictures the tray is given while checks run: one icon object per
// picture for the whole run. A new object for every frame gets a new key in
// Qt's pixmap cache each time the tray paints it, and those keys pile up
// for as long as the notifier checks.
#include "display/TrayIconPicture.h"

#include "FakeTrayIcon.h"
#include "VirtualClock.h"
#include "display/SkinDriver.h"
#include "display/defaultSkin.h"
#include "platform/DataFolders.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;
using namespace orvane::test;

class TrayIconPictureTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void checksReuseTheirPictures();
};

void TrayIconPictureTest::checksReuseTheirPictures()
{
    QTemporaryDir noSkins;
    VirtualClock clock;
    FakeTrayIcon tray;
    TrayIconPicture picture(tray);
    SkinDriver driver(
        clock, picture, [] { return true; }, DataFolders(noSkins.path()).skinFolders());
    driver.Create();

    QSet<qint64> icons;
    const auto frames = [&](int count) {
        for (int i = 0; i < count; ++i) {
            clock.advance(defaultSkin::kFrameMs);
            icons.insert(tray.icon.cacheKey());
        }
    };
    // A pass a second, as with a one-second interval: the check animation,
    // then mail found or none.
    for (int pass = 0; pass < 40; ++pass) {
        driver.DoCheck();
        frames(7);
        pass % 2 ? driver.DoFound() : driver.DoIdle();
        frames(3);
    }
    QVERIFY(tray.iconChanges > 200);
    // The idle and found pictures and the check frames, each once.
    QVERIFY2(icons.size() <= 2 + defaultSkin::kCheckFrames,
             qPrintable(QString::number(icons.size())));
}

QTEST_MAIN(TrayIconPictureTest)
#include "TrayIconPictureTest.moc"
