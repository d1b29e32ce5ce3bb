#include "GenericHTTP.h"

#include "WebMailHosts.h"
#include "Yahoo.h"

namespace orvane {

using namespace webmailhosts;

GenericHTTP::GenericHTTP(std::unique_ptr<WebDriver> web, QObject* parent)
    : FormLoginChecker(std::move(web), QStringLiteral("Inbox ("), parent)
{}

QString GenericHTTP::logOutAddress()
{
    return QStringLiteral("http://rd.") + QLatin1String(kYahooDomain) + Yahoo::logOutPath();
}

FormLoginChecker::Route GenericHTTP::routeFor(const QString& address) const
{
    // Only the exact lower-case prefix counts as already absolute.
    const QString web = address.startsWith(QLatin1String("http://"))
                            ? address
                            : QStringLiteral("http://") + address;
    return {logOutAddress(), web, QStringLiteral("Loading ") + web + QStringLiteral(" website...")};
}

} // namespace orvane
