// The browser driver on the real browser host plugin (Qt WebEngine, offscreen)
// against a local web server that the browser uses as its proxy, so pages of
// any host name are served here.
#include "ScriptedWebServer.h"
#include "platform/SystemClock.h"
#include "webmail/FendrelLoader.h"
#include "webmail/HTTPConnector.h"
#include "webmail/WebForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace orvane;
using namespace orvane::test;

namespace {

constexpr int kBounded = 30000;
quint16 g_proxyPort = 0;

// A free loopback port, found before the application exists, because the
// engine reads its proxy from the environment when it starts.
quint16 freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

QString pluginPath()
{
    return QDir(qEnvironmentVariable("ORVANE_PROGRAM_DIR"))
        .filePath(QLatin1String(FendrelLoader::kFileName));
}

} // namespace

class FendrelCtrlTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void browses_data();
    void browses();
    void fillsAndSubmitsAForm();
    void brokenPlugin();
    void debugWindow();

private:
    ScriptedWebServer m_server;
    SystemClock m_clock;
    std::unique_ptr<FendrelLoader> m_browsers;
};

void FendrelCtrlTest::initTestCase()
{
    if (!QFile::exists(pluginPath()))
        QSKIP("The browser host plugin was not built (no Qt WebEngine).");
    QVERIFY(m_server.listen(g_proxyPort));
    m_browsers = std::make_unique<FendrelLoader>(pluginPath());

    const QByteArray frame = "<html><body>frame</body></html>";
    m_server.setPage(QStringLiteral("http://pages.test/once"),
                     QByteArray("<html><body><p>Inbox (3)</p></body></html>"));
    m_server.setPage(QStringLiteral("http://pages.test/redirect"),
                     QByteArray("<html><body><script>setTimeout(function () {"
                                " location.href = 'http://pages.test/target'; }, 1000);"
                                "</script></body></html>"));
    m_server.setPage(QStringLiteral("http://pages.test/target"),
                     QByteArray("<html><body>target</body></html>"));
    m_server.setPage(QStringLiteral("http://pages.test/frames"),
                     QByteArray("<html><frameset cols='*,*,*'><frame src='/f1'><frame src='/f2'>"
                                "<frame src='/f3'></frameset></html>"));
    m_server.setPage(QStringLiteral("/f1"), ScriptedWebServer::Page{frame, {}, 0, false});
    m_server.setPage(QStringLiteral("/f2"), ScriptedWebServer::Page{frame, {}, 500, false});
    m_server.setPage(QStringLiteral("/f3"), ScriptedWebServer::Page{frame, {}, 1000, false});
    m_server.setPage(QStringLiteral("http://pages.test/popup"),
                     QByteArray("<html><body onload=\"window.open('http://pages.test/opened',"
                                " 'w'); alert('hello'); confirm('sure?');\">popup</body></html>"));
    m_server.setPage(QStringLiteral("http://pages.test/script-error"),
                     QByteArray("<html><body><script>no_such_function();</script>"
                                "<script>alert('x');</script>broken</body></html>"));
    m_server.setPage(QStringLiteral("http://pages.test/slow"),
                     ScriptedWebServer::Page{"<html><body>slow</body></html>", {}, 2500, false});
    m_server.setPage(QStringLiteral("http://login.test/form"),
                     QByteArray("<html><body><form name='search'><input name='q'></form>"
                                "<form name='login_form' method='post' action='/done'"
                                " onsubmit='return false'><input type='hidden' name='.tries'"
                                " value='1'><input name='login'><input type='password'"
                                " name='passwd'></form></body></html>"));
    m_server.setPage(QStringLiteral("http://login.test/done"),
                     QByteArray("<html><body><b>Inbox (12)</b></body></html>"));
    m_server.setPage(QStringLiteral("http://pages.test/moved"),
                     ScriptedWebServer::Page{{}, "http://pages.test/target", 0, false});
}

void FendrelCtrlTest::browses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("finalUrl");
    QTest::addColumn<int>("atLeastMs");
    QTest::addColumn<int>("starts"); // navigation requests the control reports, at least

    QTest::newRow("completes once") << QStringLiteral("http://pages.test/once")
                                    << QStringLiteral("http://pages.test/once") << 2000 << 1;
    QTest::newRow("script redirect a second later")
        << QStringLiteral("http://pages.test/redirect")
        << QStringLiteral("http://pages.test/target") << 3000 << 2;
    QTest::newRow("server redirect") << QStringLiteral("http://pages.test/moved")
                                     << QStringLiteral("http://pages.test/target") << 2000 << 1;
    QTest::newRow("three frames") << QStringLiteral("http://pages.test/frames")
                                  << QStringLiteral("http://pages.test/frames") << 3000 << 4;
    QTest::newRow("pop-up and dialogs") << QStringLiteral("http://pages.test/popup")
                                        << QStringLiteral("http://pages.test/popup") << 2000 << 1;
    QTest::newRow("script error") << QStringLiteral("http://pages.test/script-error")
                                  << QStringLiteral("http://pages.test/script-error") << 2000 << 1;
    QTest::newRow("slow page") << QStringLiteral("http://pages.test/slow")
                               << QStringLiteral("http://pages.test/slow") << 4500 << 1;
}

void FendrelCtrlTest::browses()
{
    QFETCH(QString, address);
    QFETCH(QString, finalUrl);
    QFETCH(int, atLeastMs);
    QFETCH(int, starts);

    m_server.requests.clear();
    HTTPConnector web(m_clock, m_browsers.get());
    const int windowsBefore = int(QApplication::topLevelWidgets().size());
    QSignalSpy done(&web, &WebDriver::DoneBrowsing);
    QSignalSpy errors(&web, &WebDriver::Error);
    QSignalSpy navigations(&web.form(), &WebForm::StartBrowsing);
    QElapsedTimer elapsed;
    elapsed.start();
    web.GoToURL(address);
    QVERIFY(web.form().Browser());

    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, kBounded);
    QVERIFY2(elapsed.elapsed() >= atLeastMs, qPrintable(QString::number(elapsed.elapsed())));
    QCOMPARE(errors.count(), 0);
    QVERIFY(!web.Busy());
    QVERIFY(web.Document().hasDocument);
    QCOMPARE(web.URL(), finalUrl);
    // Nothing more settles, no window opened, nothing asked for the pop-up.
    QTest::qWait(2500);
    QCOMPARE(done.count(), 1);
    QCOMPARE(int(QApplication::topLevelWidgets().size()), windowsBefore);
    QVERIFY(!m_server.requests.contains(QStringLiteral("GET http://pages.test/opened")));
    QVERIFY2(navigations.count() >= starts, qPrintable(QString::number(navigations.count())));
}

void FendrelCtrlTest::fillsAndSubmitsAForm()
{
    HTTPConnector web(m_clock, m_browsers.get());
    QSignalSpy done(&web, &WebDriver::DoneBrowsing);
    web.GoToURL(QStringLiteral("http://login.test/form"));
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, kBounded);

    const WebPage& page = web.Document();
    QCOMPARE(page.forms.size(), 2);
    QCOMPARE(page.forms.at(1).name, QStringLiteral("login_form"));
    QCOMPARE(
        page.forms.at(1).fields,
        (QStringList{QStringLiteral(".tries"), QStringLiteral("login"), QStringLiteral("passwd")}));
    QVERIFY(page.html.contains(QLatin1String("<form name=\"search\">")));

    m_server.postBodies.clear();
    web.SubmitForm(1, {{1, QStringLiteral("bob")}, {2, QStringLiteral("s\u00e9cret&x")}});
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, kBounded);
    QCOMPARE(web.URL(), QStringLiteral("http://login.test/done"));
    QCOMPARE(m_server.postBodies, QList<QByteArray>{".tries=1&login=bob&passwd=s%C3%A9cret%26x"});
    QVERIFY(web.Document().html.contains(QLatin1String("Inbox (12)")));
}

void FendrelCtrlTest::brokenPlugin()
{
    QTemporaryDir folder;
    const QString broken = folder.filePath(QLatin1String(FendrelLoader::kFileName));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a library");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);

    for (const QString& path : {broken, folder.filePath(QStringLiteral("missing.so"))}) {
        FendrelLoader browsers(path);
        HTTPConnector web(m_clock, &browsers);
        QSignalSpy errors(&web, &WebDriver::Error);
        web.GoToURL(QStringLiteral("http://pages.test/once"));
        web.GoToURL(QStringLiteral("http://pages.test/once"));
        QCOMPARE(errors.count(), 2);
        QCOMPARE(errors.at(0).at(0).toString(),
                 QStringLiteral("Failed to load Internet Explorer."));
    }
}

void FendrelCtrlTest::debugWindow()
{
    HTTPConnector web(m_clock, m_browsers.get());
    QSignalSpy done(&web, &WebDriver::DoneBrowsing);
    web.DebugOn(true);
    web.GoToURL(QStringLiteral("http://login.test/form"));
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, kBounded);
    QVERIFY(web.form().isVisible());
    QCOMPARE(web.form().windowTitle(), QStringLiteral("Form1"));
    QWidget* control = web.form().findChild<QWidget*>(QStringLiteral("myCtl"));
    QVERIFY(control);
    QCOMPARE(control->geometry(), web.form().rect());
    auto* browser = control->findChild<QWidget*>(QStringLiteral("IE"));
    QVERIFY(browser);
    QCOMPARE(browser->geometry(), control->rect());
    const QString shots = qEnvironmentVariable("ORVANE_PROGRAM_DIR") + QStringLiteral("/../tests");
    web.form().grab().save(shots + QStringLiteral("/Form1.png"));
}

int main(int argc, char* argv[])
{
    g_proxyPort = freePort();
    // As root the engine runs only without its sandbox; no GPU on a test box.
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            QStringLiteral("--no-sandbox --disable-gpu --proxy-server=127.0.0.1:%1 "
                           "--proxy-bypass-list=<-loopback>")
                .arg(g_proxyPort)
                .toLatin1());
    // The engine comes from a plugin, after the application has started.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    FendrelCtrlTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FendrelCtrlTest.moc"
