#include "FormLoginChecker.h"

#include "InboxCount.h"

namespace orvane {

FormLoginChecker::FormLoginChecker(std::unique_ptr<WebDriver> web, QString countMarker,
                                   QObject* parent)
    : MailChecker(parent), Web(std::move(web)), m_countMarker(std::move(countMarker))
{
    connect(Web.get(), &WebDriver::DoneBrowsing, this, &FormLoginChecker::Web_DoneBrowsing);
    connect(Web.get(), &WebDriver::Error, this, &FormLoginChecker::Web_Error);
    // Heard while the page waits for a browser and as it starts: the client's
    // time-out for the check counts from the page's start.
    connect(Web.get(), &WebDriver::Waiting, this,
            [this] { Q_EMIT UpdateStatus(m_route.firstStatus); });
}

FormLoginChecker::~FormLoginChecker() = default;

void FormLoginChecker::CheckForMail(const QString& address, const QString& userName,
                                    const QString& password, bool DebugOn)
{
    m_userName = userName;
    m_password = password;
    m_step = 1;
    m_route = routeFor(address);
    Web->DebugOn(DebugOn);
    Q_EMIT UpdateStatus(m_route.firstStatus);
    Web->GoToURL(m_route.logOut);
}

void FormLoginChecker::Web_DoneBrowsing()
{
    const WebPage& page = Web->Document();
    switch (m_step) {
    case 1:
        m_step = 2;
        Web->GoToURL(m_route.logOut);
        return;
    case 2:
        m_step = 3;
        Web->GoToURL(m_route.start);
        return;
    case 3:
        Q_EMIT UpdateStatus(QStringLiteral("Logging in..."));
        m_step = 4;
        logIn(page);
        return;
    case 4:
        m_step = 5;
        if (page.hasDocument && page.findForm(QStringLiteral("login"), Qt::CaseSensitive) >= 0) {
            fail(QLatin1String(kLoginFailed));
            return;
        }
        count(page);
        return;
    case 5:
        // Every further load of the page (a refresh) is counted again.
        count(page);
        return;
    default:
        return;
    }
}

void FormLoginChecker::logIn(const WebPage& page)
{
    const QString formName = QStringLiteral("login_form");
    if (!page.hasDocument) {
        fail(QStringLiteral("Error: The log-in page has no document."));
        return;
    }
    const qsizetype form = page.findForm(formName, Qt::CaseSensitive);
    if (form < 0) {
        fail(QStringLiteral("Error: The page has no form named \"%1\".").arg(formName));
        return;
    }
    FieldValues values;
    for (const auto& [field, value] : {std::pair{QStringLiteral("login"), m_userName},
                                       std::pair{QStringLiteral("passwd"), m_password}}) {
        const qsizetype index = page.forms.at(form).findField(field, Qt::CaseSensitive);
        if (index < 0) {
            fail(QStringLiteral("Error: The form \"%1\" has no field named \"%2\".")
                     .arg(formName, field));
            return;
        }
        values.insert(index, value);
    }
    Web->SubmitForm(form, values);
    m_password.clear();
}

void FormLoginChecker::count(const WebPage& page)
{
    if (!page.hasDocument) {
        fail(QLatin1String(kNoInboxPage));
        return;
    }
    const auto found = readInboxCount(page.html, m_countMarker);
    if (!found) {
        fail(QLatin1String(kUnreadableCount));
        return;
    }
    Q_EMIT MailFound(*found);
}

void FormLoginChecker::Web_Error(const QString& text)
{
    Q_EMIT error(text);
}

void FormLoginChecker::fail(const QString& text)
{
    // A failed check is over: later loads must not turn it into a count.
    m_step = 0;
    m_password.clear();
    Q_EMIT error(text);
}

} // namespace orvane
