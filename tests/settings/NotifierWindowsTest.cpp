#include "settings/NotifierWindows.h"

#include "SettingsWindowRig.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeView>

using namespace orvane;
using namespace orvane::test;

class NotifierWindowsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void trayPathsOpenAndCloseTheWindow_data();
    void trayPathsOpenAndCloseTheWindow();
    void tablesFollowTheCheckCycle();
    void rowsAreFoundByNumber();
    void shutdownWhileABoxIsOpen_data();
    void shutdownWhileABoxIsOpen();
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
    const TableView table = rig.table();
    QCOMPARE(table.cell(0, 1), QStringLiteral("No"));

    rig.core.CheckAccount(account);
    rig.checkers.made.at(0)->found(2);
    QCOMPARE(table.cell(0, 1), QStringLiteral("Yes"));
    QCOMPARE(table.cell(0, 3), account.GetLastDetail());
    rig.core.ClearAll();
    QCOMPARE(table.cell(0, 1), QStringLiteral("No"));

    // The tray's on-top switch shows on the Skins page at once.
    auto* onTop = rig.find<QCheckBox>("cbOnTop");
    QVERIFY(!onTop->isChecked());
    windows.SwitchQuickBarOnTop();
    QVERIFY(rig.quickBar.IsOnTop());
    QVERIFY(onTop->isChecked());
    QVERIFY(windows.IsQuickBarOnTop());
}

void NotifierWindowsTest::rowsAreFoundByNumber()
{
    SettingsWindowRig rig;
    rig.quickView.setAccounts(rig.accounts);
    for (const char* name : {"a", "b", "c"})
        rig.add(QString::fromLatin1(name));
    rig.windows.ShowSettingsWindow();
    rig.quickView.ShowWindow();
    const TableView tables[] = {rig.table(), {rig.quickView.window()->findChild<QTreeView*>()}};
    rig.core.CheckAccount(rig.accounts.at(1));
    rig.checkers.last()->found(2);
    for (const TableView& table : tables) {
        QCOMPARE(table.cell(1, 1), QStringLiteral("Yes"));
        QCOMPARE(table.cell(0, 1), QStringLiteral("No"));
    }
    QTRY_COMPARE(tables[1].selectedNames(), QStringList{"b"});

    // A list changed behind the tables' back is shown again in full.
    rig.accounts.remove(rig.accounts.at(0));
    rig.core.CheckAccount(rig.accounts.at(1));
    rig.checkers.last()->found(1);
    for (const TableView& table : tables) {
        QCOMPARE(table.rows(), 2);
        QCOMPARE(table.cell(1, 0), QStringLiteral("c"));
        QCOMPARE(table.cell(1, 1), QStringLiteral("Yes"));
    }
    QTRY_COMPARE(tables[1].selectedNames(), (QStringList{"b", "c"}));
    rig.core.ClearAll();
    QTRY_VERIFY(tables[1].selectedNames().isEmpty());
}

void NotifierWindowsTest::shutdownWhileABoxIsOpen_data()
{
    QTest::addColumn<QString>("opens");
    QTest::addColumn<QString>("dialog"); // "add", "edit" or none
    QTest::addColumn<QStringList>("typed");

    const QStringList full{"New", "pop.example.org", "anna", "secret"};
    QTest::newRow("no name") << "dOk"
                             << "add" << QStringList{"", "pop", "anna", "pw"};
    QTest::newRow("no POP3 address") << "dOk"
                                     << "add" << QStringList{"New", "", "anna", "pw"};
    QTest::newRow("no POP address") << "dOk"
                                    << "edit" << QStringList{"acct", "", "anna", "pw"};
    QTest::newRow("no username") << "dOk"
                                 << "add" << QStringList{"New", "pop", "", "pw"};
    QTest::newRow("no password") << "dOk"
                                 << "add" << QStringList{"New", "pop", "anna", ""};
    QTest::newRow("duplicate name") << "dOk"
                                    << "add" << QStringList{"ACCT", "pop", "anna", "pw"};
    QTest::newRow("sound file dialog") << "bBrowse"
                                       << "add" << full;
    QTest::newRow("Remove's question") << "RemoveServer"
                                       << "" << QStringList();
    QTest::newRow("e-mail program dialog") << "Browse1"
                                           << "" << QStringList();
    QTest::newRow("wave file dialog") << "Browse2"
                                      << "" << QStringList();
    QTest::newRow("no default e-mail client") << "cmdDefault"
                                              << "" << QStringList();
}

void NotifierWindowsTest::shutdownWhileABoxIsOpen()
{
    QFETCH(QString, opens);
    QFETCH(QString, dialog);
    QFETCH(QStringList, typed);
    SettingsWindowRig rig;
    rig.add(QStringLiteral("acct"));
    rig.open();
    rig.table().select(0);
    if (!dialog.isEmpty()) {
        rig.click(dialog == "add" ? "AddServer" : "EditServer");
        QVERIFY(rig.window.accountDialog());
        const char* boxes[] = {"dName", "dAddr", "dUser", "dPass"};
        for (int i = 0; i < typed.size(); ++i)
            rig.find<QLineEdit>(boxes[i])->setText(typed.at(i));
        rig.find<QCheckBox>("dSound")->setChecked(true);
    }
    const QPointer<QWidget> window = rig.window.widget();
    const QPointer<QWidget> accountDialog = rig.window.accountDialog();

    // The shutdown comes while the box or dialog runs its own event loop,
    // which then handles the deletions posted so far before it returns.
    int shown = 0;
    bool keptDuringLoop = false;
    auto shutdown = [&] {
        ++shown;
        rig.windows.UnloadWindows();
        keptDuringLoop = window && (dialog.isEmpty() || accountDialog) &&
                         !rig.windows.IsSettingsVisible() && !window->isVisible();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    rig.fakes.messages.whileShown = shutdown;
    rig.fakes.messages.answerYes = true;
    rig.files.whileShown = shutdown;
    rig.files.answer = rig.dir.path() + QStringLiteral("/chosen.wav");
    rig.click(opens.toLatin1().constData());

    QCOMPARE(shown, 1);
    QVERIFY2(keptDuringLoop, "a window was deleted inside the nested loop");
    QVERIFY(!window);
    QVERIFY(!accountDialog);
    QCOMPARE(rig.accounts.size(), 1);
    QCOMPARE(rig.accounts.at(0).GetName(), QStringLiteral("acct"));
    rig.windows.ShowSettingsWindow();
    QVERIFY(rig.windows.IsSettingsVisible());
}

QTEST_MAIN(NotifierWindowsTest)
#include "NotifierWindowsTest.moc"
