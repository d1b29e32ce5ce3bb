#include "Yahoo.h"

#include "WebMailHosts.h"

namespace orvane {

using namespace webmailhosts;

Yahoo::Yahoo(std::unique_ptr<WebDriver> web, QObject* parent)
    : FormLoginChecker(std::move(web), QStringLiteral("><b>Inbox ("), parent)
{}

QString Yahoo::logOutPath()
{
    // The query really ends with an apostrophe: the service's own link does.
    return QLatin1String(kRedirectSegments) + QStringLiteral("/*http://") +
           QLatin1String(kYahooLogin) + QStringLiteral("/config/login?logout=1&.done=http://") +
           QLatin1String(kYahooMail) + QStringLiteral("/&.src=ym&.lg=us&.intl=us'");
}

FormLoginChecker::Route Yahoo::routeFor(const QString& address) const
{
    return {QStringLiteral("http://rd.") + address + logOutPath(),
            QStringLiteral("http://mail.") + address, QStringLiteral("Loading Yahoo website...")};
}

} // namespace orvane
