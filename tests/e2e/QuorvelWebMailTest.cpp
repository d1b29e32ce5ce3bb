// The real notifier checks a Hotmail and a Yahoo account through the real
// web-mail checker server, which the private session bus starts from its
// service file. The browser reaches the services' host names through a local
// web server acting as its proxy.
#include "Desktop.h"
#include "FileHelpers.h"
#include "ProcessTree.h"
#include "ProgramFolder.h"
#include "QuorvelBus.h"
#include "ScriptedWebServer.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <csignal>
#include <memory>

using namespace orvane;
using namespace orvane::e2e;
using namespace orvane::test;

namespace {

constexpr int kStartMs = 30000;
constexpr int kCheckMs = 120000;
const QString kKestrano = QStringLiteral("org.orvane.Kestrano");

using Page = ScriptedWebServer::Page;

Page html(const QByteArray& body)
{
    return Page{"<html><body>" + body + "</body></html>", {}, 0, false};
}

// The status line of every account, by name.
QHash<QString, QString> accountStatus()
{
    QHash<QString, QString> out;
    const QDBusMessage reply = callStatus(QStringLiteral("Accounts"));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return out;
    const auto list = reply.arguments().at(0).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QString name, mail, checked, status;
        list.beginStructure();
        list >> name >> mail >> checked >> status;
        list.endStructure();
        out.insert(name, status);
    }
    list.endArray();
    return out;
}

// The graphics driver a process has loaded (Mesa's, with its shader
// compiler), or nothing.
QString graphicsDriverIn(uint pid)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    if (!maps.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression driver(QStringLiteral("\\S*(/dri/|libGLX_mesa|libLLVM)\\S*"));
    return driver.match(QString::fromLatin1(maps.readAll())).captured(0);
}

uint kestranoPid()
{
    const QDBusReply<uint> pid = QDBusConnection::sessionBus().interface()->servicePid(kKestrano);
    return pid.isValid() ? pid.value() : 0;
}

} // namespace

class QuorvelWebMailTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();
    void countsBothAccounts();
    void wrongPassword();
    void serverKilledInTheMiddle();

private:
    bool startQuorvel(const ProgramFolder& folder, const QList<ListAccount>& accounts);
    // Waits for the checks to end, noting every browser process on the way.
    void watchServer(const std::function<bool()>& done);

    Desktop m_desktop;
    ScriptedWebServer m_web;
    std::unique_ptr<QProcess> m_quorvel;
    QSet<uint> m_serverProcesses;
    QString m_graphicsDriver;
    bool m_hangLogin = false;
};

void QuorvelWebMailTest::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("No session bus: run the tests through scripts/test.sh.");
    if (quorvelOnBus())
        QSKIP("org.orvane.Quorvel is taken on this bus: run the tests through scripts/test.sh.");
    if (!QFile::exists(QDir(qEnvironmentVariable("ORVANE_PROGRAM_DIR"))
                           .filePath(QStringLiteral("libfendrel.so"))))
        QSKIP("The browser host plugin was not built (no Qt WebEngine).");
    const QStringList activatable =
        QDBusConnection::sessionBus().interface()->activatableServiceNames();
    if (!activatable.contains(kKestrano))
        QSKIP("The bus does not know the server's service file: run through scripts/test.sh.");
    QVERIFY(m_web.listen());
    QVERIFY2(m_desktop.start(), qPrintable(m_desktop.errorString()));

    // What the bus hands the programs it starts: the desktop's display, and a
    // browser that runs as root, through the local proxy.
    qDBusRegisterMetaType<QMap<QString, QString>>();
    QDBusMessage update = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("UpdateActivationEnvironment"));
    update << QVariant::fromValue(QMap<QString, QString>{
        {QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"),
         QStringLiteral("--no-sandbox --proxy-server=127.0.0.1:%1").arg(m_web.port())},
        {QStringLiteral("DISPLAY"), m_desktop.display()},
        {QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb")}});
    QCOMPARE(QDBusConnection::sessionBus().call(update).type(), QDBusMessage::ReplyMessage);

    const QByteArray loginForm = " method='post'><input name='login'><input type='password'"
                                 " name='passwd'></form>";
    m_web.setPage(QStringLiteral("http://login.passport.com/uilogin.srf?id=2"),
                  html("<form name='Form1' action='http://login.passport.com/ppsecure/post.srf'" +
                       loginForm));
    m_web.setPage(QStringLiteral("http://by1.hotmail.test/cgi-bin/hmhome?curmbox=1"),
                  html("Welcome"));
    m_web.setPage(QStringLiteral("http://by1.hotmail.test/cgi-bin/HoTMaiL?curmbox=1"),
                  html("<td>Inbox<font style=\"FONT-WEIGHT: normal\"> (7)</font></td>"));
    m_web.setPage(
        QStringLiteral("http://mail.yahoo.com/"),
        html("<form name='login_form' action='http://login.yahoo.com/config/login'" + loginForm));
    m_web.setPage(QStringLiteral("http://us.mail.yahoo.com/ym/welcome"),
                  html("<a href='/ym/inbox'><b>Inbox (12)</b></a>"));
    m_web.responder = [this](const QByteArray& method, const QString& address,
                             const QByteArray& body) -> std::optional<Page> {
        if (m_hangLogin && address.contains(QLatin1String("uilogin.srf")))
            return Page{{}, {}, 0, true};
        if (method != "POST")
            return std::nullopt;
        const bool right = body.contains("passwd=right");
        if (address.startsWith(QLatin1String("http://login.passport.com/")))
            return right ? Page{{}, "http://by1.hotmail.test/cgi-bin/hmhome?curmbox=1", 0, false}
                         : html("Sign in failed");
        if (address.startsWith(QLatin1String("http://login.yahoo.com/")))
            return right ? Page{{}, "http://us.mail.yahoo.com/ym/welcome", 0, false}
                         : html("<form name='login'><input name='login'></form>");
        return std::nullopt;
    };
}

void QuorvelWebMailTest::cleanup()
{
    if (m_quorvel)
        stopQuorvel(*m_quorvel, kStartMs);
    m_quorvel.reset();
    // The next test starts with no server of this one left on the bus.
    QTRY_VERIFY_WITH_TIMEOUT(
        !QDBusConnection::sessionBus().interface()->isServiceRegistered(kKestrano), kStartMs);
    m_web.requests.clear();
    m_hangLogin = false;
    m_serverProcesses.clear();
    m_graphicsDriver.clear();
}

void QuorvelWebMailTest::cleanupTestCase()
{
    m_desktop.stop();
}

bool QuorvelWebMailTest::startQuorvel(const ProgramFolder& folder,
                                      const QList<ListAccount>& accounts)
{
    const ListSettings settings{{}, false, true, false};
    if (!folder.isValid() ||
        !saveFile(folder.accountListPath(), listFileContent(settings, accounts)))
        return false;
    m_quorvel = std::make_unique<QProcess>();
    return orvane::e2e::startQuorvel(*m_quorvel, folder.path(), m_desktop.environment(), kStartMs);
}

void QuorvelWebMailTest::watchServer(const std::function<bool()>& done)
{
    const QDeadlineTimer deadline(kCheckMs);
    while (!done() && !deadline.hasExpired()) {
        if (const uint pid = kestranoPid()) {
            const QSet<uint> tree = descendantsOf(pid);
            m_serverProcesses.unite(tree);
            for (uint process : tree) {
                if (m_graphicsDriver.isEmpty())
                    m_graphicsDriver = graphicsDriverIn(process);
            }
        }
        QTest::qWait(250);
    }
}

void QuorvelWebMailTest::countsBothAccounts()
{
    const ProgramFolder folder;
    QVERIFY(startQuorvel(folder, {{"Hotmail", "hotmail.com", 120, 3600, "bob", "right"},
                                  {"Yahoo", "yahoo.com", 120, 3600, "amy", "right"}}));
    watchServer([] { return statusProperty(QStringLiteral("TotalCount")).toInt() == 19; });
    QCOMPARE(statusProperty(QStringLiteral("TotalCount")).toInt(), 19);
    QVERIFY(!m_serverProcesses.isEmpty());
    // Pages are never seen, so nothing loads a graphics driver for them.
    QVERIFY2(m_graphicsDriver.isEmpty(), qPrintable(m_graphicsDriver));
    // The server ends with its last checker, and its browser with it.
    QTRY_VERIFY_WITH_TIMEOUT(
        !QDBusConnection::sessionBus().interface()->isServiceRegistered(kKestrano), kStartMs);
    QTRY_VERIFY_WITH_TIMEOUT(!anyAlive(m_serverProcesses), kStartMs);
    QVERIFY(m_web.requests.contains(
        QStringLiteral("GET http://by1.hotmail.test/cgi-bin/HoTMaiL?curmbox=1")));
}

void QuorvelWebMailTest::wrongPassword()
{
    const ProgramFolder folder;
    QVERIFY(startQuorvel(folder, {{"Yahoo", "yahoo.com", 120, 3600, "amy", "wrong"},
                                  {"Hotmail", "HOTMAIL.COM", 120, 3600, "bob", "wrong"}}));
    const QString refused = QStringLiteral("Login failed.  Bad username or password.");
    watchServer([&] {
        const auto status = accountStatus();
        return status.value(QStringLiteral("Yahoo")).contains(refused) &&
               status.value(QStringLiteral("Hotmail")).contains(refused);
    });
    const auto status = accountStatus();
    QVERIFY2(status.value(QStringLiteral("Yahoo")).contains(refused),
             qPrintable(status.value(QStringLiteral("Yahoo"))));
    QVERIFY2(status.value(QStringLiteral("Hotmail")).contains(refused),
             qPrintable(status.value(QStringLiteral("Hotmail"))));
    QCOMPARE(statusProperty(QStringLiteral("TotalCount")).toInt(), 0);
}

void QuorvelWebMailTest::serverKilledInTheMiddle()
{
    m_hangLogin = true;
    const ProgramFolder folder;
    QVERIFY(startQuorvel(folder, {{"Hotmail", "hotmail.com", 25, 3600, "bob", "right"}}));
    uint pid = 0;
    watchServer([&] {
        pid = kestranoPid();
        return pid != 0 && m_web.requests.contains(
                               QStringLiteral("GET http://login.passport.com/uilogin.srf?id=2"));
    });
    QVERIFY(pid != 0);
    m_serverProcesses.unite(descendantsOf(pid));
    QVERIFY(::kill(pid_t(pid), SIGKILL) == 0);

    QTRY_COMPARE_WITH_TIMEOUT(accountStatus().value(QStringLiteral("Hotmail")),
                              QStringLiteral("Server timed out."), 60000);
    QTRY_VERIFY_WITH_TIMEOUT(!anyAlive(m_serverProcesses), kStartMs);
}

QTEST_GUILESS_MAIN(QuorvelWebMailTest)
#include "QuorvelWebMailTest.moc"
