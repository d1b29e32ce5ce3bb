// The dispatcher: which checker an address goes to, and that what the
// checker says reaches the account unchanged, and only while it is wanted.
#include "core/GenericServer.h"

#include "CheckerEventLog.h"
#include "ScriptedChecker.h"

#include <QtTest>
#include <stdexcept>

using namespace orvane;
using namespace orvane::test;

namespace {

using Script = std::function<void(ScriptedChecker&)>;

enum class Route
{
    Web,
    MAPI,
    POP3,
    IMAP
};

// Hands out scripted checkers and remembers which kind it was asked for.
// Any kind can be made unavailable, or made to fail outright.
class RoutingFactory final : public CheckerFactory
{
public:
    std::unique_ptr<MailChecker> createWebServer() override { return make(Route::Web); }
    std::unique_ptr<MailChecker> createMAPI() override { return make(Route::MAPI); }
    std::unique_ptr<MailChecker> createPOP3() override { return make(Route::POP3); }
    std::unique_ptr<MailChecker> createIMAP() override { return make(Route::IMAP); }

    QList<Route> asked;
    QList<Route> missing;
    bool throwing = false;
    ScriptedCheckers checkers;
    std::function<std::unique_ptr<MailChecker>()> custom;

private:
    std::unique_ptr<MailChecker> make(Route route)
    {
        asked << route;
        if (throwing)
            throw std::runtime_error("cannot load the checker");
        if (missing.contains(route))
            return nullptr;
        if (custom)
            return custom();
        return checkers.make();
    }
};

// A checker that still speaks while it goes, as a socket closing under a
// POP3 check would.
class ChattyOnExit final : public MailChecker
{
    Q_OBJECT
public:
    ~ChattyOnExit() override
    {
        Q_EMIT UpdateStatus(QStringLiteral("Closing"));
        Q_EMIT MailFound(7);
        Q_EMIT error(QStringLiteral("Connection closed."));
    }
    void CheckForMail(const QString&, const QString&, const QString&, bool) override {}
};

} // namespace

Q_DECLARE_METATYPE(Route)
Q_DECLARE_METATYPE(Script)

class GenericServerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void routes_data();
    void routes();
    void relaysEventsUnchanged_data();
    void relaysEventsUnchanged();
    void missingCheckerEndsTheCheck_data();
    void missingCheckerEndsTheCheck();
    void droppedDispatcherSilencesItsChecker();
};

void GenericServerTest::routes_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<Route>("route");

    QTest::newRow("Hotmail marker") << "HOTMAIL.COM" << Route::Web;
    QTest::newRow("Hotmail marker, lower case") << "hotmail.com" << Route::Web;
    QTest::newRow("Hotmail marker, mixed case") << "HotMail.cOm" << Route::Web;
    QTest::newRow("host containing the marker") << "pop3.hotmail.com" << Route::POP3;
    QTest::newRow("marker with a suffix") << "hotmail.com.au" << Route::POP3;
    QTest::newRow("marker with a port") << "hotmail.com:110" << Route::POP3;
    QTest::newRow("Yahoo host") << "mail.yahoo.com" << Route::Web;
    QTest::newRow("YAHOO, full stop right after") << "YAHOO.x" << Route::Web;
    QTest::newRow("yahoo inside a word") << "xyahoo.co" << Route::Web;
    QTest::newRow("yahoo, full stop further on") << "yahoomail.com" << Route::Web;
    QTest::newRow("yahoo, no full stop") << "yahoo" << Route::POP3;
    QTest::newRow("yahoo, full stop only before") << "pop.yahoo" << Route::POP3;
    QTest::newRow("yahoo with a port") << "yahoo:110" << Route::POP3;
    QTest::newRow("MS Exchange") << "MS Exchange" << Route::MAPI;
    QTest::newRow("MS Exchange, Windows account") << "MS Exchange - Windows Account" << Route::MAPI;
    QTest::newRow("MS Exchange, user name") << "MS Exchange - Username/Password" << Route::MAPI;
    QTest::newRow("ms exchange, lower case") << "ms exchange" << Route::POP3;
    QTest::newRow("MS Exchange, not at the start") << " MS Exchange" << Route::POP3;
    QTest::newRow("plain host") << "pop.example.org" << Route::POP3;
    QTest::newRow("host and port") << "127.0.0.1:1100" << Route::POP3;
    QTest::newRow("empty") << "" << Route::POP3;
    // Lines that name their protocol go by it, before any web-mail rule.
    QTest::newRow("imaps") << "imaps://mail.example.org" << Route::IMAP;
    QTest::newRow("imap, port and folder")
        << "imap://mail.example.org:1143/Work%20Mail" << Route::IMAP;
    QTest::newRow("imap+plain") << "imap+plain://10.0.0.2" << Route::IMAP;
    QTest::newRow("IMAP of a web-mail provider") << "imaps://imap.mail.yahoo.com" << Route::IMAP;
    QTest::newRow("IMAP of the Hotmail marker") << "imaps://HOTMAIL.COM" << Route::IMAP;
    QTest::newRow("imap, not valid") << "imap://" << Route::IMAP;
    QTest::newRow("scheme in capitals") << "IMAPS://mail.example.org" << Route::IMAP;
    QTest::newRow("pop3s of a web-mail provider") << "pop3s://pop.mail.yahoo.com" << Route::POP3;
    QTest::newRow("pop3") << "pop3://pop.example.org:1110" << Route::POP3;
    QTest::newRow("imap, not at the start") << " imap://mail.example.org" << Route::POP3;
    QTest::newRow("MS Exchange naming imap") << "MS Exchange imap://x" << Route::MAPI;
}

void GenericServerTest::routes()
{
    QFETCH(QString, address);
    QFETCH(Route, route);

    RoutingFactory factory;
    GenericServer dispatcher(factory);
    dispatcher.CheckForMail(address, QStringLiteral("me"), QStringLiteral("pa ss"), true);

    QCOMPARE(factory.asked, QList<Route>{route});
    ScriptedChecker* checker = factory.checkers.last();
    QVERIFY(checker);
    QCOMPARE(checker->calls, 1);
    QCOMPARE(checker->address, address);
    QCOMPARE(checker->userName, QStringLiteral("me"));
    QCOMPARE(checker->password, QStringLiteral("pa ss"));
    QCOMPARE(checker->debugOn, true);
}

void GenericServerTest::relaysEventsUnchanged_data()
{
    QTest::addColumn<bool>("duringTheCall");
    QTest::addColumn<Script>("script");
    QTest::addColumn<QStringList>("expected");

    const auto progressThenCount = [](ScriptedChecker& c) {
        c.status(QStringLiteral("Connecting to host "));
        c.status(QString());
        c.found(3);
    };
    const QStringList progressThenCountSeen{QStringLiteral("status Connecting to host "),
                                            QStringLiteral("status "), QStringLiteral("count 3")};
    QTest::newRow("progress, then the count")
        << false << Script(progressThenCount) << progressThenCountSeen;
    QTest::newRow("raised inside CheckForMail")
        << true << Script(progressThenCount) << progressThenCountSeen;
    QTest::newRow("error text") << false << Script([](ScriptedChecker& c) {
        c.fail(QStringLiteral("Invalid username."));
    }) << QStringList{QStringLiteral("error Invalid username.")};
    QTest::newRow("largest count")
        << false << Script([](ScriptedChecker& c) { c.found(2147483647); })
        << QStringList{QStringLiteral("count 2147483647")};
    QTest::newRow("later events too") << false << Script([](ScriptedChecker& c) {
        c.found(0);
        c.found(2);
    }) << QStringList{QStringLiteral("count 0"), QStringLiteral("count 2")};
}

void GenericServerTest::relaysEventsUnchanged()
{
    QFETCH(bool, duringTheCall);
    QFETCH(Script, script);
    QFETCH(QStringList, expected);

    RoutingFactory factory;
    if (duringTheCall)
        factory.checkers.onCheck = script;
    GenericServer dispatcher(factory);
    CheckerEventLog log(dispatcher);
    dispatcher.CheckForMail(QStringLiteral("pop.example.org"), {}, {}, false);
    if (!duringTheCall)
        script(*factory.checkers.last());

    QCOMPARE(log.events, expected);
}

void GenericServerTest::missingCheckerEndsTheCheck_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("throwing");

    QTest::newRow("web mail, no server") << "HOTMAIL.COM" << false;
    QTest::newRow("MS Exchange, no MAPI") << "MS Exchange - Windows Account" << false;
    QTest::newRow("POP3, none to be had") << "pop.example.org" << false;
    QTest::newRow("IMAP, none to be had") << "imaps://mail.example.org" << false;
    QTest::newRow("the factory fails") << "mail.yahoo.com" << true;
}

void GenericServerTest::missingCheckerEndsTheCheck()
{
    QFETCH(QString, address);
    QFETCH(bool, throwing);

    RoutingFactory factory;
    factory.missing = {Route::Web, Route::MAPI, Route::POP3, Route::IMAP};
    factory.throwing = throwing;
    GenericServer dispatcher(factory);
    CheckerEventLog log(dispatcher);
    dispatcher.CheckForMail(address, QStringLiteral("me"), QStringLiteral("secret"), false);

    QCOMPARE(log.events, QStringList{QStringLiteral("error ") + kMissingService});
}

void GenericServerTest::droppedDispatcherSilencesItsChecker()
{
    RoutingFactory factory;
    factory.custom = [] { return std::make_unique<ChattyOnExit>(); };
    CheckerEventLog log;
    {
        GenericServer dispatcher(factory);
        log.watch(dispatcher);
        dispatcher.CheckForMail(QStringLiteral("pop.example.org"), {}, {}, false);
    }
    QCOMPARE(log.events, QStringList());

    // And the checker goes with its dispatcher.
    factory.custom = nullptr;
    auto dispatcher = std::make_unique<GenericServer>(factory);
    dispatcher->CheckForMail(QStringLiteral("mail.yahoo.com"), {}, {}, false);
    QPointer<ScriptedChecker> checker = factory.checkers.last();
    QVERIFY(checker);
    dispatcher.reset();
    QVERIFY(checker.isNull());
}

QTEST_GUILESS_MAIN(GenericServerTest)
#include "GenericServerTest.moc"
