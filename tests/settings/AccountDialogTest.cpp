#include "SettingsWindowRig.h"
#include "core/ServerAddress.h"
#include "settings/dChange.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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
    void mailboxAddressLines_data();
    void mailboxAddressLines();
    void existingLinesOpenAndSaveBack_data();
    void existingLinesOpenAndSaveBack();
    void trustsTheRefusedCertificate();
    void signsInInPlaceOfThePassword();
    void failedSignInLeavesTheAccountAlone_data();
    void failedSignInLeavesTheAccountAlone();
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
    rig.table().select(row);
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

/// A new account of a mailbox kind: what is typed and chosen, the line
/// stored, and the box's text when reopened (empty: the host typed).
struct AddressCase
{
    int kind;
    QString addr;
    int security;
    QString folder;
    QString stored;
    QString reopened;
};

} // namespace

Q_DECLARE_METATYPE(AddressCase)

void AccountDialogTest::addsAccountOfEachKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("addr");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QStringList>("profiles");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("storedAddr");
    QTest::addColumn<QString>("storedUser");

    QTest::newRow("POP3 with a port, encrypted") << 0 << "pop.example.org:1110"
                                                 << "anna" << QStringList() << ""
                                                 << "pop3s://pop.example.org:1110"
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
    QCOMPARE(rig.table().cell(0, 0), QStringLiteral("Home"));
    QVERIFY(rig.changes > 0);

    // Reopened, the dialog shows what was stored, the profile included.
    openEdit(rig, 0);
    QCOMPARE(rig.find<QComboBox>("dType")->currentIndex(), kind);
    if (!profile.isEmpty())
        QCOMPARE(rig.find<QComboBox>("cmbProfile")->currentText(), profile);
    QCOMPARE(rig.find<QLineEdit>("dAddr")->text(), storedAddr.section("://", -1));
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
    const QString invalid = "The server address is not valid.  Give a host name or address, "
                            "optionally followed by a colon and a port.";
    const QString imapAddress = "You must fill in an IMAP E-Mail server address for this account.";
    const QString noPassword = "You must fill in a password.";
    QTest::newRow("IMAP needs an address") << false << "x" << 3 << ""
                                           << "u"
                                           << "p" << imapAddress << "dAddr";
    QTest::newRow("IMAP needs a password") << false << "x" << 3 << "h"
                                           << "u"
                                           << "" << noPassword << "dPass";
    for (const char* addr : {"h/INBOX", "h:70000", "pop3s://bad host"})
        QTest::newRow(addr) << false << "x" << (addr[0] == 'p' ? 0 : 3) << addr << "u"
                            << "p" << invalid << "dAddr";
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

void AccountDialogTest::mailboxAddressLines_data()
{
    QTest::addColumn<AddressCase>("c");
    // Security -1 and an empty folder: left as the dialog offers them.
    const QList<std::pair<const char*, AddressCase>> rows{
        {"IMAP offers TLS", {3, "imap.example.org", -1, "", "imaps://imap.example.org", ""}},
        {"IMAP, STARTTLS, port and folder",
         {3, "imap.example.org:1143", 1, QString::fromUtf8("Work/Déjà vu"),
          "imap://imap.example.org:1143/Work/D%C3%A9j%C3%A0%20vu", ""}},
        {"IMAP in clear, IPv6", {3, "[::1]:1143", 2, "INBOX", "imap+plain://[::1]:1143", ""}},
        {"IMAP line typed whole",
         {3, "imaps://imap.example.org:993/Archive", -1, "", "imaps://imap.example.org/Archive",
          "imap.example.org"}},
        {"POP3 offers TLS",
         {0, "pop.example.org:1110", -1, "", "pop3s://pop.example.org:1110", ""}},
        {"POP3 with TLS", {0, "pop.example.org", 0, "", "pop3s://pop.example.org", ""}},
        {"POP3 with STLS on 995",
         {0, "pop.example.org:995", 1, "", "pop3://pop.example.org:995", ""}},
        {"POP3 chosen in clear", {0, "pop.example.org", 2, "", "pop.example.org", ""}},
        {"Yahoo stays web mail", {0, "mail.yahoo.com", -1, "", "mail.yahoo.com", ""}},
    };
    for (const auto& [tag, row] : rows)
        QTest::newRow(tag) << row;
}

void AccountDialogTest::mailboxAddressLines()
{
    QFETCH(AddressCase, c);
    SettingsWindowRig rig;
    openAdd(rig);
    fillIn(rig, "Home", c.kind, c.addr, "anna", "pw");
    QCOMPARE(rig.find<QLineEdit>("dFolder")->isVisible(), c.kind == 3);
    QCOMPARE(rig.find<QLineEdit>("dFolder")->text(), QStringLiteral("INBOX"));
    if (c.security >= 0)
        rig.find<QComboBox>("dSecurity")->setCurrentIndex(c.security);
    if (!c.folder.isEmpty())
        rig.find<QLineEdit>("dFolder")->setText(c.folder);
    rig.click("dOk");
    QVERIFY2(rig.fakes.messages.shown.empty(), qPrintable(rig.fakes.messages.texts().join(',')));
    QCOMPARE(rig.accounts.at(0).GetAddress(), c.stored);

    // Reopened, the box holds the host as typed, and "Set" writes the same line.
    openEdit(rig, 0);
    QCOMPARE(rig.find<QComboBox>("dType")->currentIndex(), c.kind);
    QCOMPARE(rig.find<QLineEdit>("dAddr")->text(),
             c.reopened.isEmpty() ? c.addr.section('/', 0, 0) : c.reopened);
    rig.click("dOk");
    QCOMPARE(rig.accounts.at(0).GetAddress(), c.stored);
}

void AccountDialogTest::existingLinesOpenAndSaveBack_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("security");
    QTest::addColumn<QString>("folder");

    const QString none = dChange::kNoSecurity;
    const QString tls = dChange::kTls;
    QTest::newRow("plain POP3 host") << "pop.example.org" << 0 << none << "";
    QTest::newRow("plain POP3 on 995") << "pop.example.org:995" << 0 << tls << "";
    QTest::newRow("POP3 with STLS") << "pop3://pop.example.org:1110" << 0 << "STARTTLS"
                                    << "";
    QTest::newRow("IMAP folder") << "imaps://imap.example.org/Work%20Mail" << 3 << tls
                                 << "Work Mail";
    QTest::newRow("IMAP in clear") << "imap+plain://10.0.0.2:1143" << 3 << none << "INBOX";
    QTest::newRow("IMAP at Yahoo") << "imaps://imap.mail.yahoo.com" << 3 << tls << "INBOX";
}

void AccountDialogTest::existingLinesOpenAndSaveBack()
{
    QFETCH(QString, line);
    QFETCH(int, kind);
    QFETCH(QString, security);
    QFETCH(QString, folder);
    SettingsWindowRig rig;
    server& account = rig.add("acct", line);
    openEdit(rig, 0);
    QCOMPARE(rig.find<QComboBox>("dType")->currentIndex(), kind);
    QCOMPARE(rig.find<QComboBox>("dSecurity")->currentText(), security);
    // Saying what "None" means wherever it is what the line does.
    QCOMPARE(rig.find<QLabel>("lblNoSecurity")->isVisible(), security == dChange::kNoSecurity);
    if (!folder.isEmpty())
        QCOMPARE(rig.find<QLineEdit>("dFolder")->text(), folder);
    rig.click("dOk");
    QVERIFY(rig.fakes.messages.shown.empty());
    QCOMPARE(account.GetAddress(), line);
}

void AccountDialogTest::trustsTheRefusedCertificate()
{
    SettingsWindowRig rig;
    rig.add("plain", "pop.example.org");
    rig.add("acct", "pop3s://pop.example.org");
    const QString key =
        CertificateTrust::keyFor(ServerAddress::parse("pop3s://pop.example.org"), "user");
    const QByteArray first(32, '\x11');
    rig.trust.noteRefused(key, {first, "self-signed"});
    // Only the account the certificate was refused for offers it.
    openEdit(rig, 0);
    QVERIFY(!rig.find<QWidget>("frmCertificate")->isVisible());
    rig.click("dCancel");

    openEdit(rig, 1);
    auto* text = rig.find<QLabel>("lblCertificate");
    QVERIFY(rig.find<QWidget>("frmCertificate")->isVisible());
    QVERIFY(text->text().contains("(self-signed)"));
    QVERIFY(text->text().contains("11:11:11:11"));
    QVERIFY(rig.find<QWidget>("cmdTrust")->isVisible());
    rig.click("cmdTrust");
    QCOMPARE(rig.trust.trusted(key), first);
    QVERIFY(!rig.find<QWidget>("cmdTrust")->isVisible());
    // Another user on the same server is another account.
    rig.find<QLineEdit>("dUser")->setText("other");
    QVERIFY(!rig.find<QWidget>("frmCertificate")->isVisible());
    rig.click("dCancel");

    // A different certificate later is offered again, never trusted by itself.
    rig.trust.noteRefused(key, {QByteArray(32, '\x22'), "self-signed"});
    openEdit(rig, 1);
    QVERIFY(rig.find<QWidget>("cmdTrust")->isVisible());
    QCOMPARE(rig.trust.trusted(key), first);
}

void AccountDialogTest::signsInInPlaceOfThePassword()
{
    SettingsWindowRig rig;
    QVERIFY(rig.authorityUp);
    openAdd(rig);
    fillIn(rig, "Work", 3, "localhost", "alice", {});
    auto* button = rig.find<QPushButton>("cmdSignIn");
    QVERIFY(button->isVisible());
    QVERIFY(!rig.find<QLineEdit>("dPass")->isVisible());
    QCOMPARE(button->text(), QStringLiteral("Sign in with Local"));
    QCOMPARE(button->accessibleName(), button->text());
    // Not signed in yet: nothing is set.
    rig.click("dOk");
    QCOMPARE(rig.fakes.messages.shown.size(), size_t(1));
    QVERIFY(rig.fakes.messages.shown.back().text.contains("sign in"));
    QCOMPARE(rig.accounts.size(), 0);

    rig.click("cmdSignIn");
    QTRY_COMPARE(rig.find<QLabel>("lblSignIn")->text(), QString::fromLatin1(dChange::kSignedIn));
    // Kept only once "Set" is clicked.
    QVERIFY(rig.keyring.items.isEmpty());
    rig.click("dOk");
    QTRY_COMPARE(rig.accounts.size(), 1);
    const server& account = rig.accounts.at(0);
    QVERIFY(account.SignsInWithProvider());
    const auto key = rig.tokens.keyFor(*rig.tokens.providerFor("localhost"), "alice");
    QVERIFY(!rig.keyring.items.value(FakeSecretStore::flat(key)).secret.isEmpty());

    // Opened again it says so, until the user name changes.
    openEdit(rig, 0);
    QCOMPARE(rig.find<QLabel>("lblSignIn")->text(), QString::fromLatin1(dChange::kSignedIn));
    rig.find<QLineEdit>("dUser")->setText("bob");
    QVERIFY(rig.find<QLabel>("lblSignIn")->text().isEmpty());
    rig.find<QLineEdit>("dUser")->setText("alice");
    rig.click("dOk");
    QVERIFY(rig.accounts.at(0).SignsInWithProvider());
}

void AccountDialogTest::failedSignInLeavesTheAccountAlone_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("said");
    QTest::newRow("answer with another state")
        << "forged" << QString::fromLatin1(OAuthSignIn::kWrongState);
    QTest::newRow("the user says no") << "denied"
                                      << "The provider refused the sign-in: access_denied";
    QTest::newRow("cancelled") << "cancelled" << QString::fromLatin1(OAuthSignIn::kCancelled);
    QTest::newRow("no answer in five minutes")
        << "silent" << QString::fromLatin1(OAuthSignIn::kTimedOut);
}

void AccountDialogTest::failedSignInLeavesTheAccountAlone()
{
    QFETCH(QString, how);
    QFETCH(QString, said);
    SettingsWindowRig rig;
    QVERIFY(rig.authorityUp);
    server& account = rig.add("acct", "imaps://localhost", 60, "alice");
    rig.authority.forgeState = how == "forged";
    rig.authority.deny = how == "denied";
    rig.browser.follow = how != "silent";
    openEdit(rig, 0);
    rig.click("cmdSignIn");
    QCOMPARE(rig.find<QPushButton>("cmdSignIn")->text(),
             QString::fromLatin1(dChange::kCancelSignIn));
    if (how == "cancelled")
        rig.click("cmdSignIn");
    if (how == "silent") {
        rig.clock.advance(OAuthSignIn::WaitMs - 1);
        QCOMPARE(rig.find<QLabel>("lblSignIn")->text(), QString::fromLatin1(dChange::kSigningIn));
        rig.clock.advance(1);
    }
    QTRY_COMPARE(rig.find<QLabel>("lblSignIn")->text(), said);
    rig.click("dOk");
    QCOMPARE(rig.fakes.messages.shown.size(), size_t(1));
    QCOMPARE(account.GetPassword(), QStringLiteral("secret"));
    QVERIFY(rig.keyring.items.isEmpty());
    QCOMPARE(rig.authority.codeGrants, 0);
}

QTEST_MAIN(AccountDialogTest)
#include "AccountDialogTest.moc"
