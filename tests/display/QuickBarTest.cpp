#include "display/QuickBar.h"

#include "FakeOptions.h"
#include "FileHelpers.h"
#include "LineBlock.h"
#include "RecordingProgramWindows.h"
#include "display/BarArtwork.h"
#include "platform/AnsiText.h"
#include "platform/DataFolders.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;
using namespace orvane::test;

namespace {

// "Alpha": a 100 x 20 bar with every button; its pictures are plain colours
// so each state's picture can be told apart.
const QByteArray kAlpha = "[BAR]\nin.bmp\nim.bmp\ncn.bmp\ncm.bmp\n100,20\n"
                          "[CLOSE]\n0,0,10,20\n[SETTINGS]\n10,0,20,20\n[QUICKVIEW]\n20,0,30,20\n"
                          "[CHECK]\n30,0,40,20\n[RUN]\n40,0,50,20\n[EXIT]\n50,0,60,20\n"
                          "[CLEAR]\n60,0,70,20\n[DEFAULT]\n70,0,80,20\n[VIEWLIST]\n80,0,85,20\n"
                          "[NUMBER]\n85,2,100,18\n&HFF00\n12\n";

void writeSkin(const QString& folder, const QByteArray& text)
{
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
    const char* files[] = {"in.bmp", "im.bmp", "cn.bmp", "cm.bmp"};
    for (int i = 0; i < 4; ++i) {
        QImage image(100, 20, QImage::Format_RGB888);
        image.fill(colours[i]);
        writeFile(folder + QString::fromLatin1(files[i]), {});
        QVERIFY(image.save(folder + QString::fromLatin1(files[i]), "BMP"));
    }
    if (!text.isNull())
        writeFile(folder + QStringLiteral("bSkin.txt"), text);
}

// A bar on a program folder with the skins "Alpha", "beta" and "Sublime",
// a broken one and a folder without a skin file.
struct Bar
{
    Bar()
    {
        writeSkin(dir.filePath(QStringLiteral("Skins/beta/")), kAlpha);
        writeSkin(dir.filePath(QStringLiteral("Skins/Alpha/")), kAlpha);
        writeSkin(dir.filePath(QStringLiteral("Skins/Sublime/")), kAlpha);
        writeSkin(dir.filePath(QStringLiteral("Skins/Broken/")), "[CLOSE]\n1,1,2,2\n");
        // Made where file names ignore case; sorts after the letters as the
        // tray's skins do.
        writeSkin(dir.filePath(QStringLiteral("Skins/_x/")), QByteArray());
        writeFile(dir.filePath(QStringLiteral("Skins/_x/BSKIN.TXT")), kAlpha);
        // Larger than any screen: it would cover the desktop.
        writeSkin(dir.filePath(QStringLiteral("Skins/Huge/")),
                  "[BAR]\nin.bmp\nim.bmp\ncn.bmp\ncm.bmp\n8000,6000\n");
        writeSkin(dir.filePath(QStringLiteral("Skins/Tray only/")), QByteArray());
        bar.Create();
    }
    QWidget* control(const char* name) const
    {
        return bar.window()->findChild<QWidget*>(QString::fromLatin1(name));
    }
    QTemporaryDir dir;
    RecordingProgramWindows windows;
    FakeOptions options;
    QuickBar bar{DataFolders(dir.path()).skinFolders(), windows, options};
};

QSize screenSize()
{
    return QGuiApplication::primaryScreen()->geometry().size();
}

} // namespace

class QuickBarTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void skinList();
    void layout_data();
    void layout();
    void backgrounds_data();
    void backgrounds();
    void mailCount_data();
    void mailCount();
    void snapping_data();
    void snapping();
    void dragSnapsToTheEdge();
    void snapsToTheScreenItIsOn_data();
    void snapsToTheScreenItIsOn();
    void comesBackFromAMonitorThatIsGone_data();
    void comesBackFromAMonitorThatIsGone();
    void keyboardReachesTheButtons();
    void buttons_data();
    void buttons();
    void onTopAndReset();
    void savedBlock_data();
    void savedBlock();
    void placeOffEveryScreen();
    void firstRun();
    void paintsEachState_data();
    void paintsEachState();
};

void QuickBarTest::skinList()
{
    Bar b;
    QCOMPARE(b.bar.GetSkinNames(), QStringList({"<Default>", "Alpha", "beta", "Sublime", "_x"}));
    b.bar.UseSkin(QStringLiteral("BETA"));
    QCOMPARE(b.bar.GetActiveSkinIndex(), 2);
    b.bar.UseSkinIndex(5); // one past the list
    QCOMPARE(b.bar.GetActiveSkinIndex(), 2);
    b.bar.UseSkinIndex(-1);
    QCOMPARE(b.bar.GetActiveSkinIndex(), 2);
    b.bar.UseSkinIndex(3);
    QCOMPARE(b.bar.activeSkinName(), QStringLiteral("Sublime"));
    b.bar.UseSkin(QStringLiteral("gone"));
    QCOMPARE(b.bar.GetActiveSkinIndex(), 0);
    b.bar.UseSkin(QStringLiteral("<default>")); // only the exact name is the built-in one
    QCOMPARE(b.bar.GetActiveSkinIndex(), 0);
    b.bar.UseSkinIndex(1);
    b.bar.RescanSkins();
    QCOMPARE(b.bar.GetActiveSkinIndex(), 0);
    b.bar.Create(); // a second scan lists each skin once
    QCOMPARE(b.bar.GetSkinNames().size(), 5);
}

void QuickBarTest::layout_data()
{
    QTest::addColumn<QString>("skin");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("geometry"); // null: hidden
    QTest::newRow("built-in close") << "<Default>"
                                    << "iClose" << QRect(0, 0, 13, 14);
    QTest::newRow("built-in check") << "<Default>"
                                    << "iCheck" << QRect(242, 0, 33, 14);
    QTest::newRow("built-in exit hidden") << "<Default>"
                                          << "iExit" << QRect();
    QTest::newRow("built-in count hidden") << "<Default>"
                                           << "lblNumber" << QRect();
    QTest::newRow("built-in background") << "<Default>"
                                         << "iBGround" << QRect(0, 0, 275, 14);
    QTest::newRow("skin exit") << "Alpha"
                               << "iExit" << QRect(50, 0, 10, 20);
    QTest::newRow("skin default") << "Alpha"
                                  << "iDefault" << QRect(70, 0, 10, 20);
    QTest::newRow("skin view list") << "Alpha"
                                    << "iViewList" << QRect(80, 0, 5, 20);
    QTest::newRow("skin count") << "Alpha"
                                << "lblNumber" << QRect(85, 2, 15, 16);
    QTest::newRow("skin background") << "Alpha"
                                     << "iBGround" << QRect(0, 0, 100, 20);
}

void QuickBarTest::layout()
{
    QFETCH(QString, skin);
    QFETCH(QString, control);
    QFETCH(QRect, geometry);
    Bar b;
    b.bar.ShowWindow(true);
    b.bar.UseSkin(skin);
    QWidget* w = b.control(control.toLatin1().constData());
    QVERIFY(w);
    QCOMPARE(w->isVisible(), !geometry.isNull());
    if (!geometry.isNull())
        QCOMPARE(w->geometry(), geometry);
    const QSize size = skin == QLatin1String("Alpha") ? QSize(100, 20) : QSize(275, 14);
    QCOMPARE(b.bar.window()->size(), size);
    QVERIFY(b.bar.window()->windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(b.bar.window()->windowFlags().testFlag(Qt::Tool));
    for (QWidget* child : b.bar.window()->findChildren<QWidget*>())
        QVERIFY2(!child->accessibleName().isEmpty(), qPrintable(child->objectName()));
    if (skin == QLatin1String("Alpha") && control == QLatin1String("lblNumber")) {
        auto* label = static_cast<QLabel*>(w);
        QCOMPARE(label->font().pointSize(), 12);
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    }
}

void QuickBarTest::backgrounds_data()
{
    QTest::addColumn<QString>("skin");
    QTest::addColumn<int>("check");
    QTest::addColumn<int>("mail");
    QTest::addColumn<QString>("expected"); // a bitmap number or a file of the skin
    QTest::newRow("built-in checking, mail") << "<Default>" << 0 << 1 << "64";
    QTest::newRow("built-in checking") << "<Default>" << 0 << 0 << "63";
    QTest::newRow("built-in idle, mail") << "<Default>" << 1 << 1 << "62";
    QTest::newRow("built-in idle") << "<Default>" << 1 << 0 << "61";
    QTest::newRow("built-in other values are idle, no mail") << "<Default>" << 7 << 2 << "61";
    QTest::newRow("skin checking, mail") << "Alpha" << 0 << 1 << "cm.bmp";
    QTest::newRow("skin checking") << "Alpha" << 0 << 0 << "cn.bmp";
    QTest::newRow("skin idle, mail") << "Alpha" << 1 << 1 << "im.bmp";
    QTest::newRow("skin idle") << "Alpha" << 1 << 0 << "in.bmp";
}

void QuickBarTest::backgrounds()
{
    QFETCH(QString, skin);
    QFETCH(int, check);
    QFETCH(int, mail);
    QFETCH(QString, expected);
    Bar b;
    b.bar.UseSkin(skin);
    // The state given while hidden is the one the window shows.
    b.bar.QuickBarSetState(check, mail);
    b.bar.ShowWindow(true);
    bool isNumber = false;
    const int id = expected.toInt(&isNumber);
    const QImage want = isNumber
                            ? BarArtwork::BuiltIn(id)
                            : QImage(b.dir.filePath(QStringLiteral("Skins/Alpha/") + expected));
    QVERIFY(!want.isNull());
    QCOMPARE(b.bar.background().convertToFormat(QImage::Format_RGB888),
             want.convertToFormat(QImage::Format_RGB888));
    auto* label = static_cast<QLabel*>(b.control("iBGround"));
    QCOMPARE(label->pixmap().size(), want.size());
}

void QuickBarTest::mailCount_data()
{
    QTest::addColumn<qint64>("count");
    QTest::addColumn<QString>("shown");
    QTest::newRow("zero") << qint64(0) << "000";
    QTest::newRow("one digit") << qint64(5) << "005";
    QTest::newRow("two digits") << qint64(42) << "042";
    QTest::newRow("four digits") << qint64(1234) << "1234";
    QTest::newRow("negative ignored") << qint64(-1) << "007";
}

void QuickBarTest::mailCount()
{
    QFETCH(qint64, count);
    QFETCH(QString, shown);
    Bar b;
    b.bar.UseSkin(QStringLiteral("Alpha"));
    b.bar.SetMailCount(7);
    b.bar.ShowWindow(true);
    b.bar.QuickBarSetMailCount(count);
    QCOMPARE(static_cast<QLabel*>(b.control("lblNumber"))->text(), shown);
    QCOMPARE(b.bar.mailCountText(), shown);
}

void QuickBarTest::snapping_data()
{
    // A bar of 275 pixels on a screen of 800, 15 twips to the pixel.
    QTest::addColumn<qint32>("wanted");
    QTest::addColumn<qint32>("landed");
    const qint32 far = (800 - 275) * 15;
    QTest::newRow("10 px from the near edge") << 150 << 0;
    QTest::newRow("11 px from the near edge") << 165 << 165;
    QTest::newRow("past the near edge") << -150 << 0;
    QTest::newRow("rounds to 10 px") << 157 << 0;
    QTest::newRow("10 px from the far edge") << far - 150 << far;
    QTest::newRow("11 px from the far edge") << far - 165 << far - 165;
    QTest::newRow("past the far edge") << far + 120 << far;
    QTest::newRow("in the middle") << 3000 << 3000;
}

void QuickBarTest::snapping()
{
    QFETCH(qint32, wanted);
    QFETCH(qint32, landed);
    QCOMPARE(QuickBar::SnapAxis(wanted, 275 * 15, 0, 800 * 15, 15), landed);
}

void QuickBarTest::dragSnapsToTheEdge()
{
    Bar b;
    b.bar.ShowWindow(true);
    QWidget* window = b.bar.window();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QWidget* handle = b.control("iBGround");
    // Pressed 100 px into the bar, dragged so its left edge lands 8 px from
    // the screen's left and its bottom 6 px above the screen's bottom.
    const QPoint grip(100, 5);
    QSignalSpy changed(&b.bar, &QuickBar::changed);
    QTest::mousePress(handle, Qt::LeftButton, {}, grip);
    QMouseEvent move(QEvent::MouseMove, QPointF(grip), QPointF(grip),
                     QPointF(8 + 100, screenSize().height() - 14 - 6 + 5), Qt::NoButton,
                     Qt::LeftButton, {});
    QCoreApplication::sendEvent(handle, &move);
    QCOMPARE(changed.count(), 0); // once, when the bar is let go
    QTest::mouseRelease(handle, Qt::LeftButton, {}, grip);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(b.bar.left(), 0);
    QCOMPARE(b.bar.top(), (screenSize().height() - 14) * 15);
    QCOMPARE(window->pos(), QPoint(0, screenSize().height() - 14));
}

void QuickBarTest::snapsToTheScreenItIsOn_data()
{
    // A bar of 100 x 20 pixels; places in pixels.
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<QPoint>("wanted");
    QTest::addColumn<QPoint>("landed");
    const QList<QRect> side{{0, 0, 1280, 1024}, {1280, 0, 1920, 1080}};
    const QList<QRect> left{{0, 0, 1280, 1024}, {-1024, 100, 1024, 768}};
    QTest::newRow("second monitor's left edge") << side << QPoint(1288, 500) << QPoint(1280, 500);
    QTest::newRow("second monitor's right edge") << side << QPoint(3094, 500) << QPoint(3100, 500);
    QTest::newRow("second monitor's bottom") << side << QPoint(1500, 1056) << QPoint(1500, 1060);
    QTest::newRow("first monitor's right edge") << side << QPoint(1172, 300) << QPoint(1180, 300);
    QTest::newRow("first monitor's bottom is not the second's")
        << side << QPoint(600, 1000) << QPoint(600, 1004);
    QTest::newRow("middle of the second monitor") << side << QPoint(2000, 400) << QPoint(2000, 400);
    QTest::newRow("monitor left of the primary")
        << left << QPoint(-1020, 105) << QPoint(-1024, 100);
    QTest::newRow("off every monitor: where dragged")
        << left << QPoint(5000, 5000) << QPoint(5000, 5000);
}

void QuickBarTest::snapsToTheScreenItIsOn()
{
    QFETCH(QList<QRect>, screens);
    QFETCH(QPoint, wanted);
    QFETCH(QPoint, landed);
    QCOMPARE(QuickBar::SnapToScreens(wanted * 15, QSize(100, 20) * 15, screens, 15, 15),
             landed * 15);
}

void QuickBarTest::comesBackFromAMonitorThatIsGone_data()
{
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<QRect>("saved");
    QTest::addColumn<QPoint>("shown");
    const QRect primary(0, 0, 1280, 1024);
    const QRect second(1280, 0, 1920, 1080);
    QTest::newRow("on the second monitor")
        << QList<QRect>{primary, second} << QRect(2000, 500, 100, 20) << QPoint(2000, 500);
    QTest::newRow("second monitor gone")
        << QList<QRect>{primary} << QRect(2000, 500, 100, 20) << QPoint(590, 502);
    QTest::newRow("only a sliver left to grab")
        << QList<QRect>{primary} << QRect(1275, 500, 100, 20) << QPoint(590, 502);
    QTest::newRow("partly off, still to be grabbed")
        << QList<QRect>{primary} << QRect(1250, 500, 100, 20) << QPoint(1250, 500);
    QTest::newRow("above the desktop")
        << QList<QRect>{primary, second} << QRect(100, -40, 100, 20) << QPoint(590, 502);
}

void QuickBarTest::comesBackFromAMonitorThatIsGone()
{
    QFETCH(QList<QRect>, screens);
    QFETCH(QRect, saved);
    QFETCH(QPoint, shown);
    QCOMPARE(QuickBar::ShownAt(saved, screens, screens.first()), shown);
    // The first run centres on the primary screen, wherever its origin is.
    QCOMPARE(QuickBar::CentreOn(QRect(1920, 200, 1280, 1024), QSize(100, 20)), QPoint(2510, 702));
}

void QuickBarTest::buttons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("close") << "iClose"
                           << "hidden";
    QTest::newRow("settings") << "iSettings"
                              << "ToggleSettings";
    QTest::newRow("quick view") << "iQuickView"
                                << "ToggleQuickView";
    QTest::newRow("check") << "iCheck"
                           << "checkAll";
    QTest::newRow("run") << "iRun"
                         << "run";
    QTest::newRow("exit") << "iExit"
                          << "exit";
    QTest::newRow("clear") << "iClear"
                           << "clear";
    QTest::newRow("default") << "iDefault"
                             << "DoubleClick,run";
}

void QuickBarTest::buttons()
{
    QFETCH(QString, button);
    QFETCH(QString, outcome);
    Bar b;
    b.options.doubleClickRuns = true;
    b.bar.UseSkin(QStringLiteral("Alpha"));
    b.bar.ShowWindow(true);
    QStringList happened;
    const auto record = [&](const char* name) {
        return [&, name] { happened << QString::fromLatin1(name); };
    };
    connect(&b.bar, &QuickBar::checkAllRequested, this, record("checkAll"));
    connect(&b.bar, &QuickBar::runRequested, this, record("run"));
    connect(&b.bar, &QuickBar::exitRequested, this, record("exit"));
    connect(&b.bar, &QuickBar::clearRequested, this, record("clear"));
    connect(&b.bar, &QuickBar::trayMenuRequested, this, record("menu"));
    QSignalSpy changed(&b.bar, &QuickBar::changed);
    const auto outcome_ = [&] {
        QStringList all = b.windows.calls + b.options.calls + happened;
        if (!b.bar.isVisible())
            all << QStringLiteral("hidden");
        return all;
    };
    QWidget* area = b.control(button.toLatin1().constData());
    QVERIFY(area && area->isVisible());

    // A right click opens the tray menu and runs nothing.
    QTest::mouseClick(area, Qt::RightButton);
    QCOMPARE(outcome_(), QStringList{QStringLiteral("menu")});
    happened.clear();

    QTest::mouseClick(area, Qt::LeftButton);
    QStringList want = outcome.split(QLatin1Char(','));
    QStringList got = outcome_();
    got.sort();
    want.sort();
    QCOMPARE(got, want);
    // Closing the bar is saved soon, as every change is.
    QCOMPARE(changed.count(), button == QLatin1String("iClose") ? 1 : 0);
}

void QuickBarTest::keyboardReachesTheButtons()
{
    Bar b;
    b.bar.UseSkin(QStringLiteral("Alpha"));
    b.bar.SetMailCount(7);
    b.bar.ShowWindow(true);
    QWidget* window = b.bar.window();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    // Tab walks the buttons in the bar's order.
    QStringList order;
    b.control("iClose")->setFocus();
    for (int i = 0; i < 8; ++i) {
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(order, QStringList({"iClose", "iSettings", "iQuickView", "iCheck", "iRun", "iExit",
                                 "iClear", "iDefault"}));
    QSignalSpy check(&b.bar, &QuickBar::checkAllRequested);
    QSignalSpy clear(&b.bar, &QuickBar::clearRequested);
    QTest::keyClick(b.control("iCheck"), Qt::Key_Return);
    QTest::keyClick(b.control("iClear"), Qt::Key_Space);
    QCOMPARE(check.count(), 1);
    QCOMPARE(clear.count(), 1);
    // A screen reader reads the count from the label, which keeps its name.
    auto* count = static_cast<QLabel*>(b.control("lblNumber"));
    QCOMPARE(count->accessibleName(), QStringLiteral("Number of New Messages"));
    QCOMPARE(count->accessibleDescription(), QStringLiteral("007"));
}

void QuickBarTest::onTopAndReset()
{
    Bar b;
    b.bar.ShowWindow(true);
    b.bar.SetOnTop(true);
    QVERIFY(b.bar.IsOnTop());
    QVERIFY(b.bar.window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(b.bar.window()->isVisible());
    b.bar.SwitchOnTop();
    QVERIFY(!b.bar.IsOnTop());
    QVERIFY(!b.bar.window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(b.bar.window()->isVisible());

    AnsiLineReader in(QByteArray("<Default>\r\nTrue\r\n3000\r\n4500\r\nFalse\r\n"));
    QVERIFY(b.bar.ReadYourselfIn(QStringLiteral("1.6"), in));
    QCOMPARE(b.bar.window()->pos(), QPoint(300, 200));
    b.bar.ResetSkinPos();
    QCOMPARE(b.bar.window()->pos(), QPoint(0, 0));
    QCOMPARE(b.bar.top(), 0);
    QCOMPARE(b.bar.left(), 0);
}

void QuickBarTest::savedBlock_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<bool>("shown");
    QTest::newRow("hidden bar keeps skin, place and on-top")
        << QByteArray("Alpha\r\nFalse\r\n1440\r\n-300\r\nTrue\r\n") << QByteArray() << false;
    QTest::newRow("shown bar") << QByteArray("beta\r\nTrue\r\n1500\r\n750\r\nFalse\r\n")
                               << QByteArray() << true;
    QTest::newRow("skin name in another case")
        << QByteArray("ALPHA\r\nFalse\r\n0\r\n0\r\nFalse\r\n")
        << QByteArray("Alpha\r\nFalse\r\n0\r\n0\r\nFalse\r\n") << false;
    QTest::newRow("skin gone") << QByteArray("Gamma\r\nFalse\r\n15\r\n30\r\nFalse\r\n")
                               << QByteArray("<Default>\r\nFalse\r\n15\r\n30\r\nFalse\r\n")
                               << false;
}

void QuickBarTest::savedBlock()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, written);
    QFETCH(bool, shown);
    Bar b;
    AnsiLineReader in(text);
    QVERIFY(b.bar.ReadYourselfIn(QStringLiteral("1.6"), in));
    QVERIFY(b.bar.settingsRead());
    QCOMPARE(b.bar.window() && b.bar.window()->isVisible(), shown);
    if (shown)
        QCOMPARE(b.bar.window()->pos(), QPoint(b.bar.left() / 15, b.bar.top() / 15));
    QCOMPARE(b.bar.IsOnTop(), text.endsWith("True\r\n"));
    QCOMPARE(orvane::test::written(b.bar), written.isNull() ? text : written);
    // A first-run default never overrides what was read.
    b.bar.CheckShowStartup();
    QCOMPARE(b.bar.window() && b.bar.window()->isVisible(), shown);
}

void QuickBarTest::placeOffEveryScreen()
{
    // Saved on a monitor that is gone: shown on the primary screen, while
    // the saved place stays in the file until the user moves the bar.
    Bar b;
    const QByteArray block("<Default>\r\nTrue\r\n7500\r\n150000\r\nFalse\r\n");
    AnsiLineReader in(block);
    QVERIFY(b.bar.ReadYourselfIn(QStringLiteral("1.6"), in));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QVERIFY(screen.contains(b.bar.window()->geometry()));
    QCOMPARE(orvane::test::written(b.bar), block);
}

void QuickBarTest::firstRun()
{
    Bar b;
    b.bar.CheckShowStartup();
    QVERIFY(b.bar.isVisible());
    QCOMPARE(b.bar.activeSkinName(), QStringLiteral("Sublime"));
    QCOMPARE(b.bar.left(), screenSize().width() * 15 / 2 - 100 * 15 / 2);
    QCOMPARE(b.bar.top(), screenSize().height() * 15 / 2 - 20 * 15 / 2);
    QCOMPARE(b.bar.window()->pos(),
             QPoint(screenSize().width() / 2 - 50, screenSize().height() / 2 - 10));
}

void QuickBarTest::paintsEachState_data()
{
    QTest::addColumn<QString>("skin");
    QTest::addColumn<int>("check");
    QTest::addColumn<int>("mail");
    QTest::addColumn<QString>("picture"); // a file of the shipped skin or a bitmap number
    QTest::newRow("Sublime idle") << "Sublime" << 1 << 0 << "idle";
    QTest::newRow("Sublime idle, mail") << "Sublime" << 1 << 1 << "idlemail";
    QTest::newRow("Sublime checking") << "Sublime" << 0 << 0 << "check";
    QTest::newRow("Sublime checking, mail") << "Sublime" << 0 << 1 << "checkmail";
    QTest::newRow("built-in idle") << "<Default>" << 1 << 0 << "61";
    QTest::newRow("built-in idle, mail") << "<Default>" << 1 << 1 << "62";
    QTest::newRow("built-in checking") << "<Default>" << 0 << 0 << "63";
    QTest::newRow("built-in checking, mail") << "<Default>" << 0 << 1 << "64";
}

void QuickBarTest::paintsEachState()
{
    QFETCH(QString, skin);
    QFETCH(int, check);
    QFETCH(int, mail);
    QFETCH(QString, picture);
    RecordingProgramWindows windows;
    FakeOptions options;
    const QString program = qEnvironmentVariable("ORVANE_PROGRAM_DIR") + QLatin1Char('/');
    QuickBar bar(DataFolders(program).skinFolders(), windows, options);
    bar.Create();
    bar.UseSkin(skin);
    QCOMPARE(bar.activeSkinName(), skin);
    bar.SetMailCount(3);
    bar.ShowWindow(true);
    bar.SetState(check, mail);
    const QImage shown = bar.window()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    bool builtIn = false;
    const int id = picture.toInt(&builtIn);
    const QImage want = (builtIn ? BarArtwork::BuiltIn(id)
                                 : QImage(program + QStringLiteral("Skins/Sublime/") + picture +
                                          QStringLiteral(".bmp")))
                            .convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), want.size());
    if (builtIn) {
        QCOMPARE(shown, want); // no count on the built-in bar
    } else {
        // The buttons are see-through: the picture shows wherever the count
        // is not drawn.
        QCOMPARE(shown.copy(0, 0, 66, 24), want.copy(0, 0, 66, 24));
        QCOMPARE(shown.copy(122, 0, 118, 24), want.copy(122, 0, 118, 24));
        QVERIFY(shown.copy(68, 4, 50, 16) != want.copy(68, 4, 50, 16)); // "003"
    }
    if (const QString screens = qEnvironmentVariable("ORVANE_SCREEN_DIR"); !screens.isEmpty())
        shown.save(screens + QStringLiteral("/QuickBar-%1.png").arg(picture));
}

QTEST_MAIN(QuickBarTest)
#include "QuickBarTest.moc"
