// The settings window as assistive technology sees it: a script on the
// accessibility bus opens the window from the tray menu, adds a POP3 account
// through the dialog's named boxes and watches its check in the table; the
// account is then in the list file the notifier writes at shutdown. A
// shutdown while any of the window's boxes or file dialogs is open ends the
// notifier cleanly, with the list saved. With a GNOME Keyring on the bus the
// passwords go there, an older list's too; without one the window says they
// stay in the file.
#include "Desktop.h"
#include "DovecotServer.h"
#include "FileHelpers.h"
#include "KeyringDaemon.h"
#include "ProgramFolder.h"
#include "QuorvelBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>
#include <csignal>
#include <memory>

using namespace orvane;
using namespace orvane::e2e;

namespace {

constexpr int kStartMs = 30000;
constexpr int kStopMs = 30000;
constexpr int kDriverMs = 120000;
const QByteArray kKeyringMarker = "*keyring*";

QByteArray passwordLine(const ProgramFolder& folder, int account = 0)
{
    const QByteArrayList lines = orvane::test::readFile(folder.accountListPath()).split('\n');
    const qsizetype at = kFirstAccountLine + qsizetype(account) * kAccountLines + 5;
    return at < lines.size() ? lines.at(at).trimmed() : QByteArray();
}

// Killed, not shut down: a test that failed midway leaves the notifier in any state.
void killIfRunning(QProcess& quorvel)
{
    if (quorvel.state() != QProcess::NotRunning) {
        quorvel.kill();
        quorvel.waitForFinished(kStopMs);
    }
}

} // namespace

class QuorvelSettingsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void addsAccountThroughTheDialog();
    void addsImapAccountThroughTheDialog();
    void readsTheFiguresAloud();
    void keepsTheDialogsPasswordInTheKeyring();
    void movesAnOlderListIntoTheKeyring();
    void withoutKeyringSaysSoAndKeepsTheFile();
    void shutdownWithABoxOpen_data();
    void shutdownWithABoxOpen();

private:
    /// The desktop's environment with the accessibility bridge always on.
    QProcessEnvironment readableEnvironment() const
    {
        QProcessEnvironment env = m_desktop.environment();
        env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
        return env;
    }
    /// Waits for the script, keeps a picture of the screen as it then is
    /// under `shot`, and tells whether the script ended well.
    bool driverSucceeded(QProcess& driver, const QString& shot);
    /// Waits for the notifier's tray icon, starts the script with
    /// `arguments` and opens the tray menu for it.
    bool startDriver(QProcess& driver, const QProcessEnvironment& env,
                     const QStringList& arguments);
    /// A new notifier on the folder's list checks every account and finds
    /// Dovecot's three messages.
    bool restartFindsThreeMessages(const ProgramFolder& folder);

    Desktop m_desktop;
    std::unique_ptr<QProcess> m_accessibilityBus;
};

void QuorvelSettingsTest::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("No session bus: run the tests through scripts/test.sh.");
    if (quorvelOnBus())
        QSKIP("org.orvane.Quorvel is taken on this bus: run the tests through scripts/test.sh.");
    const QString launcher = QStringLiteral("/usr/libexec/at-spi-bus-launcher");
    if (!QFile::exists(launcher) || !QFile::exists(QStringLiteral("/usr/bin/python3")))
        QSKIP("at-spi2-core or python3-pyatspi is missing: run scripts/packages.sh.");
    QVERIFY2(m_desktop.start(), qPrintable(m_desktop.errorString()));
    // The private bus activates only the project's services: the
    // accessibility bus is started here.
    m_accessibilityBus = std::make_unique<QProcess>();
    m_accessibilityBus->setProcessEnvironment(m_desktop.environment());
    m_accessibilityBus->setProcessChannelMode(QProcess::ForwardedChannels);
    m_accessibilityBus->start(launcher, {QStringLiteral("--launch-immediately")});
    QVERIFY(m_accessibilityBus->waitForStarted(kStartMs));
    QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::sessionBus().interface()->isServiceRegistered(
                                 QStringLiteral("org.a11y.Bus")),
                             kStartMs);
}

void QuorvelSettingsTest::cleanupTestCase()
{
    if (m_accessibilityBus) {
        m_accessibilityBus->terminate();
        if (!m_accessibilityBus->waitForFinished(kStopMs))
            m_accessibilityBus->kill();
    }
    m_desktop.stop();
}

void QuorvelSettingsTest::addsAccountThroughTheDialog()
{
    DovecotServer dovecot;
    ORVANE_START_DOVECOT(dovecot, DovecotServer::Options{});
    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
    QVERIFY(orvane::test::saveFile(folder.accountListPath(), listFileContent({}, {})));

    QProcess quorvel;
    const QProcessEnvironment env = readableEnvironment();
    auto stop = qScopeGuard([&quorvel] { killIfRunning(quorvel); });
    QVERIFY(startQuorvel(quorvel, folder.path(), env, kStartMs));

    QProcess driver;
    QVERIFY(startDriver(
        driver, env,
        {QStringLiteral("Dovecot"), dovecot.address(), dovecot.userName(), dovecot.password()}));
    QVERIFY2(driverSucceeded(driver, QStringLiteral("QuorvelSettingsTest.png")),
             "the script did not get through the settings window");

    callShutdown(kStopMs);
    QVERIFY(quorvel.waitForFinished(kStopMs));
    QFile list(folder.accountListPath());
    QVERIFY(list.open(QIODevice::ReadOnly));
    const QByteArrayList lines = list.readAll().split('\n');
    QVERIFY(lines.size() > kFirstAccountLine + 5);
    QCOMPARE(lines.at(1).trimmed(), QByteArray("1"));
    QCOMPARE(lines.at(kFirstAccountLine).trimmed(), QByteArray("Dovecot"));
    QCOMPARE(lines.at(kFirstAccountLine + 1).trimmed(), dovecot.address().toLatin1());
    QCOMPARE(lines.at(kFirstAccountLine + 4).trimmed(), dovecot.userName().toLatin1());
    QCOMPARE(lines.at(kFirstAccountLine + 5).trimmed(), encodePassword(dovecot.password()));
}

// The kind's own boxes and lists, found by their captions; the picture shows
// the dialog filled in, with what "None" means when it is chosen.
void QuorvelSettingsTest::addsImapAccountThroughTheDialog()
{
    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
    QVERIFY(orvane::test::saveFile(folder.accountListPath(), listFileContent({}, {})));

    QProcess quorvel;
    const QProcessEnvironment env = readableEnvironment();
    auto stop = qScopeGuard([&quorvel] { killIfRunning(quorvel); });
    QVERIFY(startQuorvel(quorvel, folder.path(), env, kStartMs));

    QProcess driver;
    QVERIFY(
        startDriver(driver, env,
                    {QStringLiteral("--imap"), QStringLiteral("Work"),
                     QStringLiteral("127.0.0.1:1143"), QStringLiteral("STARTTLS"),
                     QStringLiteral("Work Mail"), QStringLiteral("anna"), QStringLiteral("pw")}));
    QTRY_VERIFY_WITH_TIMEOUT(driver.canReadLine() || driver.state() == QProcess::NotRunning,
                             kDriverMs);
    QCOMPARE(driver.readLine().trimmed(), QByteArray("filled"));
    const QString screens = QStringLiteral(ORVANE_E2E_SCREEN_DIR);
    QDir().mkpath(screens);
    m_desktop.screenshot(screens + QStringLiteral("/QuorvelSettingsTest-imap-dialog.png"));
    driver.write("go\n");
    QVERIFY2(driverSucceeded(driver, QStringLiteral("QuorvelSettingsTest-imap.png")),
             "the script did not add the IMAP account");

    callShutdown(kStopMs);
    QVERIFY(quorvel.waitForFinished(kStopMs));
    QFile list(folder.accountListPath());
    QVERIFY(list.open(QIODevice::ReadOnly));
    const QByteArrayList lines = list.readAll().split('\n');
    QVERIFY(lines.size() > kFirstAccountLine + 5);
    QCOMPARE(lines.at(kFirstAccountLine).trimmed(), QByteArray("Work"));
    QCOMPARE(lines.at(kFirstAccountLine + 1).trimmed(),
             QByteArray("imap://127.0.0.1:1143/Work%20Mail"));
    QCOMPARE(lines.at(kFirstAccountLine + 4).trimmed(), QByteArray("anna"));
}

// The account the dialog adds: its password in the keyring under the
// account's name, the list file holding only the marker, and a new start
// checking with the password it reads back.
void QuorvelSettingsTest::keepsTheDialogsPasswordInTheKeyring()
{
    KeyringDaemon keyring;
    QVERIFY2(keyring.start(), qPrintable(keyring.errorString()));
    DovecotServer dovecot;
    ORVANE_START_DOVECOT(dovecot, DovecotServer::Options{});
    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
    QVERIFY(orvane::test::saveFile(folder.accountListPath(), listFileContent({}, {})));
    QProcess quorvel;
    const QProcessEnvironment env = readableEnvironment();
    auto stop = qScopeGuard([&quorvel] { killIfRunning(quorvel); });
    QVERIFY(startQuorvel(quorvel, folder.path(), env, kStartMs));
    QProcess driver;
    QVERIFY(startDriver(
        driver, env,
        {QStringLiteral("Dovecot"), dovecot.address(), dovecot.userName(), dovecot.password()}));
    QVERIFY2(driverSucceeded(driver, QStringLiteral("QuorvelSettingsTest-keyring.png")),
             "the script did not get through the settings window");

    // The change is saved a few seconds later, with the marker.
    QTRY_COMPARE_WITH_TIMEOUT(passwordLine(folder), kKeyringMarker, kStartMs);
    const QStringList item{QStringLiteral("server"), QStringLiteral("Orvane: Dovecot")};
    QCOMPARE(keyring.lookup(item), dovecot.password());
    const QString found = keyring.search(item);
    QVERIFY2(found.contains(QStringLiteral("label = Orvane: Dovecot")), qPrintable(found));
    QVERIFY2(found.contains(folder.path()), qPrintable(found));
    callShutdown(kStopMs);
    QVERIFY(quorvel.waitForFinished(kStopMs));
    QCOMPARE(passwordLine(folder), kKeyringMarker);
    QVERIFY(!orvane::test::readFile(folder.accountListPath())
                 .contains(encodePassword(dovecot.password())));
    QVERIFY(restartFindsThreeMessages(folder));
}

// A list an older version wrote: its encoded password moves to the keyring
// at the first start, and the next start checks with it from there.
void QuorvelSettingsTest::movesAnOlderListIntoTheKeyring()
{
    KeyringDaemon keyring;
    QVERIFY2(keyring.start(), qPrintable(keyring.errorString()));
    DovecotServer dovecot;
    ORVANE_START_DOVECOT(dovecot, DovecotServer::Options{});
    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
    QVERIFY(orvane::test::saveFile(
        folder.accountListPath(),
        listFileContent({}, {{"Dovecot", dovecot.address().toLatin1(), 60, 3600,
                              dovecot.userName().toLatin1(), dovecot.password()}})));
    QCOMPARE(passwordLine(folder), encodePassword(dovecot.password()));
    QProcess quorvel;
    auto stop = qScopeGuard([&quorvel] { killIfRunning(quorvel); });
    QVERIFY(startQuorvel(quorvel, folder.path(), m_desktop.environment(), kStartMs));
    QTRY_COMPARE_WITH_TIMEOUT(passwordLine(folder), kKeyringMarker, kStartMs);
    QCOMPARE(keyring.lookup({QStringLiteral("server"), QStringLiteral("Orvane: Dovecot")}),
             dovecot.password());
    callShutdown(kStopMs);
    QVERIFY(quorvel.waitForFinished(kStopMs));
    QVERIFY(restartFindsThreeMessages(folder));
}

// Nothing answers for the keyring: the General page says where the passwords
// are and how to change it, and the file keeps them as it always did.
void QuorvelSettingsTest::withoutKeyringSaysSoAndKeepsTheFile()
{
    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
    ListSettings general;
    general.page = 1;
    QVERIFY(orvane::test::saveFile(
        folder.accountListPath(),
        listFileContent(general, {{"Home", "pop.example.org", 60, 3600, "anna", "pw"}})));
    QProcess quorvel;
    const QProcessEnvironment env = readableEnvironment();
    auto stop = qScopeGuard([&quorvel] { killIfRunning(quorvel); });
    QVERIFY(startQuorvel(quorvel, folder.path(), env, kStartMs));
    QProcess driver;
    QVERIFY(startDriver(
        driver, env,
        {QStringLiteral("--notice"),
         QStringLiteral("No keyring answers on this desktop, so passwords are kept in the list "
                        "file: start one (GNOME Keyring, KWallet or KeePassXC) and restart "
                        "Orvane to move them there.")}));
    QVERIFY2(driverSucceeded(driver, QStringLiteral("QuorvelSettingsTest-no-keyring.png")),
             "the settings window did not say where the passwords are");
    callShutdown(kStopMs);
    QVERIFY(quorvel.waitForFinished(kStopMs));
    QCOMPARE(passwordLine(folder), encodePassword(QStringLiteral("pw")));
}

bool QuorvelSettingsTest::restartFindsThreeMessages(const ProgramFolder& folder)
{
    QProcess quorvel;
    auto stop = qScopeGuard([&quorvel] { killIfRunning(quorvel); });
    if (!startQuorvel(quorvel, folder.path(), m_desktop.environment(), kStartMs))
        return false;
    // The password comes from the keyring a moment after the start; a
    // check asked for meanwhile waits for it.
    callStatus(QStringLiteral("CheckAll"));
    const QDeadlineTimer deadline(kStartMs);
    while (statusProperty(QStringLiteral("TotalCount")).toInt() != 3 && !deadline.hasExpired())
        QTest::qWait(100);
    const bool found = statusProperty(QStringLiteral("TotalCount")).toInt() == 3;
    callShutdown(kStopMs);
    return found && quorvel.waitForFinished(kStopMs);
}

bool QuorvelSettingsTest::driverSucceeded(QProcess& driver, const QString& shot)
{
    const bool ended = driver.waitForFinished(kDriverMs);
    const QString screens = QStringLiteral(ORVANE_E2E_SCREEN_DIR);
    QDir().mkpath(screens);
    m_desktop.screenshot(screens + QLatin1Char('/') + shot);
    if (!ended)
        driver.kill();
    return ended && driver.exitStatus() == QProcess::NormalExit && driver.exitCode() == 0;
}

bool QuorvelSettingsTest::startDriver(QProcess& driver, const QProcessEnvironment& env,
                                      const QStringList& arguments)
{
    if (!QTest::qWaitFor([this] { return m_desktop.trayIconCount() > 0; }, kStartMs))
        return false;
    driver.setProcessEnvironment(env);
    driver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    driver.start(QStringLiteral("/usr/bin/python3"),
                 QStringList{QFINDTESTDATA("settings_window_driver.py"), QStringLiteral("Orvane")} +
                     arguments);
    if (!driver.waitForStarted(kStartMs))
        return false;
    // The menu is opened once the script listens for it.
    const QDeadlineTimer deadline(kStartMs);
    while (!driver.canReadLine() && driver.state() != QProcess::NotRunning &&
           !deadline.hasExpired())
        QTest::qWait(100);
    return driver.readLine().trimmed() == "ready" && m_desktop.clickTrayIcon(1, 3);
}

void QuorvelSettingsTest::shutdownWithABoxOpen_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("terminate"); // SIGTERM, else Util.Shutdown

    // Both ways to end reach every kind of box at least once.
    QTest::newRow("no name") << "no name" << 0 << true;
    QTest::newRow("no address") << "no address" << 0 << false;
    QTest::newRow("no username") << "no username" << 0 << true;
    QTest::newRow("no password") << "no password" << 0 << false;
    QTest::newRow("duplicate name") << "duplicate" << 0 << true;
    QTest::newRow("sound file, SIGTERM") << "sound file" << 0 << true;
    QTest::newRow("sound file, bus") << "sound file" << 0 << false;
    QTest::newRow("Remove, SIGTERM") << "remove" << 0 << true;
    QTest::newRow("Remove, bus") << "remove" << 0 << false;
    QTest::newRow("e-mail program, SIGTERM") << "e-mail program" << 1 << true;
    QTest::newRow("e-mail program, bus") << "e-mail program" << 1 << false;
    QTest::newRow("wave file, SIGTERM") << "wave file" << 1 << true;
    QTest::newRow("wave file, bus") << "wave file" << 1 << false;
    QTest::newRow("licence") << "licence" << 4 << true;
}

void QuorvelSettingsTest::shutdownWithABoxOpen()
{
    QFETCH(QString, box);
    QFETCH(int, page);
    QFETCH(bool, terminate);
    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
    ListSettings settings;
    settings.page = page;
    QVERIFY(orvane::test::saveFile(folder.accountListPath(),
                                   listFileContent(settings, {{"acct", "pop.example.org"}})));

    QProcess quorvel;
    const QProcessEnvironment env = readableEnvironment();
    auto stop = qScopeGuard([&quorvel] { killIfRunning(quorvel); });
    QVERIFY(startQuorvel(quorvel, folder.path(), env, kStartMs));
    QProcess driver;
    QVERIFY(startDriver(driver, env, {QStringLiteral("--open"), box}));
    const bool driven = driver.waitForFinished(kDriverMs);
    if (!driven)
        driver.kill();
    QVERIFY2(driven && driver.exitCode() == 0 && driver.readAll().trimmed() == "open",
             "the script did not open the box");

    // The list is written again at shutdown: gone now, it shows the save.
    QVERIFY(QFile::remove(folder.accountListPath()));
    if (terminate)
        ::kill(quorvel.processId(), SIGTERM);
    else
        callShutdown(kStopMs);
    QVERIFY(quorvel.waitForFinished(kStopMs));
    QCOMPARE(quorvel.exitStatus(), QProcess::NormalExit);
    QCOMPARE(quorvel.exitCode(), 0);
    QFile list(folder.accountListPath());
    QVERIFY(list.open(QIODevice::ReadOnly));
    const QByteArrayList lines = list.readAll().split('\n');
    QVERIFY(lines.size() > kFirstAccountLine);
    QCOMPARE(lines.at(1).trimmed(), QByteArray("1"));
    QCOMPARE(lines.at(kFirstAccountLine).trimmed(), QByteArray("acct"));
}

// The Quick Bar's count and the popup's lines, as a screen reader reads
// them: seven messages on the account "Home".
void QuorvelSettingsTest::readsTheFiguresAloud()
{
    DovecotServer dovecot;
    DovecotServer::Options seven;
    seven.messages = 7;
    ORVANE_START_DOVECOT(dovecot, seven);
    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
    ListSettings settings;
    settings.showPopup = true;
    QByteArray list =
        listFileContent(settings, {{"Home", dovecot.address().toLatin1(), 30, 3600,
                                    dovecot.userName().toLatin1(), dovecot.password()}});
    list.replace("<Default>\r\nFalse\r\n0\r\n0\r\nFalse\r\n",
                 "Sublime\r\nTrue\r\n1500\r\n1500\r\nFalse\r\n");
    QVERIFY(orvane::test::saveFile(folder.accountListPath(), list));

    QProcess quorvel;
    const QProcessEnvironment env = readableEnvironment();
    auto stop = qScopeGuard([&quorvel] { stopQuorvel(quorvel, kStopMs); });
    QProcess driver;
    driver.setProcessEnvironment(env);
    driver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    driver.start(QStringLiteral("/usr/bin/python3"),
                 {QFINDTESTDATA("settings_window_driver.py"), QStringLiteral("--figures"),
                  QStringLiteral("Orvane"), QStringLiteral("007"),
                  QStringLiteral("Home - 7 new messages")});
    QVERIFY(driver.waitForStarted(kStartMs));
    QTRY_VERIFY_WITH_TIMEOUT(driver.canReadLine() || driver.state() == QProcess::NotRunning,
                             kStartMs);
    QCOMPARE(driver.readLine().trimmed(), QByteArray("ready"));
    // Listening before the notifier starts: the popup opens after the first check.
    QVERIFY(startQuorvel(quorvel, folder.path(), env, kStartMs));
    QVERIFY(callStatus(QStringLiteral("CheckAll")).type() != QDBusMessage::ErrorMessage);
    QVERIFY2(driverSucceeded(driver, QStringLiteral("QuorvelSettingsTest-figures.png")),
             "the script did not hear both figures");
    // Read by a screen reader, the windows still go quietly at the end.
    callShutdown(kStopMs);
    QVERIFY(quorvel.waitForFinished(kStopMs));
    QCOMPARE(quorvel.exitStatus(), QProcess::NormalExit);
    QCOMPARE(quorvel.exitCode(), 0);
}

QTEST_GUILESS_MAIN(QuorvelSettingsTest)
#include "QuorvelSettingsTest.moc"
