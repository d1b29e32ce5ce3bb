// The tray form: the menu as it opens, what its items do, the double-click,
// waiting for a tray host and the critical-error box.
#include "core/stForm.h"

#include "FakeOptions.h"
#include "FakeStartAtLogon.h"
#include "FakeTrayIcon.h"
#include "RecordingMessageBoxes.h"
#include "RecordingProgramWindows.h"
#include "RecordingUrlOpener.h"
#include "VirtualClock.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;
using namespace orvane::test;

namespace {

struct Fixture
{
    explicit Fixture(DataFolders folders = DataFolders(QStringLiteral("/opt/orvane/")))
        : form(tray, clock, messages, actions, windows, boot, &urls, std::move(folders),
               [this] { return checkAllEnabled; })
    {
        // Everything the form asks of others lands in one log, in order.
        QObject::connect(&form, &stForm::clearRequested, [this] { log << "clearRequested"; });
        QObject::connect(&form, &stForm::checkAllRequested, [this] { log << "checkAllRequested"; });
        QObject::connect(&form, &stForm::exitRequested, [this] { log << "exitRequested"; });
        QObject::connect(&form, &stForm::runRequested, [this] { log << "runRequested"; });
    }

    QStringList everything() const
    {
        QStringList all = log + windows.calls + actions.calls;
        for (const QUrl& url : urls.opened)
            all << QStringLiteral("open:") + url.toLocalFile();
        return all;
    }

    FakeTrayIcon tray;
    VirtualClock clock;
    RecordingMessageBoxes messages;
    FakeOptions actions;
    RecordingProgramWindows windows;
    FakeStartAtLogon boot;
    RecordingUrlOpener urls;
    bool checkAllEnabled = true; // as the check cycle decided
    stForm form;
    QStringList log;
};

// "id|caption" per entry, submenu entries indented by two blanks.
QStringList outline(const std::vector<TrayMenuEntry>& entries, const QString& indent = {})
{
    QStringList lines;
    for (const TrayMenuEntry& e : entries) {
        lines << indent + e.id + QLatin1Char('|') + e.caption;
        lines += outline(e.children, indent + QStringLiteral("  "));
    }
    return lines;
}

} // namespace

class stFormTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void menuHasItsItemsInOrder();
    void menuStateIsReadWhenItOpens_data();
    void menuStateIsReadWhenItOpens();
    void menuItemsAct_data();
    void menuItemsAct();
    void installedProgramOpensTheUsersSkinFolder();
    void checkAllIsIgnoredWhileDisabled();
    void loadOnStartupToggles();
    void doubleClickRunsTheChosenAction();
    void aboutNoticeSilencesTheTray();
    void waitsForTheTray_data();
    void waitsForTheTray();
    void refusedTrayIsReportedAtOnce();
    void criticalErrorBox();
};

void stFormTest::menuHasItsItemsInOrder()
{
    Fixture f;
    const QStringList expected{
        "stMenuDonate|Support Orvane",
        "stMenuAbout|About Orvane",
        "Seperator3|-",
        "stMenuLinks|Links",
        "  stMenuGetSkins|Get More Skins",
        "  stMenuNuvari|Nuvari's Website",
        "  stMenuOrvane|Orvane's Website",
        "  stMenuSupport|Nuvari Support",
        "  stMenuMenuDonate|DONATE",
        "stMenuQBS|Preferences",
        "  stMenuOnTop|Quick Bar - Always On Top",
        "  stMenuResetPos|Reset Quick Bar Position",
        "  stMenuLOS|Load Orvane On Startup",
        "Seperator2|-",
        "stMenuClear|Clear Mail Count",
        "stMenuRun|Run E-Mail Client",
        "stMenuCheck|Check All Servers",
        "Seperator4|-",
        "stMenuSettings|Orvane Settings",
        "stMenuQuick|Quick View",
        "stMenuBar|Quick Bar",
        "Seperator|-",
        "stMenuExit|Exit",
    };
    Q_EMIT f.tray.menuAboutToShow();
    QCOMPARE(outline(f.tray.menu), expected);
}

void stFormTest::menuStateIsReadWhenItOpens_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("checked");

    QTest::newRow("no e-mail program") << ""
                                       << "stMenuRun" << false << false;
    QTest::newRow("valid e-mail program") << "valid"
                                          << "stMenuRun" << true << false;
    QTest::newRow("check all when idle") << ""
                                         << "stMenuCheck" << true << false;
    QTest::newRow("check all during a pass") << "pass"
                                             << "stMenuCheck" << false << false;
    QTest::newRow("quick bar shown") << "quickBar"
                                     << "stMenuBar" << true << true;
    QTest::newRow("quick bar hidden") << ""
                                      << "stMenuBar" << true << false;
    QTest::newRow("settings shown") << "settings"
                                    << "stMenuSettings" << true << true;
    QTest::newRow("quick view shown") << "quickView"
                                      << "stMenuQuick" << true << true;
    QTest::newRow("quick bar on top") << "onTop"
                                      << "stMenuOnTop" << true << true;
    QTest::newRow("load on startup") << "boot"
                                     << "stMenuLOS" << true << true;
    QTest::newRow("not loaded on startup") << ""
                                           << "stMenuLOS" << true << false;
}

void stFormTest::menuStateIsReadWhenItOpens()
{
    QFETCH(QString, state);
    QFETCH(QString, item);
    QFETCH(bool, enabled);
    QFETCH(bool, checked);

    Fixture f;
    Q_EMIT f.tray.menuAboutToShow(); // opened once before the change
    f.actions.validEProg = state == QLatin1String("valid");
    f.windows.quickBarVisible = state == QLatin1String("quickBar");
    f.windows.settingsVisible = state == QLatin1String("settings");
    f.windows.quickViewVisible = state == QLatin1String("quickView");
    f.windows.quickBarOnTop = state == QLatin1String("onTop");
    f.boot.on = state == QLatin1String("boot");
    if (state == QLatin1String("pass"))
        f.checkAllEnabled = false;

    const TrayMenuEntry* entry = f.tray.entry(item);
    QVERIFY(entry);
    QCOMPARE(entry->enabled, enabled);
    QCOMPARE(entry->checked, checked);
}

void stFormTest::menuItemsAct_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QStringList>("effects");

    QTest::newRow("support") << "stMenuDonate" << QStringList{"open:/opt/orvane/README.md"};
    QTest::newRow("donate") << "stMenuMenuDonate" << QStringList{"open:/opt/orvane/README.md"};
    QTest::newRow("skins") << "stMenuGetSkins" << QStringList{"open:/opt/orvane/Skins/"};
    QTest::newRow("maker") << "stMenuNuvari" << QStringList{"open:/opt/orvane/README.md"};
    QTest::newRow("product") << "stMenuOrvane" << QStringList{"open:/opt/orvane/README.md"};
    QTest::newRow("help") << "stMenuSupport" << QStringList{"open:/opt/orvane/docs/"};
    QTest::newRow("about") << "stMenuAbout" << QStringList{"ShowAbout"};
    QTest::newRow("on top") << "stMenuOnTop" << QStringList{"SwitchQuickBarOnTop"};
    QTest::newRow("reset position") << "stMenuResetPos" << QStringList{"ResetQuickBarPos"};
    QTest::newRow("clear") << "stMenuClear" << QStringList{"clearRequested"};
    QTest::newRow("run") << "stMenuRun" << QStringList{"runRequested"};
    QTest::newRow("check") << "stMenuCheck" << QStringList{"checkAllRequested"};
    QTest::newRow("settings") << "stMenuSettings" << QStringList{"ToggleSettings"};
    QTest::newRow("quick view") << "stMenuQuick" << QStringList{"ToggleQuickView"};
    QTest::newRow("quick bar") << "stMenuBar" << QStringList{"ToggleQuickBar"};
    QTest::newRow("exit") << "stMenuExit" << QStringList{"exitRequested"};
    QTest::newRow("submenu title") << "stMenuLinks" << QStringList{};
}

void stFormTest::menuItemsAct()
{
    QFETCH(QString, item);
    QFETCH(QStringList, effects);
    Fixture f;
    f.tray.trigger(item);
    QCOMPARE(f.everything(), effects);
}

void stFormTest::installedProgramOpensTheUsersSkinFolder()
{
    // The shipped folder cannot take a skin of the user's; the pages stay
    // the program folder's.
    QTemporaryDir data;
    QVERIFY(data.isValid());
    Fixture f(DataFolders::Choose(QStringLiteral("/opt/orvane/"), false, data.path()));
    f.tray.trigger(QStringLiteral("stMenuGetSkins"));
    f.tray.trigger(QStringLiteral("stMenuSupport"));
    const QString skins = data.path() + QStringLiteral("/orvane/Skins/");
    QCOMPARE(f.everything(), (QStringList{"open:" + skins, "open:/opt/orvane/docs/"}));
    QVERIFY(QFileInfo(skins).isDir());
}

void stFormTest::checkAllIsIgnoredWhileDisabled()
{
    Fixture f;
    f.checkAllEnabled = false;
    f.tray.trigger(QStringLiteral("stMenuCheck"));
    QVERIFY(f.everything().isEmpty());
    f.checkAllEnabled = true;
    f.tray.trigger(QStringLiteral("stMenuCheck"));
    QCOMPARE(f.everything(), QStringList{"checkAllRequested"});
}

void stFormTest::loadOnStartupToggles()
{
    Fixture f;
    f.boot.on = true;
    f.tray.trigger(QStringLiteral("stMenuLOS"));
    QVERIFY(!f.boot.on);
    QVERIFY(!f.tray.entry(QStringLiteral("stMenuLOS"))->checked);
    f.tray.trigger(QStringLiteral("stMenuLOS"));
    QVERIFY(f.boot.on);
    QVERIFY(f.tray.entry(QStringLiteral("stMenuLOS"))->checked);
}

void stFormTest::doubleClickRunsTheChosenAction()
{
    Fixture f;
    Q_EMIT f.tray.doubleClicked();
    QCOMPARE(f.everything(), QStringList{"DoubleClick"});
    // The e-mail program as the action starts the way the menu item does,
    // so its start clears the count.
    f.actions.calls.clear();
    f.actions.doubleClickRuns = true;
    Q_EMIT f.tray.doubleClicked();
    QCOMPARE(f.everything(), (QStringList{"runRequested", "DoubleClick"}));
}

void stFormTest::aboutNoticeSilencesTheTray()
{
    Fixture f;
    f.windows.noticeShowing = true;
    Q_EMIT f.tray.doubleClicked();
    f.tray.trigger(QStringLiteral("stMenuExit"));
    QVERIFY(f.everything().isEmpty());
    QVERIFY(f.tray.menu.empty()); // nothing to open

    f.windows.noticeShowing = false;
    Q_EMIT f.tray.doubleClicked();
    QCOMPARE(f.everything(), QStringList{"DoubleClick"});
}

void stFormTest::waitsForTheTray_data()
{
    QTest::addColumn<int>("unavailableSeconds");
    QTest::addColumn<bool>("added");
    QTest::newRow("tray up after 59 s") << 59 << true;
    QTest::newRow("no tray for 60 s") << 60 << false;
}

void stFormTest::waitsForTheTray()
{
    QFETCH(int, unavailableSeconds);
    QFETCH(bool, added);
    Fixture f;
    QSignalSpy refused(&f.form, &stForm::trayRefused);
    QSignalSpy addedSpy(&f.form, &stForm::trayAdded);

    f.tray.available = false;
    f.form.AddTrayIcon();
    // The last moment before the tray host shows up.
    f.clock.advance(qint64(unavailableSeconds) * 1000 - 500);
    QVERIFY(!f.form.isAdded());
    QVERIFY(f.messages.shown.empty());
    f.clock.advance(500);
    f.tray.available = true;
    f.clock.advance(1000);

    QCOMPARE(f.form.isAdded(), added);
    QCOMPARE(f.tray.added, added);
    QCOMPARE(addedSpy.count(), added ? 1 : 0);
    QCOMPARE(refused.count(), added ? 0 : 1);
    QCOMPARE(f.messages.texts(),
             added ? QStringList{}
                   : QStringList{"Critical Error: Unable to add icon to System Tray."});
    QCOMPARE(f.clock.activeTimerCount(), 0); // no retry left running
}

void stFormTest::refusedTrayIsReportedAtOnce()
{
    Fixture f;
    f.tray.accepts = false;
    QSignalSpy refused(&f.form, &stForm::trayRefused);
    f.form.AddTrayIcon();
    QCOMPARE(refused.count(), 1);
    QCOMPARE(f.messages.texts(), QStringList{"Critical Error: Unable to add icon to System Tray."});
}

void stFormTest::criticalErrorBox()
{
    Fixture f;
    QSignalSpy failed(&f.form, &stForm::failedCritically);
    f.form.ShowCriticalError(QStringLiteral("stForm.Form_Initialize"),
                             QStringLiteral("Out of memory"), 7);
    QCOMPARE(f.messages.shown.size(), size_t(1));
    const auto& box = f.messages.shown.front();
    QCOMPARE(box.title, QStringLiteral("Orvane - Critical Error"));
    QCOMPARE(box.text, QStringLiteral("Critical Error.\r\nLocation: stForm.Form_Initialize\r\n"
                                      "Description: Out of memory\r\nError Number: 7"));
    QCOMPARE(box.icon, MessageBoxes::Icon::Critical);
    QCOMPARE(failed.count(), 1);
}

QTEST_GUILESS_MAIN(stFormTest)
#include "stFormTest.moc"
