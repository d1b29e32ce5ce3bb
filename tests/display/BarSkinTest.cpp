#include "display/BarSkin.h"

#include "FileHelpers.h"
#include "display/DefaultBarSkin.h"

#include <QTemporaryDir>
#include <QTest>

using namespace orvane;
using namespace orvane::test;

namespace {

// A bar of 100 x 20 pixels whose four pictures exist.
const QByteArray kBar = "[BAR]\nin.bmp\nim.bmp\ncn.bmp\ncm.bmp\n100,20\n";

struct Corners
{
    bool used;
    float x1, y1, x2, y2;
};

} // namespace

Q_DECLARE_METATYPE(Corners)

class BarSkinTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void loads_data();
    void loads();
    void boxes_data();
    void boxes();
    void controlsStayWithinTheBar_data();
    void controlsStayWithinTheBar();
    void numberStyle_data();
    void numberStyle();
    void points_data();
    void points();
    void placesInTwips();
    void fitsTheLargestScreen_data();
    void fitsTheLargestScreen();
    void builtInLayout();

private:
    /// Loads a skin folder whose bSkin.txt holds `text` (none when null).
    bool load(BarSkin& skin, const QByteArray& text);
    QTemporaryDir m_dir;
    int m_folders = 0;
};

void BarSkinTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    writeFile(m_dir.filePath(QStringLiteral("outside.bmp")), "BM");
}

bool BarSkinTest::load(BarSkin& skin, const QByteArray& text)
{
    const QString folder = m_dir.filePath(QStringLiteral("skin%1/").arg(++m_folders));
    for (const char* name :
         {"in.bmp", "im.bmp", "cn.bmp", "cm.bmp", "back.BMP", "back.bmp.bak", "nodot"})
        writeFile(folder + QString::fromLatin1(name), "BM");
    QFile::link(m_dir.filePath(QStringLiteral("outside.bmp")), folder + QStringLiteral("link.bmp"));
    if (!text.isNull())
        writeFile(folder + QStringLiteral("bSkin.txt"), text);
    return skin.CreateSkin(QStringLiteral("Test"), folder, QStringLiteral("bSkin.txt"));
}

void BarSkinTest::loads_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("usable");
    QTest::newRow("bar only") << kBar << true;
    QTest::newRow("no skin file") << QByteArray() << false;
    QTest::newRow("empty file") << QByteArray("") << false;
    QTest::newRow("no bar section") << QByteArray("[CLOSE]\n1,1,5,5\n") << false;
    QTest::newRow("bar after the buttons") << "[CLOSE]\n1,1,5,5\n" + kBar << true;
    QTest::newRow("second bar") << kBar + kBar << false;
    QTest::newRow("unknown section") << kBar + "[BUTTON]\n1,1,2,2\n" << false;
    QTest::newRow("lower-case sections")
        << QByteArray("[bar]\nin.bmp\nim.bmp\ncn.bmp\ncm.bmp\n100,20\n[close]\n1,1,5,5\n") << true;
    QTest::newRow("comments, blanks, CR LF")
        << QByteArray("; a skin\r\n\r\n  [BAR] ; the bar\r\nin.bmp;x\r\n im.bmp \r\ncn.bmp\r\n"
                      "cm.bmp\r\n100,20\r\n")
        << true;
    QTest::newRow("bitmap in upper case")
        << QByteArray("[BAR]\nback.BMP\nim.bmp\ncn.bmp\ncm.bmp\n100,20\n") << true;
    QTest::newRow("bitmap named in another case")
        << QByteArray("[BAR]\nIN.BMP\nim.bmp\ncn.bmp\ncm.bmp\n100,20\n") << true;
    QTest::newRow("bitmap .bmp.bak")
        << QByteArray("[BAR]\nback.bmp.bak\nim.bmp\ncn.bmp\ncm.bmp\n100,20\n") << false;
    QTest::newRow("bitmap without a dot")
        << QByteArray("[BAR]\nnodot\nim.bmp\ncn.bmp\ncm.bmp\n100,20\n") << false;
    QTest::newRow("bitmap missing")
        << QByteArray("[BAR]\ngone.bmp\nim.bmp\ncn.bmp\ncm.bmp\n100,20\n") << false;
    QTest::newRow("bitmap in the parent folder")
        << QByteArray("[BAR]\n..\\outside.bmp\nim.bmp\ncn.bmp\ncm.bmp\n100,20\n") << false;
    QTest::newRow("bitmap linked from elsewhere")
        << QByteArray("[BAR]\nlink.bmp\nim.bmp\ncn.bmp\ncm.bmp\n100,20\n") << false;
    QTest::newRow("bar cut short") << QByteArray("[BAR]\nin.bmp\nim.bmp\n") << false;
    QTest::newRow("size without a comma")
        << QByteArray("[BAR]\nin.bmp\nim.bmp\ncn.bmp\ncm.bmp\n100\n") << false;
    QTest::newRow("size not a number")
        << QByteArray("[BAR]\nin.bmp\nim.bmp\ncn.bmp\ncm.bmp\n100,tall\n") << false;
    QTest::newRow("size of nothing")
        << QByteArray("[BAR]\nin.bmp\nim.bmp\ncn.bmp\ncm.bmp\n0,20\n") << false;
    QTest::newRow("size in hex") << QByteArray("[BAR]\nin.bmp\nim.bmp\ncn.bmp\ncm.bmp\n&H64,&h14\n")
                                 << true;
    QTest::newRow("bar of a billion pixels")
        << QByteArray("[BAR]\nin.bmp\nim.bmp\ncn.bmp\ncm.bmp\n1e9,1e9\n") << false;
    QTest::newRow("bar wider than any screen")
        << QByteArray("[BAR]\nin.bmp\nim.bmp\ncn.bmp\ncm.bmp\n16385,20\n") << false;
    QTest::newRow("bitmap climbing out through a folder")
        << QByteArray("[BAR]\nsub/../../outside.bmp\nim.bmp\ncn.bmp\ncm.bmp\n100,20\n") << false;
    QTest::newRow("box with one comma") << kBar + "[CLOSE]\n1,1\n" << false;
    QTest::newRow("box line missing") << kBar + "[CLOSE]\n" << false;
    QTest::newRow("font missing") << kBar + "[NUMBERFONT]\n" << false;
    QTest::newRow("font given") << kBar + "[NUMBERFONT]\nDejaVu Sans\n" << true;
    QTest::newRow("colour not a number") << kBar + "[NUMBER]\n1,1,9,9\nred\n8\n" << false;
    QTest::newRow("number size missing") << kBar + "[NUMBER]\n1,1,9,9\n255\n" << false;
}

void BarSkinTest::loads()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, usable);
    BarSkin skin;
    QCOMPARE(load(skin, text), usable);
    if (usable) {
        QVERIFY(skin.fileIN.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive));
        QVERIFY(QFileInfo(skin.fileCM).isAbsolute());
        QVERIFY(QFileInfo::exists(skin.fileIM));
    }
}

void BarSkinTest::boxes_data()
{
    QTest::addColumn<QByteArray>("sections");
    QTest::addColumn<int>("box");
    QTest::addColumn<Corners>("expected");
    const int close = BarSkin::CloseBox;
    QTest::newRow("corners normalised")
        << QByteArray("[CLOSE]\n20,0,5,14\n") << close << Corners{true, 5, 0, 20, 14};
    QTest::newRow("clipped at the right")
        << QByteArray("[CLOSE]\n90,0,120,20\n") << close << Corners{true, 90, 0, 100, 20};
    QTest::newRow("clipped at the left")
        << QByteArray("[CLOSE]\n-5,2,10,8\n") << close << Corners{true, 0, 2, 10, 8};
    QTest::newRow("wholly right of the bar")
        << QByteArray("[CLOSE]\n150,0,160,20\n") << close << Corners{false, 0, 0, 0, 0};
    QTest::newRow("wholly below the bar")
        << QByteArray("[CLOSE]\n10,25,20,30\n") << close << Corners{false, 0, 0, 0, 0};
    QTest::newRow("wholly left of the bar")
        << QByteArray("[CLOSE]\n-30,0,-10,20\n") << close << Corners{false, 0, 0, 0, 0};
    QTest::newRow("touching the edge stays")
        << QByteArray("[CLOSE]\n100,0,110,20\n") << close << Corners{true, 100, 0, 100, 20};
    QTest::newRow("four zeros untouched")
        << QByteArray("[CLOSE]\n0,0,0,0\n") << close << Corners{true, 0, 0, 0, 0};
    QTest::newRow("no width cleared")
        << QByteArray("[CLOSE]\n5,0,5,10\n") << close << Corners{false, 0, 0, 0, 0};
    QTest::newRow("bad corner keeps zeros")
        << QByteArray("[CLOSE]\nx,5,10,10\n") << close << Corners{true, 0, 0, 10, 10};
    QTest::newRow("hex corners") << QByteArray("[CLOSE]\n&HA,0,&H14,&HA\n") << close
                                 << Corners{true, 10, 0, 20, 10};
    QTest::newRow("last repeated section wins")
        << QByteArray("[CLOSE]\n1,1,2,2\n[CLOSE]\n3,3,4,4\n") << close << Corners{true, 3, 3, 4, 4};
    QTest::newRow("never given") << QByteArray() << int(BarSkin::ExitBox)
                                 << Corners{false, 0, 0, 0, 0};
    QTest::newRow("number clipped") << QByteArray("[NUMBER]\n50,5,130,15\n0\n8\n")
                                    << int(BarSkin::NumberBox) << Corners{true, 50, 5, 100, 15};
    QTest::newRow("default not clipped")
        << QByteArray("[DEFAULT]\n150,0,160,20\n") << int(BarSkin::DefaultBox)
        << Corners{true, 150, 0, 160, 20};
    QTest::newRow("view list") << QByteArray("[VIEWLIST]\n30,2,40,12\n")
                               << int(BarSkin::ViewListBox) << Corners{true, 30, 2, 40, 12};
    QTest::newRow("buttons before the bar are clipped too")
        << QByteArray("[RUN]\n90,0,120,20\n[BAR]\nin.bmp\nim.bmp\ncn.bmp\ncm.bmp\n100,20\n")
        << int(BarSkin::RunBox) << Corners{true, 90, 0, 100, 20};
}

void BarSkinTest::boxes()
{
    QFETCH(QByteArray, sections);
    QFETCH(int, box);
    QFETCH(Corners, expected);
    BarSkin skin;
    const QByteArray text = sections.contains("[BAR]") ? sections : kBar + sections;
    QVERIFY(load(skin, text));
    const Box& b = skin.box(BarSkin::BoxId(box));
    QCOMPARE(b.used, expected.used);
    QCOMPARE(b.Corner1.X, expected.x1);
    QCOMPARE(b.Corner1.Y, expected.y1);
    QCOMPARE(b.Corner2.X, expected.x2);
    QCOMPARE(b.Corner2.Y, expected.y2);
}

void BarSkinTest::controlsStayWithinTheBar_data()
{
    QTest::addColumn<QByteArray>("sections");
    QTest::newRow("half pixel in, clipped at the right") << QByteArray("[CLOSE]\n2.5,0,503,30\n");
    QTest::newRow("half pixels in, to the far corner") << QByteArray("[CLOSE]\n0.5,0.5,100,20\n");
}

void BarSkinTest::controlsStayWithinTheBar()
{
    QFETCH(QByteArray, sections);
    BarSkin skin;
    QVERIFY(load(skin, kBar + sections));
    skin.SetupPixels(15, 15);
    const BarPlacement bar = skin.DrawMAIN();
    const BarPlacement close = skin.DrawClose();
    QVERIFY(close.visible);
    QVERIFY(close.left >= 0 && close.top >= 0);
    QVERIFY(close.left + close.width <= bar.width);
    QVERIFY(close.top + close.height <= bar.height);
}

void BarSkinTest::numberStyle_data()
{
    QTest::addColumn<QByteArray>("colour");
    QTest::addColumn<QByteArray>("size");
    QTest::addColumn<QColor>("expectedColour");
    QTest::addColumn<int>("expectedSize");
    QTest::newRow("plain") << QByteArray("255") << QByteArray("12") << QColor(255, 0, 0) << 12;
    QTest::newRow("negative colour") << QByteArray("-5") << QByteArray("8") << QColor(0, 0, 0) << 8;
    QTest::newRow("colour too large")
        << QByteArray("99999999") << QByteArray("8") << QColor(255, 255, 255) << 8;
    QTest::newRow("hex colour, blue high")
        << QByteArray("&HFF0000") << QByteArray("8") << QColor(0, 0, 255) << 8;
    QTest::newRow("size too small") << QByteArray("0") << QByteArray("2") << QColor(0, 0, 0) << 4;
    QTest::newRow("size too large") << QByteArray("0") << QByteArray("72") << QColor(0, 0, 0) << 50;
    QTest::newRow("fractional size")
        << QByteArray("0") << QByteArray("9.6") << QColor(0, 0, 0) << 10;
}

void BarSkinTest::numberStyle()
{
    QFETCH(QByteArray, colour);
    QFETCH(QByteArray, size);
    QFETCH(QColor, expectedColour);
    QFETCH(int, expectedSize);
    BarSkin skin;
    QVERIFY(load(skin, kBar + "[NUMBER]\n10,2,40,18\n" + colour + "\n" + size + "\n"));
    const auto look = skin.NumberLook();
    QVERIFY(look);
    QCOMPARE(look->colour, expectedColour);
    QCOMPARE(look->size, expectedSize);
    QCOMPARE(look->font, QStringLiteral("MS Sans Serif"));
}

void BarSkinTest::points_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    // The point starts at 7,8.
    QTest::newRow("pair") << QStringLiteral(" 3 , 4 ") << true << 3.f << 4.f;
    QTest::newRow("fractions") << QStringLiteral("1.5,-2.25") << true << 1.5f << -2.25f;
    QTest::newRow("no comma") << QStringLiteral("34") << false << 7.f << 8.f;
    QTest::newRow("x fails") << QStringLiteral("a,4") << false << 7.f << 8.f;
    QTest::newRow("y fails, x kept") << QStringLiteral("3,b") << false << 3.f << 8.f;
    QTest::newRow("hex") << QStringLiteral("&H10,&HFFFFFFFF") << true << 16.f << -1.f;
    QTest::newRow("empty hex") << QStringLiteral("&H,1") << false << 7.f << 8.f;
}

void BarSkinTest::points()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(float, x);
    QFETCH(float, y);
    Point p;
    p.SetPoint(7, 8);
    QCOMPARE(p.SetStringPoint(text), ok);
    QCOMPARE(p.X, x);
    QCOMPARE(p.Y, y);
}

void BarSkinTest::placesInTwips()
{
    BarSkin skin;
    QVERIFY(load(skin, kBar + "[CLOSE]\n20,0,5.4,14.6\n[CHECK]\n150,0,160,20\n"));
    skin.SetupPixels(15, 12);
    // Each coordinate and difference is a whole pixel before it is scaled.
    QCOMPARE(skin.DrawMAIN(), (BarPlacement{true, 0, 0, 1500, 240}));
    QCOMPARE(skin.DrawBar(), (BarPlacement{true, 0, 0, 1500, 240}));
    QCOMPARE(skin.DrawClose(), (BarPlacement{true, 75, 0, 15 * 15, 15 * 12}));
    QCOMPARE(skin.DrawCheck().visible, false);
    QCOMPARE(skin.DrawNumber().visible, false);
}

void BarSkinTest::fitsTheLargestScreen_data()
{
    QTest::addColumn<QByteArray>("size");
    QTest::addColumn<bool>("fits");
    QTest::newRow("small") << QByteArray("275,14") << true;
    QTest::newRow("as wide as the screen") << QByteArray("1280,14") << true;
    QTest::newRow("wider") << QByteArray("1281,14") << false;
    QTest::newRow("taller") << QByteArray("100,801") << false;
    QTest::newRow("desktop-sized") << QByteArray("3000,2000") << false;
}

void BarSkinTest::fitsTheLargestScreen()
{
    QFETCH(QByteArray, size);
    QFETCH(bool, fits);
    BarSkin skin;
    QVERIFY(load(skin,
                 "[BAR]\nin.bmp\nim.bmp\ncn.bmp\ncm.bmp\n" + size + "\n[DEFAULT]\n1e9,0,2e9,10\n"));
    QCOMPARE(skin.FitsWithin(QSize(1280, 800)), fits);
    // Twips of a box far off the bar do not wrap round into the bar.
    skin.SetupPixels(15, 15);
    QCOMPARE(skin.DrawDefault().left, qint64(1000000000) * 15);
    QVERIFY(skin.DrawMAIN().width > 0);
}

void BarSkinTest::builtInLayout()
{
    DefaultBarSkin skin;
    skin.CreateSkin(15, 15);
    QCOMPARE(skin.name, QStringLiteral("<Default>"));
    QCOMPARE(skin.DrawMAIN(), (BarPlacement{true, 0, 0, 275 * 15, 14 * 15}));
    QCOMPARE(skin.DrawClose(), (BarPlacement{true, 0, 0, 13 * 15, 14 * 15}));
    QCOMPARE(skin.DrawSettings(), (BarPlacement{true, 14 * 15, 0, 11 * 15, 14 * 15}));
    QCOMPARE(skin.DrawRun(), (BarPlacement{true, 222 * 15, 0, 20 * 15, 14 * 15}));
    QCOMPARE(skin.DrawCheck(), (BarPlacement{true, 242 * 15, 0, 33 * 15, 14 * 15}));
    for (const BarPlacement& hidden : {skin.DrawQuickView(), skin.DrawExit(), skin.DrawClear(),
                                       skin.DrawViewList(), skin.DrawNumber(), skin.DrawDefault()})
        QVERIFY(!hidden.visible);
    QVERIFY(!skin.NumberLook());
    for (int check : {0, 1}) {
        for (int mail : {0, 1}) {
            const QImage image = skin.Background(check, mail);
            QCOMPARE(image.size(), QSize(275, 14));
            QCOMPARE(image.depth(), 24);
        }
    }
}

QTEST_MAIN(BarSkinTest)
#include "BarSkinTest.moc"
