#include "FakeOptions.h"
#include "LineBlock.h"
#include "RecordingProgramWindows.h"
#include "RecordingTrayPicture.h"
#include "VirtualClock.h"
#include "display/QuickBar.h"
#include "display/QuickView.h"
#include "display/SkinDriver.h"
#include "platform/AnsiText.h"
#include "platform/DataFolders.h"

#include <QTest>

using namespace orvane;
using namespace orvane::test;

namespace {

// The three display blocks, one of them picked by a test row's name.
struct Displays
{
    RecordingProgramWindows windows;
    FakeOptions options;
    QuickView quickView{windows, options};
    // A saved tray skin is kept only while its folder is there: the driver
    // reads the shipped skins, as the bar does.
    VirtualClock clock;
    RecordingTrayPicture tray;
    const QStringList shipped =
        DataFolders(qEnvironmentVariable("ORVANE_PROGRAM_DIR")).skinFolders();
    SkinDriver skin{clock, tray, nullptr, shipped};
    QuickBar bar{shipped, windows, options};

    Displays()
    {
        skin.Create();
        bar.Create();
    }

    SavedBlock& block(const QString& name)
    {
        if (name == QLatin1String("quickview"))
            return quickView;
        if (name == QLatin1String("skin"))
            return skin;
        return bar;
    }
};

} // namespace

class SavedDisplayBlocksTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrips_data();
    void roundTrips();
    void damagedBlocks_data();
    void damagedBlocks();
    void quickBarAcceptsFractionalTwips();
    void quickViewKeepsWidthsReadBeforeTheDamage();
};

void SavedDisplayBlocksTest::roundTrips_data()
{
    QTest::addColumn<QString>("block");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("Quick View") << "quickview" << QByteArray("1800\r\n900\r\n2100\r\n3300\r\n");
    QTest::newRow("tray skin") << "skin" << QByteArray("XP Style Flash\r\n");
    QTest::newRow("no tray skin") << "skin" << QByteArray("<No Skin>\r\n");
    QTest::newRow("Quick Bar shown, on top")
        << "quickbar" << QByteArray("Sublime\r\nTrue\r\n1440\r\n-300\r\nTrue\r\n");
    QTest::newRow("Quick Bar hidden keeps its place")
        << "quickbar" << QByteArray("<Default>\r\nFalse\r\n15\r\n30\r\nFalse\r\n");
}

void SavedDisplayBlocksTest::roundTrips()
{
    QFETCH(QString, block);
    QFETCH(QByteArray, text);
    Displays displays;
    SavedBlock& target = displays.block(block);
    AnsiLineReader in(text + "after\r\n");
    QVERIFY(target.ReadYourselfIn(QStringLiteral("1.6"), in));
    QString next;
    QVERIFY(in.readLine(next));
    QCOMPARE(next, QStringLiteral("after")); // exactly its own lines were read
    QCOMPARE(written(target), text);
}

void SavedDisplayBlocksTest::damagedBlocks_data()
{
    QTest::addColumn<QString>("block");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("Quick View width not a number")
        << "quickview" << QByteArray("1\r\nwide\r\n3\r\n4\r\n");
    QTest::newRow("Quick View cut short") << "quickview" << QByteArray("1\r\n2\r\n");
    QTest::newRow("tray skin missing") << "skin" << QByteArray();
    QTest::newRow("Quick Bar visible not a Boolean")
        << "quickbar" << QByteArray("x\r\nsure\r\n1\r\n2\r\nTrue\r\n");
    QTest::newRow("Quick Bar top not a number")
        << "quickbar" << QByteArray("x\r\nTrue\r\nhigh\r\n2\r\nTrue\r\n");
    QTest::newRow("Quick Bar cut before on-top")
        << "quickbar" << QByteArray("x\r\nTrue\r\n1\r\n2\r\n");
}

void SavedDisplayBlocksTest::damagedBlocks()
{
    QFETCH(QString, block);
    QFETCH(QByteArray, text);
    Displays displays;
    SavedBlock& target = displays.block(block);
    AnsiLineReader in(text);
    QVERIFY(!target.ReadYourselfIn(QStringLiteral("1.6"), in));
    QVERIFY(!displays.bar.settingsRead());
    QVERIFY(!displays.bar.isVisible());
}

void SavedDisplayBlocksTest::quickBarAcceptsFractionalTwips()
{
    Displays displays;
    QuickBar& bar = displays.bar;
    AnsiLineReader in(QByteArray("Sublime\r\nTrue\r\n1234.6\r\n-15.2\r\nFalse\r\n"));
    QVERIFY(bar.ReadYourselfIn(QStringLiteral("1.6"), in));
    QCOMPARE(bar.top(), 1235);
    QCOMPARE(bar.left(), -15);
    QVERIFY(bar.isVisible());
    QVERIFY(bar.settingsRead());
}

void SavedDisplayBlocksTest::quickViewKeepsWidthsReadBeforeTheDamage()
{
    Displays displays;
    QuickView& view = displays.quickView;
    view.LoadDefaultSettings();
    AnsiLineReader in(QByteArray("1500\r\nwide\r\n"));
    QVERIFY(!view.ReadYourselfIn(QStringLiteral("1.6"), in));
    QCOMPARE(view.widths()[0], 1500);
    QCOMPARE(view.widths()[1], 1000);
}

QTEST_MAIN(SavedDisplayBlocksTest)
#include "SavedDisplayBlocksTest.moc"
