// The Hotmail, Yahoo and generic web-mail checkers as step machines: each row
// plays pages into a scripted browser and compares, in order, everything the
// checker asked of the browser and everything it raised.
#include "CheckerEventLog.h"
#include "ScriptedWebDriver.h"
#include "webmail/GenericHTTP.h"
#include "webmail/Hotmail.h"
#include "webmail/InboxCount.h"
#include "webmail/Yahoo.h"

#include <QtTest>

using namespace orvane;
using namespace orvane::test;

namespace {

// What the browser does next: finish loading a page, or fail to start one.
struct Turn
{
    WebPage page;
    QString driverError;
};
using Turns = QList<Turn>;

Turn page(const QString& url, const QString& html = QStringLiteral("<body></body>"),
          QList<PageForm> forms = {})
{
    return {WebPage{true, url, html, std::move(forms)}, {}};
}
Turn formPage(const QString& name, const QStringList& fields, const QString& url = QString())
{
    return page(url, QStringLiteral("<form></form>"), {PageForm{name, fields}});
}
Turn noDocument(const QString& url = QString())
{
    return {WebPage{false, url, {}, {}}, {}};
}
Turn driverError(const char* text)
{
    return {{}, QString::fromLatin1(text)};
}

const QString kYahooLogOutPath = QStringLiteral(
    "/ym/SIG=11ko3lm8b/trk=mail_logout/exp=1924992000/*http://login.yahoo.com/config/"
    "login?logout=1&.done=http://mail.yahoo.com/&.src=ym&.lg=us&.intl=us'");
const QString kHotmailLogOut = QStringLiteral("go http://www.hotmail.com/cgi-bin/logout");
const QString kPassport = QStringLiteral("go http://login.passport.com/uilogin.srf?id=2");
const QString kGenericLogOut = QStringLiteral("go http://rd.yahoo.com") + kYahooLogOutPath;
const QString kLoggingIn = QStringLiteral("status Logging in...");
const QString kChecking = QStringLiteral("status Checking for new mail...");
const QString kBadLogin = QStringLiteral("error Login failed.  Bad username or password.");
const QString kUnreadable = QStringLiteral("error ") + QLatin1String(kUnreadableCount);
const QString kHotmailInbox = QStringLiteral("Inbox<font style=\"FONT-WEIGHT: normal\"> (");

// The pages every Hotmail check walks before the one after the log-in.
Turns hotmailToLogin(const Turn& loginPage)
{
    return {page({}), page({}), loginPage};
}
QStringList hotmailLogInLines()
{
    return {QStringLiteral("debug off"),
            QStringLiteral("status Loading Hotmail website..."),
            kHotmailLogOut,
            kHotmailLogOut,
            kPassport,
            kLoggingIn};
}
const Turn kHotmailForm =
    formPage(QStringLiteral("form1"), {QStringLiteral("login"), QStringLiteral("passwd")});
const QString kHotmailSubmit = QStringLiteral("submit 0 0=bob 1=secret");
const QString kAfterLogin =
    QStringLiteral("http://by12.mail.example/cgi-bin/hmhome?fti=yes&a=hmhome");
const QString kInbox =
    QStringLiteral("go http://by12.mail.example/cgi-bin/HoTMaiL?fti=yes&a=hmhome");

QStringList yahooLines(const QString& domain)
{
    const QString logOut = QStringLiteral("go http://rd.") + domain + kYahooLogOutPath;
    return {QStringLiteral("debug off"),
            QStringLiteral("status Loading Yahoo website..."),
            logOut,
            logOut,
            QStringLiteral("go http://mail.") + domain,
            kLoggingIn};
}
const Turn kYahooForm =
    formPage(QStringLiteral("login_form"),
             {QStringLiteral(".tries"), QStringLiteral("login"), QStringLiteral("passwd")});
const QString kYahooSubmit = QStringLiteral("submit 0 1=bob 2=secret");
Turn yahooInbox(const QString& count)
{
    return page(QStringLiteral("http://us.mail.yahoo.com/ym/welcome"),
                QStringLiteral("<td><a href=x><b>Inbox (") + count + QStringLiteral(")</b></a>"));
}

} // namespace

Q_DECLARE_METATYPE(Turns)

class WebMailCheckersTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void walk_data();
    void walk();
    void readsCounts_data();
    void readsCounts();
};

void WebMailCheckersTest::walk_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("address");
    QTest::addColumn<Turns>("turns");
    QTest::addColumn<QStringList>("expected");

    const QString hotmail = QStringLiteral("Hotmail");
    const QString yahoo = QStringLiteral("Yahoo");
    const QString generic = QStringLiteral("GenericHTTP");
    const QString address = QStringLiteral("hotmail.com");

    QTest::newRow("hotmail counts, and counts again on a refresh")
        << hotmail << address
        << (hotmailToLogin(kHotmailForm)
            << page(kAfterLogin)
            << page({}, QStringLiteral("x INBOX<FONT style=\"font-weight: normal\"> (7) y"))
            << page({}, kHotmailInbox + QStringLiteral("8)")))
        << (hotmailLogInLines() << kHotmailSubmit << kChecking << kInbox
                                << QStringLiteral("count 7") << QStringLiteral("count 8"));
    QTest::newRow("hotmail form and field names in any case, first match")
        << hotmail << address
        << hotmailToLogin(page({}, {},
                               {PageForm{QStringLiteral("search"), {QStringLiteral("q")}},
                                PageForm{QStringLiteral("FORM1"),
                                         {QStringLiteral("PassWD"), QStringLiteral("LOGIN"),
                                          QStringLiteral("login")}}}))
        << (hotmailLogInLines() << QStringLiteral("submit 1 0=secret 1=bob"));
    QTest::newRow("hotmail without form1")
        << hotmail << address
        << (hotmailToLogin(formPage(QStringLiteral("form2"),
                                    {QStringLiteral("login"), QStringLiteral("passwd")}))
            << page(kAfterLogin))
        << (hotmailLogInLines() << QStringLiteral("error Login page failed to load."));
    QTest::newRow("hotmail form1 without a password field")
        << hotmail << address
        << hotmailToLogin(formPage(QStringLiteral("form1"), {QStringLiteral("login")}))
        << (hotmailLogInLines() << QStringLiteral("error Login page failed to load."));
    QTest::newRow("hotmail log-in page without a document")
        << hotmail << address << hotmailToLogin(noDocument())
        << (hotmailLogInLines() << QStringLiteral("error Login page failed to load."));
    QTest::newRow("hotmail start page named in capitals is a failed log-in")
        << hotmail << address
        << (hotmailToLogin(kHotmailForm)
            << page(QStringLiteral("http://by12.mail.example/cgi-bin/HMHOME"))
            << page({}, kHotmailInbox + QStringLiteral("3)")))
        << (hotmailLogInLines() << kHotmailSubmit << kChecking << kBadLogin);
    QTest::newRow("hotmail inbox without the marker counts 0")
        << hotmail << address
        << (hotmailToLogin(kHotmailForm)
            << page(kAfterLogin) << page({}, QStringLiteral("Inbox (4)")))
        << (hotmailLogInLines() << kHotmailSubmit << kChecking << kInbox
                                << QStringLiteral("count 0"));
    QTest::newRow("hotmail count that is not a number")
        << hotmail << address
        << (hotmailToLogin(kHotmailForm)
            << page(kAfterLogin) << page({}, kHotmailInbox + QStringLiteral("many)"))
            << page({}, kHotmailInbox + QStringLiteral("2)")))
        << (hotmailLogInLines() << kHotmailSubmit << kChecking << kInbox << kUnreadable);
    QTest::newRow("hotmail inbox without a document")
        << hotmail << address << (hotmailToLogin(kHotmailForm) << page(kAfterLogin) << noDocument())
        << (hotmailLogInLines() << kHotmailSubmit << kChecking << kInbox
                                << QStringLiteral("error ") + QLatin1String(kNoInboxPage));
    QTest::newRow("hotmail driver cannot load the browser")
        << hotmail << QStringLiteral("HotMail.Com") << Turns{driverError(WebDriver::kFailedToLoad)}
        << QStringList{QStringLiteral("debug off"),
                       QStringLiteral("status Loading Hotmail website..."), kHotmailLogOut,
                       QStringLiteral("error Failed to load Internet Explorer.")};

    QTest::newRow("yahoo counts the page after log-in, and again on a refresh")
        << yahoo << QStringLiteral("yahoo.com")
        << Turns{page({}), page({}), kYahooForm, yahooInbox(QStringLiteral("12")),
                 yahooInbox(QStringLiteral("13"))}
        << (yahooLines(QStringLiteral("yahoo.com"))
            << kYahooSubmit << QStringLiteral("count 12") << QStringLiteral("count 13"));
    QTest::newRow("yahoo hosts follow the address, marker in any case")
        << yahoo << QStringLiteral("yahoo.co.uk")
        << Turns{page({}), page({}), kYahooForm,
                 page({}, QStringLiteral("<TD><B>INBOX (2)</B>"),
                      {PageForm{QStringLiteral("LOGIN"), {}}})}
        << (yahooLines(QStringLiteral("yahoo.co.uk")) << kYahooSubmit << QStringLiteral("count 2"));
    QTest::newRow("yahoo form name compared with case")
        << yahoo << QStringLiteral("yahoo.com")
        << Turns{page({}), page({}),
                 formPage(QStringLiteral("LOGIN_FORM"),
                          {QStringLiteral("login"), QStringLiteral("passwd")})}
        << (yahooLines(QStringLiteral("yahoo.com"))
            << QStringLiteral("error Error: The page has no form named \"login_form\"."));
    QTest::newRow("yahoo field name compared with case")
        << yahoo << QStringLiteral("yahoo.com")
        << Turns{page({}), page({}),
                 formPage(QStringLiteral("login_form"),
                          {QStringLiteral("login"), QStringLiteral("Passwd")})}
        << (yahooLines(QStringLiteral("yahoo.com")) << QStringLiteral(
                "error Error: The form \"login_form\" has no field named \"passwd\"."));
    QTest::newRow("yahoo start page without a document")
        << yahoo << QStringLiteral("yahoo.com") << Turns{page({}), page({}), noDocument()}
        << (yahooLines(QStringLiteral("yahoo.com"))
            << QStringLiteral("error Error: The log-in page has no document."));
    QTest::newRow("yahoo log-in form still there: refused, and nothing after")
        << yahoo << QStringLiteral("yahoo.com")
        << Turns{page({}), page({}), kYahooForm,
                 formPage(QStringLiteral("login"), {QStringLiteral("login")}),
                 yahooInbox(QStringLiteral("5"))}
        << (yahooLines(QStringLiteral("yahoo.com")) << kYahooSubmit << kBadLogin);
    QTest::newRow("yahoo count too large for 32 bits")
        << yahoo << QStringLiteral("yahoo.com")
        << Turns{page({}), page({}), kYahooForm, yahooInbox(QStringLiteral("2147483648"))}
        << (yahooLines(QStringLiteral("yahoo.com")) << kYahooSubmit << kUnreadable);
    QTest::newRow("yahoo page after log-in without a document")
        << yahoo << QStringLiteral("yahoo.com")
        << Turns{page({}), page({}), kYahooForm, noDocument()}
        << (yahooLines(QStringLiteral("yahoo.com"))
            << kYahooSubmit << QStringLiteral("error ") + QLatin1String(kNoInboxPage));
    QTest::newRow("yahoo driver cannot request the page")
        << yahoo << QStringLiteral("yahoo.com")
        << Turns{page({}), driverError(WebDriver::kUnableToLoad)}
        << (yahooLines(QStringLiteral("yahoo.com")).mid(0, 4)
            << QStringLiteral("error Unable to load webpage."));

    const auto genericLines = [](const QString& web) {
        return QStringList{QStringLiteral("debug off"),
                           QStringLiteral("status Loading ") + web + QStringLiteral(" website..."),
                           kGenericLogOut,
                           kGenericLogOut,
                           QStringLiteral("go ") + web,
                           kLoggingIn};
    };
    const Turns genericWalk{page({}), page({}), kYahooForm,
                            page({}, QStringLiteral("<p>inbox (3)</p>"))};
    QTest::newRow("generic gets the scheme, lower-case marker")
        << generic << QStringLiteral("webmail.example.org") << genericWalk
        << (genericLines(QStringLiteral("http://webmail.example.org"))
            << kYahooSubmit << QStringLiteral("count 3"));
    QTest::newRow("generic keeps an address with the scheme")
        << generic << QStringLiteral("http://webmail.example.org/in") << genericWalk
        << (genericLines(QStringLiteral("http://webmail.example.org/in"))
            << kYahooSubmit << QStringLiteral("count 3"));
    QTest::newRow("generic scheme in capitals gets a second one")
        << generic << QStringLiteral("HTTP://webmail.example.org") << genericWalk
        << (genericLines(QStringLiteral("http://HTTP://webmail.example.org"))
            << kYahooSubmit << QStringLiteral("count 3"));
    QTest::newRow("generic refused log-in")
        << generic << QStringLiteral("webmail.example.org")
        << Turns{page({}), page({}), kYahooForm, formPage(QStringLiteral("login"), {})}
        << (genericLines(QStringLiteral("http://webmail.example.org"))
            << kYahooSubmit << kBadLogin);
}

void WebMailCheckersTest::walk()
{
    QFETCH(QString, kind);
    QFETCH(QString, address);
    QFETCH(Turns, turns);
    QFETCH(QStringList, expected);

    QStringList log;
    auto driver = std::make_unique<ScriptedWebDriver>(log);
    ScriptedWebDriver& web = *driver;
    std::unique_ptr<MailChecker> checker;
    if (kind == QLatin1String("Hotmail"))
        checker = std::make_unique<Hotmail>(std::move(driver));
    else if (kind == QLatin1String("Yahoo"))
        checker = std::make_unique<Yahoo>(std::move(driver));
    else
        checker = std::make_unique<GenericHTTP>(std::move(driver));

    CheckerEventLog events(*checker);
    // One log for the browser's requests and the checker's events.
    const auto collect = [&] {
        log << events.events;
        events.events.clear();
    };
    QObject context;
    QObject::connect(&web, &WebDriver::DoneBrowsing, &context, collect);
    QObject::connect(checker.get(), &MailChecker::UpdateStatus, &context, collect);
    QObject::connect(checker.get(), &MailChecker::MailFound, &context, collect);
    QObject::connect(checker.get(), &MailChecker::error, &context, collect);

    checker->CheckForMail(address, QStringLiteral("bob"), QStringLiteral("secret"), false);
    for (const Turn& turn : std::as_const(turns)) {
        if (turn.driverError.isEmpty())
            web.finish(turn.page);
        else
            web.fail(turn.driverError);
    }
    collect();
    QCOMPARE(log, expected);
}

void WebMailCheckersTest::readsCounts_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<int>("count"); // -1: no count can be read

    QTest::newRow("plain") << QStringLiteral("a Inbox (12) b") << 12;
    QTest::newRow("first marker wins") << QStringLiteral("inbox (1) Inbox (2)") << 1;
    QTest::newRow("blanks around the number") << QStringLiteral("Inbox ( 4 )") << 4;
    QTest::newRow("no marker") << QStringLiteral("Outbox 4") << 0;
    QTest::newRow("no closing bracket") << QStringLiteral("Inbox (4") << 0;
    QTest::newRow("largest") << QStringLiteral("Inbox (2147483647)") << 2147483647;
    QTest::newRow("too large") << QStringLiteral("Inbox (2147483648)") << -1;
    QTest::newRow("negative") << QStringLiteral("Inbox (-1)") << -1;
    QTest::newRow("words") << QStringLiteral("Inbox (new)") << -1;
    QTest::newRow("empty") << QStringLiteral("Inbox ()") << -1;
    QTest::newRow("thousands") << QStringLiteral("Inbox (1,024)") << -1;
}

void WebMailCheckersTest::readsCounts()
{
    QFETCH(QString, html);
    QFETCH(int, count);
    const auto read = readInboxCount(html, QStringLiteral("Inbox ("));
    QCOMPARE(read.value_or(-1), count);
}

QTEST_GUILESS_MAIN(WebMailCheckersTest)
#include "WebMailCheckersTest.moc"
