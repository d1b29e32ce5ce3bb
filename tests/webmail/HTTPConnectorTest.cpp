// When the browser driver says a page is done, on virtual time, with a
// browser host double whose navigation events the test raises.
#include "webmail/HTTPConnector.h"

#include "VirtualClock.h"
#include "webmail/PageSlots.h"
#include "webmail/WebForm.h"

#include <QSignalSpy>
#include <QtTest>

using namespace orvane;
using namespace orvane::test;

namespace {

class FakeBrowser final : public QWidget, public BrowserHost
{
public:
    using QWidget::QWidget;
    QWidget* control() override { return this; }
    QObject* Web() override { return this; }
    void setEvents(Events* events) override { this->events = events; }
    bool Navigate(const QString& address) override
    {
        navigated << address;
        return acceptNavigation;
    }
    bool Busy() const override { return busy; }
    void readPage(std::function<void(const WebPage&)> done) override
    {
        ++reads;
        pendingRead = std::move(done);
        if (!holdReads)
            deliver();
    }
    void submitForm(const QString&, qsizetype, const QString&, const FieldValues&,
                    std::function<void(bool)>) override
    {}
    void deliver()
    {
        if (auto done = std::exchange(pendingRead, nullptr))
            done(WebPage{true, navigated.value(navigated.size() - 1), QStringLiteral("<p>"), {}});
    }

    Events* events = nullptr;
    QStringList navigated;
    bool acceptNavigation = true;
    bool busy = false;
    bool holdReads = false;
    int reads = 0;
    std::function<void(const WebPage&)> pendingRead;
};

class FakeBrowsers final : public BrowserHostFactory
{
public:
    BrowserHost* createControl(QWidget* parent, const QString&) override
    {
        ++asked;
        if (missing)
            return nullptr;
        last = new FakeBrowser(parent);
        return last;
    }
    bool missing = false;
    int asked = 0;
    FakeBrowser* last = nullptr;
};

} // namespace

class HTTPConnectorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void doneBrowsing_data();
    void doneBrowsing();
    void readOvertakenByANavigation();
    void missingBrowserHost();
    void refusedNavigation();
    void debugWindow();
    void pagesWaitForASlotOfTheirService();
};

void HTTPConnectorTest::doneBrowsing_data()
{
    // "<ms> <event>" in time order: go (GoToURL), start (a navigation
    // begins), complete (one finishes), busy / idle (the browser's state).
    QTest::addColumn<QStringList>("timeline");
    QTest::addColumn<QList<int>>("doneAt");

    QTest::newRow("completes once")
        << QStringList{QStringLiteral("0 go"), QStringLiteral("0 start"),
                       QStringLiteral("300 complete")}
        << QList<int>{2300};
    QTest::newRow("redirect a second later")
        << QStringList{QStringLiteral("0 go"), QStringLiteral("0 start"),
                       QStringLiteral("300 complete"), QStringLiteral("1300 start"),
                       QStringLiteral("1800 complete")}
        << QList<int>{3800};
    QTest::newRow("three frames half a second apart")
        << QStringList{QStringLiteral("0 go"),         QStringLiteral("0 start"),
                       QStringLiteral("100 start"),    QStringLiteral("200 complete"),
                       QStringLiteral("700 complete"), QStringLiteral("1200 complete")}
        << QList<int>{3200};
    QTest::newRow("busy at the first tick")
        << QStringList{QStringLiteral("0 go"), QStringLiteral("0 busy"),
                       QStringLiteral("100 complete"), QStringLiteral("2900 idle")}
        << QList<int>{3100};
    QTest::newRow("navigation while polling waits for its completion")
        << QStringList{QStringLiteral("0 go"),       QStringLiteral("0 busy"),
                       QStringLiteral("0 complete"), QStringLiteral("2200 start"),
                       QStringLiteral("2300 idle"),  QStringLiteral("2400 complete")}
        << QList<int>{4400};
    QTest::newRow("a page that navigates by itself is done again")
        << QStringList{QStringLiteral("0 go"), QStringLiteral("0 complete"),
                       QStringLiteral("5000 start"), QStringLiteral("5100 complete")}
        << QList<int>{2000, 7100};
    QTest::newRow("no completion, no end")
        << QStringList{QStringLiteral("0 go"), QStringLiteral("0 start")} << QList<int>{};
}

void HTTPConnectorTest::doneBrowsing()
{
    QFETCH(QStringList, timeline);
    QFETCH(QList<int>, doneAt);

    VirtualClock clock;
    FakeBrowsers browsers;
    HTTPConnector web(clock, &browsers);
    const QDateTime begin = clock.now();
    QList<int> done;
    QObject context;
    connect(&web, &WebDriver::DoneBrowsing, &context, [&] {
        QVERIFY(!web.Busy());
        done << int(begin.msecsTo(clock.now()));
    });

    for (const QString& entry : std::as_const(timeline)) {
        const qint64 at = entry.section(QLatin1Char(' '), 0, 0).toLongLong();
        const QString what = entry.section(QLatin1Char(' '), 1);
        clock.advance(at - begin.msecsTo(clock.now()));
        if (what == QLatin1String("go")) {
            web.GoToURL(QStringLiteral("http://mail.example/"));
            QVERIFY(web.Busy());
        } else if (what == QLatin1String("start")) {
            browsers.last->events->BeforeNavigate();
        } else if (what == QLatin1String("complete")) {
            browsers.last->events->NavigateComplete();
        } else {
            browsers.last->busy = what == QLatin1String("busy");
        }
    }
    clock.advance(20000);
    QCOMPARE(done, doneAt);
    if (!doneAt.isEmpty())
        QCOMPARE(web.URL(), QStringLiteral("http://mail.example/"));
}

void HTTPConnectorTest::readOvertakenByANavigation()
{
    VirtualClock clock;
    FakeBrowsers browsers;
    HTTPConnector web(clock, &browsers);
    QSignalSpy done(&web, &WebDriver::DoneBrowsing);
    web.GoToURL(QStringLiteral("http://a.example/"));
    browsers.last->holdReads = true;
    browsers.last->events->NavigateComplete();
    clock.advance(2000);
    QCOMPARE(browsers.last->reads, 1);
    // The page moves on before its reading comes back: that reading is stale.
    browsers.last->events->BeforeNavigate();
    browsers.last->deliver();
    QCOMPARE(done.count(), 0);
    QVERIFY(web.Busy());
    browsers.last->events->NavigateComplete();
    clock.advance(2000);
    browsers.last->deliver();
    QCOMPARE(done.count(), 1);
}

void HTTPConnectorTest::missingBrowserHost()
{
    VirtualClock clock;
    FakeBrowsers browsers;
    browsers.missing = true;
    HTTPConnector web(clock, &browsers);
    QSignalSpy errors(&web, &WebDriver::Error);
    web.GoToURL(QStringLiteral("http://a.example/"));
    web.GoToURL(QStringLiteral("http://a.example/"));
    QCOMPARE(errors.count(), 2);
    QCOMPARE(errors.at(1).at(0).toString(), QStringLiteral("Failed to load Internet Explorer."));
    QCOMPARE(browsers.asked, 2);
    QVERIFY(web.Busy());

    // A host that turns up later is used.
    browsers.missing = false;
    web.GoToURL(QStringLiteral("http://b.example/"));
    QCOMPARE(errors.count(), 2);
    QCOMPARE(browsers.last->navigated, QStringList{QStringLiteral("http://b.example/")});
}

void HTTPConnectorTest::refusedNavigation()
{
    VirtualClock clock;
    FakeBrowsers browsers;
    HTTPConnector web(clock, &browsers);
    QSignalSpy errors(&web, &WebDriver::Error);
    web.GoToURL(QStringLiteral("http://a.example/"));
    browsers.last->acceptNavigation = false;
    web.GoToURL(QStringLiteral("http://b.example/"));
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toString(), QStringLiteral("Unable to load webpage."));
    QCOMPARE(browsers.asked, 1);
}

void HTTPConnectorTest::debugWindow()
{
    VirtualClock clock;
    FakeBrowsers browsers;
    HTTPConnector web(clock, &browsers);
    web.GoToURL(QStringLiteral("http://a.example/"));
    QVERIFY(!web.form().isVisible());
    web.DebugOn(true);
    QVERIFY(web.form().isVisible());
    QCOMPARE(web.form().windowTitle(), QStringLiteral("Form1"));
    QCOMPARE(web.form().size(), QSize(713, 552));
    QCOMPARE(browsers.last->geometry(), QRect(0, 0, 713, 552));
    web.form().resize(400, 300);
    QCOMPARE(browsers.last->geometry(), QRect(0, 0, 400, 300));
    web.DebugOn(false);
    QVERIFY(!web.form().isVisible());
}

QTEST_MAIN(HTTPConnectorTest)
#include "HTTPConnectorTest.moc"

void HTTPConnectorTest::pagesWaitForASlotOfTheirService()
{
    VirtualClock clock;
    FakeBrowsers browsers;
    PageSlots slots(1);
    const QString hotmail = QStringLiteral("Hotmail");
    auto first = std::make_unique<HTTPConnector>(clock, &browsers, hotmail, &slots);
    HTTPConnector yahoo(clock, &browsers, QStringLiteral("Yahoo"), &slots);
    HTTPConnector second(clock, &browsers, hotmail, &slots);
    auto gone = std::make_unique<HTTPConnector>(clock, &browsers, hotmail, &slots);
    HTTPConnector third(clock, &browsers, hotmail, &slots);
    QSignalSpy waited(&second, &WebDriver::Waiting);
    QSignalSpy firstWaited(first.get(), &WebDriver::Waiting);
    first->GoToURL(QStringLiteral("http://a.example/"));
    yahoo.GoToURL(QStringLiteral("http://y.example/"));
    second.GoToURL(QStringLiteral("http://b.example/"));
    second.GoToURL(QStringLiteral("http://c.example/"));
    gone->GoToURL(QStringLiteral("http://gone.example/"));
    third.GoToURL(QStringLiteral("http://d.example/"));
    // One page of each service; the others wait, busy, without a browser.
    QCOMPARE(browsers.asked, 2);
    QCOMPARE(firstWaited.count(), 0);
    QVERIFY(second.Busy());
    QCOMPARE(slots.waiting(), 3);
    // The waiting are heard every second.
    clock.advance(3000);
    QCOMPARE(waited.count(), 3);
    QCOMPARE(firstWaited.count(), 0);

    gone.reset();
    first.reset();
    QTRY_COMPARE(browsers.asked, 3);
    // The next in turn loads the last address it was given, and says so.
    QCOMPARE(browsers.last->navigated, QStringList{QStringLiteral("http://c.example/")});
    QCOMPARE(waited.count(), 4);
    clock.advance(3000);
    QCOMPARE(waited.count(), 4);
    QCOMPARE(slots.held(hotmail), 1);
    QCOMPARE(slots.waiting(), 1);
}
