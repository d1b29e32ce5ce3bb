#include "core/AccountSecrets.h"

#include "CheckCycle.h"
#include "FakeSecretStore.h"
#include "FileHelpers.h"
#include "LineBlock.h"
#include "core/AccountListFile.h"
#include "platform/AnsiText.h"

#include <QTemporaryDir>
#include <QTest>

using namespace orvane;
using namespace orvane::test;

namespace {

const QString kScope = QStringLiteral("anna@/opt/orvane/");

struct Account
{
    QString name;
    QString address;
    QString password;
    QString marker;
};

// Every kind takes the same path: POP3, web mail, MS Exchange; an account
// another sign-in keeps and one without a password are left alone.
const QList<Account> kOldList = {
    {"Home", "pop.example.org", "alpha", {}},
    {"Hot", "HOTMAIL.COM", "be ta", {}},
    {"Office", "MS Exchange - Username/Password", "g\u00e4mma", {}},
    {"Token", "imaps://imap.example.org", server::ProviderSignIn(), "*oauth2*"},
    {"Open", "MS Exchange - Windows Account", {}, {}},
};

/// One run of the notifier's password keeping over a list file: the real
/// check cycle, the list file and the keyring double, which outlives runs.
struct Run
{
    Run(FakeSecretStore& store, QString path) : store(store), path(std::move(path)) {}

    server& add(const Account& a)
    {
        auto account = make();
        account->CreateServer(a.name, a.address, 30, 600, QStringLiteral("user"), a.password, false,
                              0, false, {}, false);
        account->setPasswordMarker(a.marker);
        return cycle.accounts.append(std::move(account));
    }
    std::unique_ptr<server> make()
    {
        auto account = std::make_unique<server>(cycle.core);
        secrets.watch(*account);
        return account;
    }
    bool save()
    {
        if (diesAtSave)
            return false;
        ++saves;
        return AccountListFile::save(path, cycle.accounts, blocks);
    }
    bool load()
    {
        return AccountListFile::read(path, cycle.accounts, blocks, [this] {
                   return make();
               }).result == AccountListFile::LoadResult::Loaded;
    }
    server& at(const QString& name) { return *cycle.accounts.find(name); }

    FakeSecretStore& store;
    QString path;
    bool keepInFile = false;
    /// The program is killed as it is about to save.
    bool diesAtSave = false;
    int saves = 0;
    LineBlock settings{{"settings"}};
    LineBlock quickView{{"1"}};
    LineBlock skinDriver{{"<No Skin>"}};
    LineBlock quickBar{{"<Default>"}};
    ListFileBlocks blocks{settings, quickView, skinDriver, quickBar};
    CheckCycle cycle;
    AccountSecrets secrets{
        &store, cycle.accounts, {[this] { return keepInFile; }, [this] { return save(); }}};
};

/// The password lines of the list file, by account name.
QHash<QString, QString> passwordLines(const QString& path)
{
    FakeSecretStore none;
    Run reader(none, path);
    QHash<QString, QString> lines;
    if (!reader.load())
        return lines;
    for (const auto& account : reader.cycle.accounts) {
        lines.insert(account->GetName(), account->passwordMarker().isEmpty()
                                             ? encodePassword(account->GetPassword())
                                             : account->passwordMarker());
    }
    return lines;
}

QString itemOf(const FakeSecretStore& store, const QString& name)
{
    const auto it =
        store.items.constFind(FakeSecretStore::flat({kScope, name, SecretStore::passwordKind()}));
    return it == store.items.cend() ? QString() : it->secret;
}

} // namespace

class AccountSecretsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QVERIFY(m_dir.isValid()); }
    void everyPasswordSurvivesAKillAtAnyStep_data();
    void everyPasswordSurvivesAKillAtAnyStep();
    void lockedKeyringHoldsChecksAndRewritesNothing();
    void withoutKeyringPasswordsStayInTheFile_data();
    void withoutKeyringPasswordsStayInTheFile();
    void lifecycle_data();
    void lifecycle();

private:
    QString listPath() const { return m_dir.path() + QStringLiteral("/Quorvelanna.svl"); }
    /// The list file as a run that moved nothing would leave it.
    void writeList(FakeSecretStore& store, const QList<Account>& accounts)
    {
        Run old(store, listPath());
        for (const Account& a : accounts)
            old.add(a);
        QVERIFY(old.save());
    }
    const QList<Account> kOneInKeyring = {{"Home", "pop.example.org", {}, "*keyring*"},
                                          {"Work", "pop.example.org", "beta", {}}};
    QTemporaryDir m_dir;
};

void AccountSecretsTest::everyPasswordSurvivesAKillAtAnyStep_data()
{
    QTest::addColumn<int>("answers");
    QTest::addColumn<bool>("diesAtSave");
    // Probe, then per moved account: write, read back, save.
    for (int answers = 0; answers <= 7; ++answers)
        QTest::addRow("killed after %d answers", answers) << answers << false;
    QTest::addRow("killed between reading back and saving") << 7 << true;
}

void AccountSecretsTest::everyPasswordSurvivesAKillAtAnyStep()
{
    QFETCH(int, answers);
    QFETCH(bool, diesAtSave);
    FakeSecretStore store;
    writeList(store, kOldList);
    {
        Run first(store, listPath());
        QVERIFY(first.load());
        first.diesAtSave = diesAtSave;
        store.holdAnswers = true;
        first.secrets.start(kScope);
        for (int i = 0; i < answers; ++i)
            QVERIFY2(store.releaseOne(), qPrintable(QString::number(i)));
        store.dropHeld();
    }
    // What a killed program left: each password in the file or, behind a
    // marker, in the keyring.
    const auto lines = passwordLines(listPath());
    for (const Account& a : kOldList) {
        const QString line = lines.value(a.name);
        if (!a.marker.isEmpty())
            QCOMPARE(line, a.marker);
        else if (line == QLatin1String(AccountSecrets::kKeyringMarker))
            QCOMPARE(itemOf(store, a.name), a.password);
        else
            QCOMPARE(line, encodePassword(a.password));
    }

    // The next start finds them all and finishes the move.
    store.holdAnswers = false;
    Run next(store, listPath());
    QVERIFY(next.load());
    next.secrets.start(kScope);
    QTRY_VERIFY(next.secrets.idle());
    for (const Account& a : kOldList) {
        QCOMPARE(next.at(a.name).GetPassword(), a.password);
        QVERIFY(!next.at(a.name).isHeldForSecret());
    }
    const auto moved = passwordLines(listPath());
    for (const Account& a : kOldList) {
        const bool keyring = a.marker.isEmpty() && !a.password.isEmpty();
        QCOMPARE(moved.value(a.name), keyring ? QString::fromLatin1(AccountSecrets::kKeyringMarker)
                                      : a.marker.isEmpty() ? QString()
                                                           : a.marker);
        if (keyring) {
            QCOMPARE(
                store.items
                    .value(FakeSecretStore::flat({kScope, a.name, SecretStore::passwordKind()}))
                    .label,
                QStringLiteral("Orvane: ") + a.name);
        }
    }
    QCOMPARE(next.secrets.keyring(), AccountSecrets::Keyring::Ready);
    QVERIFY(next.secrets.notice().isEmpty());
}

void AccountSecretsTest::lockedKeyringHoldsChecksAndRewritesNothing()
{
    FakeSecretStore store;
    store.items.insert(FakeSecretStore::flat({kScope, "Home", SecretStore::passwordKind()}),
                       {"Orvane: Home", "alpha"});
    writeList(store, kOneInKeyring);
    const QByteArray before = readFile(listPath());
    store.state = SecretStore::Outcome::Locked;
    Run run(store, listPath());
    QVERIFY(run.load());
    run.secrets.start(kScope);
    QTRY_VERIFY(run.secrets.idle());
    QCOMPARE(run.secrets.keyring(), AccountSecrets::Keyring::Locked);
    QCOMPARE(run.secrets.notice(), QString::fromLatin1(AccountSecrets::kLockedNotice));

    const int asked = store.reads;
    run.cycle.core.CheckDue(run.at("Home"));
    QCOMPARE(store.reads, asked); // the clock does not prompt again
    run.cycle.core.CheckAll();
    QCOMPARE(run.cycle.checkers.count(), 1); // only the account whose password is known
    QCOMPARE(run.cycle.checker(0).password, QStringLiteral("beta"));
    QCOMPARE(run.at("Home").GetLastDetail(),
             QString::fromLatin1(AccountSecrets::kWaitingForUnlock));
    QTRY_VERIFY(run.secrets.idle());
    QCOMPARE(run.saves, 0);
    QCOMPARE(store.writes, 0);
    QCOMPARE(readFile(listPath()), before);

    // Unlocked: the user's next check reads the password and checks with it.
    run.cycle.checker(0).found(0);
    store.state = SecretStore::Outcome::Done;
    run.cycle.core.CheckAccount(run.at("Home"));
    QTRY_COMPARE(run.cycle.checkers.count(), 2);
    QCOMPARE(run.cycle.checker(1).password, QStringLiteral("alpha"));
    QTRY_COMPARE(passwordLines(listPath()).value("Work"),
                 QString::fromLatin1(AccountSecrets::kKeyringMarker));
}

void AccountSecretsTest::withoutKeyringPasswordsStayInTheFile_data()
{
    QTest::addColumn<bool>("haveStore");
    QTest::addColumn<bool>("keepInFile");
    QTest::addColumn<QString>("notice");
    const QString none = QString::fromLatin1(AccountSecrets::kNoKeyringNotice);
    QTest::newRow("no keyring library") << false << false << none;
    QTest::newRow("no keyring on the bus") << true << false << none;
    QTest::newRow("kept in the file by choice") << true << true << QString();
}

void AccountSecretsTest::withoutKeyringPasswordsStayInTheFile()
{
    QFETCH(bool, haveStore);
    QFETCH(bool, keepInFile);
    QFETCH(QString, notice);
    FakeSecretStore store;
    writeList(store, kOneInKeyring);
    const QByteArray before = readFile(listPath());
    if (!keepInFile)
        store.state = SecretStore::Outcome::Unavailable;
    Run run(store, listPath());
    run.keepInFile = keepInFile;
    AccountSecrets bare(nullptr, run.cycle.accounts, {[] { return false; }, [] { return true; }});
    AccountSecrets& secrets = haveStore ? run.secrets : bare;
    QVERIFY(run.load());
    secrets.start(kScope);
    QTRY_VERIFY(secrets.idle());
    QCOMPARE(secrets.notice(), notice);
    QCOMPARE(store.writes, 0);
    QCOMPARE(readFile(listPath()), before);
    if (!keepInFile) {
        // Its password is out of reach: it waits and says why.
        run.cycle.core.CheckAll();
        QCOMPARE(run.cycle.checkers.count(), 1);
        QCOMPARE(run.at("Home").GetLastDetail(),
                 QString::fromLatin1(AccountSecrets::kNoKeyringForAccount));
    }
}

void AccountSecretsTest::lifecycle_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("line");      // Work's password line afterwards
    QTest::addColumn<QStringList>("items"); // the keyring's items afterwards
    QTest::addColumn<QString>("detail");    // in Work's status line
    const QString marker = QString::fromLatin1(AccountSecrets::kKeyringMarker);
    QTest::newRow("renamed") << "rename" << marker << QStringList{"Job=beta"} << QString();
    QTest::newRow("renamed while its new password moves")
        << "race" << marker << QStringList{"Job=gamma"} << QString();
    QTest::newRow("new password") << "password" << marker << QStringList{"Work=gamma"} << QString();
    QTest::newRow("removed") << "remove" << QString() << QStringList{} << QString();
    QTest::newRow("write refused")
        << "refused" << encodePassword("gamma") << QStringList{"Work=beta"}
        << "The keyring did not take the password";
    QTest::newRow("kept in the file")
        << "keep" << encodePassword("beta") << QStringList{} << QString();
    QTest::newRow("added") << "add" << marker << QStringList{"Work=beta", "New=delta"} << QString();
}

void AccountSecretsTest::lifecycle()
{
    QFETCH(QString, change);
    QFETCH(QString, line);
    QFETCH(QStringList, items);
    QFETCH(QString, detail);
    FakeSecretStore store;
    writeList(store, {{"Work", "pop.example.org", "beta", {}}});
    Run run(store, listPath());
    QVERIFY(run.load());
    run.secrets.start(kScope);
    QTRY_VERIFY(run.secrets.idle());
    QCOMPARE(itemOf(store, "Work"), QStringLiteral("beta"));
    server& work = run.at("Work");
    auto edit = [&](const QString& name, const QString& password) {
        work.CreateServer(name, work.GetAddress(), 30, 600, work.GetUsername(), password, false, 0,
                          false, {}, false);
    };
    if (change == QLatin1String("rename")) {
        edit("Job", "beta");
    } else if (change == QLatin1String("race")) {
        store.holdAnswers = true;
        edit("Work", "gamma");
        QVERIFY(store.releaseOne()); // written; reading it back waits
        edit("Job", "gamma");
        store.holdAnswers = false;
        while (store.releaseOne()) {
        }
    } else if (change == QLatin1String("password")) {
        edit("Work", "gamma");
    } else if (change == QLatin1String("remove")) {
        QVERIFY(run.cycle.accounts.remove(work));
    } else if (change == QLatin1String("refused")) {
        store.failWrites = true;
        edit("Work", "gamma");
    } else if (change == QLatin1String("keep")) {
        run.keepInFile = true;
        run.secrets.keepInFileChanged();
    } else {
        auto added = run.make();
        added->CreateServer("New", "pop.example.org", 30, 600, "user", "delta", false, 0, false, {},
                            false);
        run.cycle.accounts.append(std::move(added));
    }
    QTRY_VERIFY(run.secrets.idle());
    QVERIFY(run.save());
    const auto lines = passwordLines(listPath());
    QCOMPARE(lines.value(lines.contains("Job") ? "Job" : "Work"), line);
    QStringList held;
    for (auto it = store.items.cbegin(); it != store.items.cend(); ++it)
        held << it.key().section(u'\n', 1, 1) + u'=' + it->secret;
    held.sort();
    items.sort();
    QCOMPARE(held, items);
    if (!detail.isEmpty())
        QVERIFY2(run.cycle.accounts.find("Work")->GetLastDetail().startsWith(detail),
                 qPrintable(run.cycle.accounts.find("Work")->GetLastDetail()));
}

QTEST_GUILESS_MAIN(AccountSecretsTest)
#include "AccountSecretsTest.moc"
