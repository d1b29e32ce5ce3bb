#include "Hotmail.h"

#include "InboxCount.h"
#include "WebMailHosts.h"

namespace orvane {
namespace {

const QString kCountMarker = QStringLiteral("Inbox<font style=\"FONT-WEIGHT: normal\"> (");
const QString kStartPage = QStringLiteral("hmhome");
const QString kInboxPage = QStringLiteral("HoTMaiL");
const QString kLoading = QStringLiteral("Loading Hotmail website...");

} // namespace

Hotmail::Hotmail(std::unique_ptr<WebDriver> web, QObject* parent)
    : MailChecker(parent), Web(std::move(web))
{
    connect(Web.get(), &WebDriver::DoneBrowsing, this, &Hotmail::Web_DoneBrowsing);
    connect(Web.get(), &WebDriver::Error, this, &Hotmail::Web_Error);
    // Heard while the page waits for a browser and as it starts: the client's
    // time-out for the check counts from the page's start.
    connect(Web.get(), &WebDriver::Waiting, this, [this] { Q_EMIT UpdateStatus(kLoading); });
}

Hotmail::~Hotmail() = default;

QString Hotmail::logOutAddress()
{
    return QStringLiteral("http://") + QLatin1String(webmailhosts::kHotmailMail) +
           QStringLiteral("/cgi-bin/logout");
}

QString Hotmail::logInAddress()
{
    return QStringLiteral("http://") + QLatin1String(webmailhosts::kPassportLogin) +
           QStringLiteral("/uilogin.srf?id=2");
}

void Hotmail::CheckForMail(const QString& /*address*/, const QString& userName,
                           const QString& password, bool DebugOn)
{
    m_userName = userName;
    m_password = password;
    m_step = 1;
    Web->DebugOn(DebugOn);
    Q_EMIT UpdateStatus(kLoading);
    Web->GoToURL(logOutAddress());
}

void Hotmail::Web_DoneBrowsing()
{
    const WebPage& page = Web->Document();
    switch (m_step) {
    case 1:
        m_step = 2;
        Web->GoToURL(logOutAddress());
        return;
    case 2:
        m_step = 3;
        Web->GoToURL(logInAddress());
        return;
    case 3: {
        Q_EMIT UpdateStatus(QStringLiteral("Logging in..."));
        m_step = 4;
        const qsizetype form =
            page.hasDocument ? page.findForm(QStringLiteral("form1"), Qt::CaseInsensitive) : -1;
        if (form < 0) {
            fail(QLatin1String(kLoginPageFailed));
            return;
        }
        const PageForm& fields = page.forms.at(form);
        const qsizetype login = fields.findField(QStringLiteral("login"), Qt::CaseInsensitive);
        const qsizetype passwd = fields.findField(QStringLiteral("passwd"), Qt::CaseInsensitive);
        if (login < 0 || passwd < 0) {
            fail(QLatin1String(kLoginPageFailed));
            return;
        }
        Web->SubmitForm(form, {{login, m_userName}, {passwd, m_password}});
        m_password.clear();
        return;
    }
    case 4: {
        Q_EMIT UpdateStatus(QStringLiteral("Checking for new mail..."));
        m_step = 5;
        QString address = Web->URL();
        const qsizetype at = address.indexOf(kStartPage);
        if (at < 0) {
            fail(QLatin1String(kLoginFailed));
            return;
        }
        Web->GoToURL(address.replace(at, kStartPage.size(), kInboxPage));
        return;
    }
    case 5: {
        // Every further load of the inbox (a refresh) is counted again.
        if (!page.hasDocument) {
            fail(QLatin1String(kNoInboxPage));
            return;
        }
        const auto count = readInboxCount(page.html, kCountMarker);
        if (!count) {
            fail(QLatin1String(kUnreadableCount));
            return;
        }
        Q_EMIT MailFound(*count);
        return;
    }
    default:
        return;
    }
}

void Hotmail::Web_Error(const QString& text)
{
    Q_EMIT error(text);
}

void Hotmail::fail(const QString& text)
{
    // A failed check is over: later loads of whatever page is showing must
    // not turn it into a count.
    m_step = 0;
    m_password.clear();
    Q_EMIT error(text);
}

} // namespace orvane
