#include "settings/NotifierWindows.h"

#include "SettingsWindowRig.h"

#include <QCheckBox>
#include <QListWidget>
#include <QTreeWidget>

using namespace orvane;
using namespace orvane::test;

class NotifierWindowsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void trayPathsOpenAndCloseTheWindow_data();
    void trayPathsOpenAndCloseTheWindow();
    void tablesFollowTheCheckCycle();
};

void NotifierWindowsTest::trayPathsOpenAndCloseTheWindow_data()
{
    QTest::addColumn<bool>("shownBefore");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("shownAfter");
    QTest::addColumn<int>("page");

    QTest::newRow("Orvane Settings, closed") << false << "toggle" << true << 2;
    QTest::newRow("Orvane Settings, open") << true << "toggle" << false << -1;
    QTest::newRow("About Orvane, closed") << false << "about" << true << 4;
    QTest::newRow("About Orvane, open") << true << "about" << true << 4;
    QTest::newRow("double-click action 1") << false << "show settings" << true << 2;
    QTest::newRow("double-click action 1, open") << true << "show settings" << true << 2;
    QTest::newRow("double-click action 2") << true << "show quick view" << false << -1;
    QTest::newRow("Quick View") << true << "quick view" << false << -1;
    QTest::newRow("start-up closes it") << true << "after load" << false << -1;
    QTest::newRow("shutdown closes it") << true << "unload" << false << -1;
}

void NotifierWindowsTest::trayPathsOpenAndCloseTheWindow()
{
    QFETCH(bool, shownBefore);
    QFETCH(QString, path);
    QFETCH(bool, shownAfter);
    QFETCH(int, page);
    SettingsWindowRig rig;
    NotifierWindows& windows = rig.windows;
    rig.store.selTab = 2;
    if (shownBefore)
        windows.ShowSettingsWindow();
    QCOMPARE(windows.IsSettingsVisible(), shownBefore);

    if (path == "toggle") {
        windows.ToggleSettings();
    } else if (path == "about") {
        windows.ShowAbout();
    } else if (path == "show settings") {
        windows.ShowSettingsWindow();
    } else if (path == "show quick view") {
        windows.ShowQuickViewWindow();
    } else if (path == "quick view") {
        windows.ToggleQuickView();
    } else if (path == "after load") {
        windows.AfterListLoaded(true);
    } else {
        windows.UnloadWindows();
    }

    QCOMPARE(windows.IsSettingsVisible(), shownAfter);
    if (shownAfter)
        QCOMPARE(rig.find<QListWidget>("listTab")->currentRow(), page);
    else
        QVERIFY(!rig.window.widget());
}

void NotifierWindowsTest::tablesFollowTheCheckCycle()
{
    SettingsWindowRig rig;
    NotifierWindows& windows = rig.windows;
    server& account = rig.add("acct");
    windows.ShowSettingsWindow();
    auto* row = rig.find<QTreeWidget>("Servers")->topLevelItem(0);
    QCOMPARE(row->text(1), QStringLiteral("No"));

    rig.core.CheckAccount(account);
    rig.checkers.made.at(0)->found(2);
    QCOMPARE(row->text(1), QStringLiteral("Yes"));
    QCOMPARE(row->text(3), account.GetLastDetail());
    rig.core.ClearAll();
    QCOMPARE(row->text(1), QStringLiteral("No"));

    // The tray's on-top switch shows on the Skins page at once.
    auto* onTop = rig.find<QCheckBox>("cbOnTop");
    QVERIFY(!onTop->isChecked());
    windows.SwitchQuickBarOnTop();
    QVERIFY(rig.quickBar.IsOnTop());
    QVERIFY(onTop->isChecked());
    QVERIFY(windows.IsQuickBarOnTop());
}

QTEST_MAIN(NotifierWindowsTest)
#include "NotifierWindowsTest.moc"
