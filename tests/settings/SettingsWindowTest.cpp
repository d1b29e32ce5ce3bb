#include "SettingsWindowRig.h"
#include "core/ServerAddress.h"
#include "settings/FLicense.h"
#include "settings/HoverHelp.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTreeView>

using namespace orvane;
using namespace orvane::test;

class SettingsWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void emptyListHasNoRowButtons();
    void tableClickRules();
    void modeButtonCyclesAndTheTableFollows();
    void optionsSurviveCloseAndReopen();
    void missingFilesAreShownRed_data();
    void missingFilesAreShownRed();
    void removeAsksFirst_data();
    void removeAsksFirst();
    void rowButtonsReachTheCheckCycle();
    void flashBoxActsOnTheLight_data();
    void flashBoxActsOnTheLight();
    void hoverHelp_data();
    void hoverHelp();
    void fileDialogs_data();
    void fileDialogs();
    void pagesAndLicense();
    void storedChoicesOutsideTheListsShowAValidEntry_data();
    void storedChoicesOutsideTheListsShowAValidEntry();
    void screenReaderNamesAndValues_data();
    void screenReaderNamesAndValues();
    void noTextIsCut_data();
    void noTextIsCut();
};

namespace {

bool isRed(const QLineEdit* box)
{
    return box->palette().color(QPalette::Text) == QColor(255, 0, 0);
}

} // namespace

void SettingsWindowTest::emptyListHasNoRowButtons()
{
    SettingsWindowRig rig;
    QWidget& window = rig.open();
    QCOMPARE(window.windowTitle(), QStringLiteral("Orvane - Settings"));
    QCOMPARE(rig.table().rows(), 0);
    for (const char* name : {"CheckForMail", "EditServer", "RemoveServer"})
        QVERIFY2(!rig.find<QPushButton>(name)->isEnabled(), name);
    QVERIFY(rig.find<QPushButton>("AddServer")->isEnabled());
}

void SettingsWindowTest::tableClickRules()
{
    SettingsWindowRig rig;
    rig.add("first");
    rig.add("second");
    rig.open();
    auto* table = rig.find<QTreeView>("Servers");
    QCOMPARE(table->currentIndex().data().toString(), QStringLiteral("first"));
    QVERIFY(rig.find<QPushButton>("EditServer")->isEnabled());

    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, rig.table().centreOf(1));
    QTRY_VERIFY(rig.window.accountDialog());
    QCOMPARE(rig.window.accountDialog()->windowTitle(),
             QStringLiteral("Account Information - Edit Account"));
    QCOMPARE(rig.find<QLineEdit>("dName")->text(), QStringLiteral("second"));
    rig.click("dCancel");
    QTRY_VERIFY(!rig.window.accountDialog());

    // Empty space below the rows: the selection goes and the row buttons
    // with it.
    const QPoint empty(5, table->viewport()->height() - 5);
    QVERIFY(!table->indexAt(empty).isValid());
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, empty);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, empty);
    QVERIFY(!table->selectionModel()->hasSelection());
    QVERIFY(!rig.find<QPushButton>("EditServer")->isEnabled());
    QVERIFY(!rig.find<QPushButton>("RemoveServer")->isEnabled());
    QTest::qWait(0);
    QVERIFY(!rig.window.accountDialog());
}

void SettingsWindowTest::modeButtonCyclesAndTheTableFollows()
{
    SettingsWindowRig rig;
    server& account = rig.add("acct");
    rig.core.CheckAccount(account);
    rig.checkers.made.at(0)->found(1);
    rig.open();
    auto* button = rig.find<QPushButton>("SetupDate");
    const TableView table = rig.table();
    QCOMPARE(button->text(), QStringLiteral("Time Only"));
    QStringList shown;
    for (const char* mode : {"Time then Date", "Date then Time", "Date Only", "Time Only"}) {
        button->click();
        QCOMPARE(button->text(), QString::fromLatin1(mode));
        QCOMPARE(table.cell(0, 2), account.LastChecked());
        shown << table.cell(0, 2);
    }
    QCOMPARE(rig.store.timeDisp, qint16(0));
    QCOMPARE(shown.size(), 4);
    QCOMPARE(QSet<QString>(shown.begin(), shown.end()).size(), 4);
}

void SettingsWindowTest::optionsSurviveCloseAndReopen()
{
    SettingsWindowRig rig;
    rig.add("acct");
    QWidget* window = &rig.open();
    rig.find<QListWidget>("listTab")->setCurrentRow(1);
    QCOMPARE(rig.find<QLabel>("lblTab")->text(), QStringLiteral(" General Settings"));
    rig.find<QTreeView>("Servers")->header()->resizeSection(0, 200);
    rig.find<QPushButton>("SetupDate")->click();
    rig.find<QCheckBox>("PlayWaveChk")->click();
    rig.find<QCheckBox>("cbShowPopup")->click();
    rig.find<QCheckBox>("cbDesktopNotifications")->click();
    rig.find<QCheckBox>("chkStartup")->click();
    QTest::keyClick(rig.find<QComboBox>("cmbMailFound"), Qt::Key_Down);
    QTest::keyClick(rig.find<QComboBox>("cmbDoubleClick"), Qt::Key_Up);
    QVERIFY(rig.changes > 0);
    window->close();
    QTRY_VERIFY(!rig.window.widget());

    QCOMPARE(rig.store.selTab, qint16(1));
    QCOMPARE(rig.store.spcName, 3000);
    QCOMPARE(rig.store.spcMail, 1000); // not worn down by rounding
    QCOMPARE(rig.store.timeDisp, qint16(1));
    QVERIFY(!rig.store.bPlaywave);
    QVERIFY(!rig.store.showPopupWindow);
    QVERIFY(rig.store.UseDesktopNotifications());
    QVERIFY(rig.startAtLogon.on);
    QVERIFY(rig.store.wMailFound);
    QCOMPARE(rig.store.wMailClick, 1);

    rig.open();
    QCOMPARE(rig.find<QListWidget>("listTab")->currentRow(), 1);
    QCOMPARE(rig.find<QTreeView>("Servers")->header()->sectionSize(0), 200);
    QCOMPARE(rig.find<QPushButton>("SetupDate")->text(), QStringLiteral("Time then Date"));
    QVERIFY(!rig.find<QCheckBox>("PlayWaveChk")->isChecked());
    QVERIFY(rig.find<QCheckBox>("StartupChk")->isChecked());
    QVERIFY(!rig.find<QCheckBox>("cbShowPopup")->isChecked());
    QVERIFY(rig.find<QCheckBox>("cbDesktopNotifications")->isChecked());
    QVERIFY(rig.find<QCheckBox>("chkStartup")->isChecked());
    QCOMPARE(rig.find<QComboBox>("cmbMailFound")->currentIndex(), 1);
    QCOMPARE(rig.find<QComboBox>("cmbDoubleClick")->currentIndex(), 1);
}

void SettingsWindowTest::missingFilesAreShownRed_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<bool>("quoted");
    QTest::newRow("sound file there") << "WaveFileTxt" << true << false;
    QTest::newRow("sound file missing") << "WaveFileTxt" << false << false;
    QTest::newRow("program there") << "EprogTxt" << true << true;
    QTest::newRow("program missing") << "EprogTxt" << false << true;
}

void SettingsWindowTest::missingFilesAreShownRed()
{
    QFETCH(QString, box);
    QFETCH(bool, exists);
    QFETCH(bool, quoted);
    SettingsWindowRig rig;
    const QString file = rig.dir.filePath("thing.wav");
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    rig.open();
    auto* edit = rig.find<QLineEdit>(box.toLatin1().constData());
    auto* play = rig.find<QPushButton>("cmdTest");
    QString text = exists ? file : file + ".gone";
    if (quoted)
        text = '"' + text + '"';
    edit->setText(text);
    QCOMPARE(isRed(edit), !exists);
    if (box == "WaveFileTxt") {
        QCOMPARE(play->isEnabled(), exists);
        QCOMPARE(rig.store.waveFilename, text);
    } else {
        QCOMPARE(rig.store.eprogFilename, text);
        QCOMPARE(rig.store.ValidEProg(), exists);
    }
    // Corrected, it turns back.
    edit->setText(quoted ? '"' + file + '"' : file);
    QVERIFY(!isRed(edit));
}

void SettingsWindowTest::removeAsksFirst_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes") << true;
    QTest::newRow("No") << false;
}

void SettingsWindowTest::removeAsksFirst()
{
    QFETCH(bool, yes);
    SettingsWindowRig rig;
    rig.add("keep");
    rig.add("drop");
    rig.open();
    rig.table().select(1);
    rig.fakes.messages.answerYes = yes;
    const int changesBefore = rig.changes;
    rig.click("RemoveServer");

    QCOMPARE(rig.fakes.messages.questions.size(), size_t(1));
    QCOMPARE(rig.fakes.messages.questions.front().title, QStringLiteral("Remove Account"));
    QCOMPARE(rig.fakes.messages.questions.front().text,
             QStringLiteral("Are you sure you want to remove drop from the list?"));
    QCOMPARE(rig.accounts.size(), yes ? 1 : 2);
    QCOMPARE(rig.table().rows(), yes ? 1 : 2);
    QCOMPARE(rig.accounts.at(0).GetName(), QStringLiteral("keep"));
    QCOMPARE(rig.changes > changesBefore, yes);
}

void SettingsWindowTest::rowButtonsReachTheCheckCycle()
{
    SettingsWindowRig rig;
    rig.add("one");
    rig.add("two");
    rig.open();
    const TableView table = rig.table();
    table.select(1);
    rig.core.setAnnounced(true);
    rig.click("CheckForMail");
    QCOMPARE(rig.checkers.made.size(), size_t(1));
    QVERIFY(rig.accounts.at(1).IsChecking());
    QVERIFY(!rig.core.announced());
    rig.checkers.made.at(0)->found(3);
    QCOMPARE(table.cell(1, 1), QStringLiteral("Yes"));
    QCOMPARE(table.cell(1, 3), rig.accounts.at(1).GetLastDetail());

    rig.click("CheckAll");
    QCOMPARE(rig.checkers.made.size(), size_t(3));
}

void SettingsWindowTest::flashBoxActsOnTheLight_data()
{
    QTest::addColumn<bool>("announced");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("mail waiting") << true << QStringList{"Flash:1", "Flash:0"};
    QTest::newRow("nothing waiting") << false << QStringList{"Flash:0"};
}

void SettingsWindowTest::flashBoxActsOnTheLight()
{
    QFETCH(bool, announced);
    QFETCH(QStringList, calls);
    SettingsWindowRig rig;
    rig.core.setAnnounced(announced);
    rig.open();
    QVERIFY(rig.displays.calls.isEmpty());
    auto* box = rig.find<QCheckBox>("cbFlashScrollLock");
    box->click();
    QVERIFY(rig.store.flashScrollLock);
    box->click();
    QVERIFY(!rig.store.flashScrollLock);
    QCOMPARE(rig.displays.calls, calls);
}

void SettingsWindowTest::hoverHelp_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("text");
    QTest::newRow("table") << "Servers"
                           << "This is the list of accounts.  You can double click on an account "
                              "to open its settings window.";
    QTest::newRow("mode button")
        << "SetupDate"
        << "Click to change the way the time/date is displayed in the server list view.";
    QTest::newRow("sound box") << "WaveFileTxt"
                               << "Enter the path and filename to the default notification sound "
                                  "file.  Try browsing.";
    QTest::newRow("on top") << "cbOnTop"
                            << "Select this to have the Quick Bar sit on top of other program's "
                               "windows.";
    QTest::newRow("donate") << "webDonate"
                            << "If you enjoy using this product, please support it.  Click here "
                               "for more information.";
    QTest::newRow("page background") << "mAccounts"
                                     << "";
    QTest::newRow("heading") << "lblTab"
                             << "";
}

void SettingsWindowTest::hoverHelp()
{
    QFETCH(QString, control);
    QFETCH(QString, text);
    SettingsWindowRig rig;
    rig.open();
    auto* bar = rig.find<QStatusBar>("StatusBar");
    bar->showMessage("stale");
    QWidget* widget = rig.find(control.toLatin1().constData());
    QVERIFY(widget);
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(widget, &enter);
    QCOMPARE(bar->currentMessage(), text);
    QCOMPARE(HoverHelp::textOf(widget), text);
}

void SettingsWindowTest::fileDialogs_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("chosenShown");
    QTest::newRow("program") << "Browse1"
                             << "EprogTxt"
                             << "Choose Favorite E-Mail Program"
                             << "Programs (*)"
                             << "\"/usr/bin/mailer\"";
    QTest::newRow("sound") << "Browse2"
                           << "WaveFileTxt"
                           << "Choose Wave File"
                           << "Wave Files (*.wav)"
                           << "/usr/bin/mailer";
}

void SettingsWindowTest::fileDialogs()
{
    QFETCH(QString, button);
    QFETCH(QString, box);
    QFETCH(QString, title);
    QFETCH(QString, filter);
    QFETCH(QString, chosenShown);
    SettingsWindowRig rig;
    rig.open();
    auto* edit = rig.find<QLineEdit>(box.toLatin1().constData());
    edit->setText("\"/opt/old\" -x");
    const QString before = edit->text();
    rig.click(button.toLatin1().constData()); // cancelled
    QCOMPARE(edit->text(), before);
    QCOMPARE(rig.files.asked.back().title, title);
    QCOMPARE(rig.files.asked.back().filter, filter);
    if (box == "EprogTxt")
        QCOMPARE(rig.files.asked.back().start, QStringLiteral("/opt/old"));
    rig.files.answer = QStringLiteral("/usr/bin/mailer");
    rig.click(button.toLatin1().constData());
    QCOMPARE(edit->text(), chosenShown);
}

void SettingsWindowTest::pagesAndLicense()
{
    SettingsWindowRig rig;
    rig.open();
    auto* tabs = rig.find<QListWidget>("listTab");
    const QStringList headings{" Account Settings", " General Settings", " Skins",
                               " Orvane Online Links", " About Orvane"};
    for (int i = 0; i < 5; ++i) {
        tabs->setCurrentRow(i);
        QCOMPARE(rig.find<QLabel>("lblTab")->text(), headings.at(i));
        QCOMPARE(rig.store.selTab, qint16(i));
    }
    QCOMPARE(rig.find<QComboBox>("SkinCombo")->currentText(), QStringLiteral("<No Skin>"));
    QCOMPARE(rig.find<QComboBox>("cmbQBSkin")->currentText(), QStringLiteral("<Default>"));
    rig.click("webSkins");
    rig.click("iSmallGlow");
    QCOMPARE(rig.pagesOpened, (QStringList{"stMenuGetSkins", "stMenuNuvari"}));

    rig.click("cmdLicense");
    QVERIFY(rig.window.isNoticeShowing());
    auto* license = rig.window.widget()->findChild<FLicense*>();
    QCOMPARE(license->windowTitle(), QStringLiteral("Orvane License"));
    QVERIFY(license->findChild<QLabel*>("lblNotice")->text().startsWith("MIT License"));
    license->findChild<QPushButton*>("bClose")->click();
    QTRY_VERIFY(!rig.window.isNoticeShowing());
}

void SettingsWindowTest::storedChoicesOutsideTheListsShowAValidEntry_data()
{
    QTest::addColumn<int>("selTab");
    QTest::addColumn<int>("wMailClick");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("action");

    QTest::newRow("both in the lists") << 3 << 3 << 3 << 3;
    QTest::newRow("page 5") << 5 << 0 << 4 << 0;
    QTest::newRow("page -1") << -1 << 1 << 4 << 1;
    QTest::newRow("action 4") << 0 << 4 << 0 << 2;
    QTest::newRow("action -1") << 1 << -1 << 1 << 2;
    QTest::newRow("both far out") << 300 << 99 << 4 << 2;
}

void SettingsWindowTest::storedChoicesOutsideTheListsShowAValidEntry()
{
    QFETCH(int, selTab);
    QFETCH(int, wMailClick);
    QFETCH(int, page);
    QFETCH(int, action);
    SettingsWindowRig rig;
    rig.store.selTab = qint16(selTab);
    rig.store.wMailClick = wMailClick;
    rig.open();
    QCOMPARE(rig.find<QListWidget>("listTab")->currentRow(), page);
    QCOMPARE(rig.find<QStackedWidget>("pages")->currentIndex(), page);
    QCOMPARE(rig.find<QComboBox>("cmbDoubleClick")->currentIndex(), action);
    // Only shown: the stored action stays until the user picks one.
    QCOMPARE(rig.store.wMailClick, wMailClick);
}

void SettingsWindowTest::screenReaderNamesAndValues_data()
{
    QTest::addColumn<QString>("widget");
    QTest::addColumn<int>("modeClicks");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");

    QTest::newRow("tray skins") << "SkinCombo" << 0 << "Tray icon skin"
                                << "";
    QTest::newRow("bar skins") << "cmbQBSkin" << 0 << "Quick Bar skin"
                               << "";
    QTest::newRow("date mode") << "SetupDate" << 0 << "Date display: Time Only"
                               << "";
    QTest::newRow("date mode, stepped") << "SetupDate" << 2 << "Date display: Date then Time"
                                        << "";
    QTest::newRow("version") << "lblVersion" << 0 << "Version"
                             << "v1.6";
}

void SettingsWindowTest::screenReaderNamesAndValues()
{
    QFETCH(QString, widget);
    QFETCH(int, modeClicks);
    QFETCH(QString, name);
    QFETCH(QString, value);
    SettingsWindowRig rig;
    rig.open();
    for (int i = 0; i < modeClicks; ++i)
        rig.click("SetupDate");
    QAccessibleInterface* seen =
        QAccessible::queryAccessibleInterface(rig.find(widget.toLatin1().constData()));
    QVERIFY(seen);
    // Lists are named by the label they are tied to.
    const auto labels = seen->relations(QAccessible::Label);
    QCOMPARE(qobject_cast<QComboBox*>(seen->object()) && !labels.isEmpty()
                 ? labels.first().first->text(QAccessible::Name)
                 : seen->text(QAccessible::Name),
             name);
    if (!value.isEmpty())
        QCOMPARE(seen->text(QAccessible::Description), value);
}

void SettingsWindowTest::noTextIsCut_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<QString>("view"); // a page's number, or the account dialog

    for (int points : {9, 11}) {
        for (const char* view :
             {"0", "1", "2", "3", "4", "dialog", "dialog unfolded", "dialog certificate"}) {
            QTest::addRow("%d pt, %s", points, view) << points << QString::fromLatin1(view);
        }
    }
}

void SettingsWindowTest::noTextIsCut()
{
    QFETCH(int, points);
    QFETCH(QString, view);
    const QFont before = QApplication::font();
    auto restore = qScopeGuard([&before] { QApplication::setFont(before); });
    QFont font = before;
    font.setPointSize(points);
    QApplication::setFont(font);
    SettingsWindowRig rig;
    rig.add(QStringLiteral("Work mail with a rather long account name"));
    rig.open();
    QWidget* top = rig.window.widget();
    if (view.endsWith("certificate")) {
        // An IMAP account whose certificate a check refused, with the long
        // reason a real refusal gives.
        rig.add("Work", "imaps://imap.example.org");
        rig.window.RefreshServerList();
        rig.trust.noteRefused(
            CertificateTrust::keyFor(ServerAddress::parse("imaps://imap.example.org"), "user"),
            {QByteArray(32, '\xab'), "The issuer certificate of a locally looked up certificate "
                                     "could not be found; The root CA certificate is not trusted "
                                     "for this purpose"});
        rig.table().select(1);
        rig.click("EditServer");
        top = rig.window.accountDialog();
        QVERIFY(rig.find<QWidget>("cmdTrust")->isVisible());
    } else if (view.startsWith("dialog")) {
        rig.click("AddServer");
        top = rig.window.accountDialog();
        if (view.endsWith("unfolded"))
            rig.click("cmdAdvanced");
    } else {
        rig.find<QListWidget>("listTab")->setCurrentRow(view.toInt());
    }
    QVERIFY(QTest::qWaitForWindowExposed(top));
    QApplication::processEvents();

    auto* bar = top->findChild<QStatusBar*>();
    int seen = 0;
    for (QWidget* w : top->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->window() != top)
            continue;
        if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w)) {
            ++seen;
            // A push button may be narrower than the style's usual least
            // width ("..."), as long as its caption fits.
            auto* button = qobject_cast<QPushButton*>(w);
            const QSize hint = w->sizeHint();
            const int needed =
                button ? std::min(hint.width(),
                                  w->fontMetrics().horizontalAdvance(button->text()) +
                                      2 * w->style()->pixelMetric(QStyle::PM_ButtonMargin))
                       : hint.width();
            QVERIFY2(w->width() >= needed && w->height() >= hint.height(),
                     qPrintable(w->objectName() + QStringLiteral(" is cut")));
        }
        // A hint longer than the status bar shows whole as a tool tip.
        const QString hint = HoverHelp::textOf(w);
        if (hint.isEmpty())
            continue;
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(w, &enter);
        QCOMPARE(bar->currentMessage(), hint);
        if (w->toolTip() != hint) {
            QVERIFY2(bar->fontMetrics().horizontalAdvance(hint) <= bar->contentsRect().width(),
                     qPrintable(w->objectName() + QStringLiteral("'s hint is cut")));
        }
    }
    QVERIFY(seen > 2);
    // For looking at: ORVANE_SETTINGS_SHOTS names a folder for a picture of
    // each row.
    const QString shots = qEnvironmentVariable("ORVANE_SETTINGS_SHOTS");
    if (!shots.isEmpty()) {
        top->grab().save(shots + QLatin1Char('/') +
                         QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_') +
                         QStringLiteral(".png"));
    }
}

QTEST_MAIN(SettingsWindowTest)
#include "SettingsWindowTest.moc"
