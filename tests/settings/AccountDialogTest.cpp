#include "SettingsWindowRig.h"
#include "settings/dChange.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTreeWidget>

using namespace orvane;
using namespace orvane::test;

class AccountDialogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void addsAccountOfEachKind_data();
    void addsAccountOfEachKind();
    void inputIsCheckedInOrder_data();
    void inputIsCheckedInOrder();
    void kindChangeEmptiesOnlyWhenTheUserMakesIt_data();
    void kindChangeEmptiesOnlyWhenTheUserMakesIt();
    void valuesOutsideTheListsAreSavedBackAsTheLastEntry();
    void proposesTheFirstFreeName_data();
    void proposesTheFirstFreeName();
};

namespace {

dChange& openAdd(SettingsWindowRig& rig)
{
    rig.open();
    rig.click("AddServer");
    return *rig.window.accountDialog();
}

dChange& openEdit(SettingsWindowRig& rig, int row)
{
    rig.open();
    auto* table = rig.find<QTreeWidget>("Servers");
    table->setCurrentItem(table->topLevelItem(row));
    rig.click("EditServer");
    return *rig.window.accountDialog();
}

void fillIn(SettingsWindowRig& rig, const QString& name, int kind, const QString& addr,
            const QString& user, const QString& pass)
{
    rig.find<QComboBox>("dType")->setCurrentIndex(kind);
    rig.find<QLineEdit>("dName")->setText(name);
    rig.find<QLineEdit>("dAddr")->setText(addr);
    rig.find<QLineEdit>("dUser")->setText(user);
    rig.find<QLineEdit>("dPass")->setText(pass);
}

} // namespace

void AccountDialogTest::addsAccountOfEachKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("addr");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QStringList>("profiles");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("storedAddr");
    QTest::addColumn<QString>("storedUser");

    QTest::newRow("POP3 with a port") << 0 << "pop.example.org:1110"
                                      << "anna" << QStringList() << ""
                                      << "pop.example.org:1110"
                                      << "anna";
    QTest::newRow("Windows account, default profile trimmed")
        << 1 << "typed over"
        << "ignored" << QStringList{" Outlook ", "Work"} << "Outlook"
        << "MS Exchange - Windows Account"
        << "Outlook";
    QTest::newRow("Windows account, <Empty>") << 1 << ""
                                              << "" << QStringList{"Outlook"} << "<Empty>"
                                              << "MS Exchange - Windows Account"
                                              << "";
    QTest::newRow("Windows account, no profiles at all") << 1 << ""
                                                         << "" << QStringList() << "<Empty>"
                                                         << "MS Exchange - Windows Account"
                                                         << "";
    QTest::newRow("user name and password") << 2 << ""
                                            << "mapiuser" << QStringList() << ""
                                            << "MS Exchange - Username/Password"
                                            << "mapiuser";
}

void AccountDialogTest::addsAccountOfEachKind()
{
    QFETCH(int, kind);
    QFETCH(QString, addr);
    QFETCH(QString, user);
    QFETCH(QStringList, profiles);
    QFETCH(QString, profile);
    QFETCH(QString, storedAddr);
    QFETCH(QString, storedUser);
    SettingsWindowRig rig;
    rig.profiles = profiles;
    dChange& dialog = openAdd(rig);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Account Information - Add Account"));
    QCOMPARE(rig.find<QLineEdit>("dPass")->echoMode(), QLineEdit::Password);
    fillIn(rig, "Home", kind, addr, user, "pw");
    if (!profile.isEmpty()) {
        auto* list = rig.find<QComboBox>("cmbProfile");
        QCOMPARE(list->itemText(list->count() - 1), QStringLiteral("<Empty>"));
        QCOMPARE(list->count(), profiles.size() + 1);
        list->setCurrentIndex(list->findText(profile));
        QVERIFY(list->currentIndex() >= 0);
    }
    rig.click("dOk");

    QVERIFY(rig.fakes.messages.shown.empty());
    QVERIFY(!rig.window.accountDialog());
    QCOMPARE(rig.accounts.size(), 1);
    const server& account = rig.accounts.at(0);
    QCOMPARE(account.GetName(), QStringLiteral("Home"));
    QCOMPARE(account.GetAddress(), storedAddr);
    QCOMPARE(account.GetUsername(), storedUser);
    QCOMPARE(account.GetPassword(), QStringLiteral("pw"));
    QCOMPARE(account.GetTimeout(), 30);
    QCOMPARE(account.GetInterval(), 600);
    QVERIFY(account.IsActive());
    QCOMPARE(rig.find<QTreeWidget>("Servers")->topLevelItem(0)->text(0), QStringLiteral("Home"));
    QVERIFY(rig.changes > 0);

    // Reopened, the dialog shows what was stored, the profile included.
    openEdit(rig, 0);
    QCOMPARE(rig.find<QComboBox>("dType")->currentIndex(), kind);
    if (!profile.isEmpty())
        QCOMPARE(rig.find<QComboBox>("cmbProfile")->currentText(), profile);
    QCOMPARE(rig.find<QLineEdit>("dAddr")->text(), storedAddr);
}

void AccountDialogTest::inputIsCheckedInOrder_data()
{
    QTest::addColumn<bool>("edit");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("addr");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("pass");
    QTest::addColumn<QString>("message"); // empty: accepted
    QTest::addColumn<QString>("focus");

    const QString dup = "Duplicate account name found.  Please specify a different name.";
    QTest::newRow("no name") << false << "" << 0 << ""
                             << ""
                             << ""
                             << "You must fill in an account name."
                             << "dName";
    QTest::newRow("no address, adding")
        << false << "x" << 0 << ""
        << ""
        << ""
        << "You must fill in a POP3 E-Mail server address for this account."
        << "dAddr";
    QTest::newRow("no address, editing")
        << true << "mail" << 0 << ""
        << "u"
        << "p"
        << "You must fill in a POP E-Mail server address for this account."
        << "dAddr";
    QTest::newRow("no user name") << false << "x" << 0 << "a"
                                  << ""
                                  << ""
                                  << "You must fill in a username."
                                  << "dUser";
    QTest::newRow("no password") << false << "x" << 0 << "a"
                                 << "u"
                                 << ""
                                 << "You must fill in a password."
                                 << "dPass";
    QTest::newRow("user/password kind needs a user") << false << "x" << 2 << ""
                                                     << ""
                                                     << ""
                                                     << "You must fill in a username."
                                                     << "dUser";
    QTest::newRow("user/password kind needs no password") << false << "x" << 2 << ""
                                                          << "u"
                                                          << ""
                                                          << ""
                                                          << "";
    QTest::newRow("Windows account needs neither") << false << "x" << 1 << ""
                                                   << ""
                                                   << ""
                                                   << ""
                                                   << "";
    QTest::newRow("adding a name in another case") << false << "MAIL" << 0 << "a"
                                                   << "u"
                                                   << "p" << dup << "dName";
    QTest::newRow("editing keeps its own name in another case") << true << "Mail" << 0 << "a"
                                                                << "u"
                                                                << "p"
                                                                << ""
                                                                << "";
    QTest::newRow("editing to another account's name") << true << "OTHER" << 0 << "a"
                                                       << "u"
                                                       << "p" << dup << "dName";
}

void AccountDialogTest::inputIsCheckedInOrder()
{
    QFETCH(bool, edit);
    QFETCH(QString, name);
    QFETCH(int, kind);
    QFETCH(QString, addr);
    QFETCH(QString, user);
    QFETCH(QString, pass);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    SettingsWindowRig rig;
    rig.add("mail");
    rig.add("other");
    dChange& dialog = edit ? openEdit(rig, 0) : openAdd(rig);
    fillIn(rig, name, kind, addr, user, pass);
    rig.click("dOk");

    if (message.isEmpty()) {
        QVERIFY(rig.fakes.messages.shown.empty());
        QVERIFY(!rig.window.accountDialog());
        QCOMPARE(rig.accounts.size(), edit ? 2 : 3);
        QCOMPARE(rig.accounts.at(edit ? 0 : 2).GetName(), name);
        return;
    }
    QCOMPARE(rig.fakes.messages.texts(), QStringList{message});
    QCOMPARE(rig.fakes.messages.shown.front().icon, MessageBoxes::Icon::None);
    QVERIFY(rig.window.accountDialog());
    QCOMPARE(dialog.focusWidget()->objectName(), focus);
    QCOMPARE(rig.accounts.size(), 2);
    QCOMPARE(rig.accounts.at(0).GetName(), QStringLiteral("mail"));
}

void AccountDialogTest::kindChangeEmptiesOnlyWhenTheUserMakesIt_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("shownKind");
    QTest::addColumn<bool>("addressEnabled");
    QTest::addColumn<QString>("afterBackToPop3");

    QTest::newRow("Hotmail") << "hotmail.com" << 0 << true << "";
    QTest::newRow("Yahoo") << "mail.yahoo.com" << 0 << true << "mail.yahoo.com";
    QTest::newRow("user/password kind") << "MS Exchange - Username/Password" << 2 << false << "";
    QTest::newRow("Windows account") << "MS Exchange - Windows Account" << 1 << false << "";
    QTest::newRow("plain POP3") << "pop.example.org" << 0 << true << "pop.example.org";
}

void AccountDialogTest::kindChangeEmptiesOnlyWhenTheUserMakesIt()
{
    QFETCH(QString, address);
    QFETCH(int, shownKind);
    QFETCH(bool, addressEnabled);
    QFETCH(QString, afterBackToPop3);
    SettingsWindowRig rig;
    rig.add("acct", address);
    openEdit(rig, 0);
    auto* addr = rig.find<QLineEdit>("dAddr");
    auto* type = rig.find<QComboBox>("dType");
    QCOMPARE(addr->text(), address);
    QCOMPARE(type->currentIndex(), shownKind);
    QCOMPARE(addr->isEnabled(), addressEnabled);
    QCOMPARE(rig.find<QLineEdit>("dPass")->text(), QStringLiteral("secret"));

    type->setCurrentIndex(shownKind == 2 ? 1 : 2);
    type->setCurrentIndex(0);
    QCOMPARE(addr->text(), afterBackToPop3);
    QVERIFY(addr->isEnabled());
}

void AccountDialogTest::valuesOutsideTheListsAreSavedBackAsTheLastEntry()
{
    SettingsWindowRig rig;
    server& account = rig.add("acct", "pop.example.org", 100);
    account.CreateServer("acct", "pop.example.org", 100, 4000, "u", "p", true, 5, false, {}, false);
    openEdit(rig, 0);
    QCOMPARE(rig.find<QComboBox>("dTimeout")->currentText(), QStringLiteral("3 Minutes"));
    QCOMPARE(rig.find<QComboBox>("dInt")->currentText(), QStringLiteral("5 Hours"));
    auto* minimum = rig.find<QLineEdit>("MsgNumber");
    QCOMPARE(minimum->text(), QStringLiteral("5"));
    QVERIFY(minimum->isEnabled());
    minimum->clear();
    QTest::keyClicks(minimum, "x-1");
    QCOMPARE(minimum->text(), QStringLiteral("1"));
    minimum->clear();
    rig.click("dOk");

    QVERIFY(rig.fakes.messages.shown.empty());
    QCOMPARE(account.GetTimeout(), 180);
    QCOMPARE(account.GetInterval(), 18000);
    QCOMPARE(account.GetMin(), 0);
    QVERIFY(account.IsMinOn());
}

void AccountDialogTest::proposesTheFirstFreeName_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("proposed");
    QTest::newRow("none") << QStringList() << "Account001";
    QTest::newRow("any case") << QStringList{"Account001", "account002"} << "Account003";
    QTest::newRow("a gap") << QStringList{"Account002"} << "Account001";
    QStringList first99;
    for (int n = 1; n <= 99; ++n)
        first99 << QStringLiteral("Account%1").arg(n, 3, 10, QLatin1Char('0'));
    QTest::newRow("three digits") << first99 << "Account100";
}

void AccountDialogTest::proposesTheFirstFreeName()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, proposed);
    SettingsWindowRig rig;
    for (const QString& name : existing)
        rig.add(name);
    openAdd(rig);
    QCOMPARE(rig.find<QLineEdit>("dName")->text(), proposed);
}

QTEST_MAIN(AccountDialogTest)
#include "AccountDialogTest.moc"
