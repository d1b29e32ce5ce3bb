#include "FendrelPlugin.h"

#include "FendrelCtrl.h"

#include <QCoreApplication>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <algorithm>
#include <memory>

namespace orvane {
namespace {

constexpr int kMemoryCacheBytes = 2 * 1024 * 1024;

// The engine reads its switches once, when it starts, and it starts with the
// first profile, which only this plugin makes. Its defaults suit a desktop
// browser; a checker's pages are never seen, so the switches cut what they
// would cost (a switch the user set already is left as it is):
// - by default every page gets a renderer process of its own, and ten pages
//   ten processes; pages of one site share one instead;
// - pages are drawn only in a debug window, and software drawing serves that;
//   a graphics driver loaded for them costs tens of megabytes;
// - a second zygote stands by for helpers that run outside the sandbox, and
//   there are none: graphics and network run inside the server;
// - a checker never goes back, so no page is kept for it;
// - the pages a checker reads are forms and a count, which need no script
//   compiler: without it the renderer maps less code and runs no code it
//   wrote itself (no WebAssembly either).
void tuneEngineForChecks()
{
    static const char* const kSwitches[] = {
        "--process-per-site",      "--disable-gpu",
        "--no-unsandboxed-zygote", "--disable-features=BackForwardCache",
        "--js-flags=--jitless",
    };
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    const auto name = [](const QByteArray& word) {
        const qsizetype value = word.indexOf('=');
        return value < 0 ? word : word.first(value);
    };
    const QList<QByteArray> given = flags.split(' ');
    for (const QByteArray word : kSwitches) {
        if (std::any_of(given.cbegin(), given.cend(),
                        [&](const QByteArray& set) { return name(set) == name(word); }))
            continue;
        if (!flags.isEmpty())
            flags += ' ';
        flags += word;
    }
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}

// Whether `cookie` may be sent to `host`: its domain or a host below it. A
// cookie of one host only is taken for the hosts below it too; the cookies
// are looked at to delete them, and one too many does no harm.
bool cookieCovers(const QNetworkCookie& cookie, const QString& host)
{
    QString domain = cookie.domain();
    if (domain.startsWith(u'.'))
        domain.remove(0, 1);
    return host.compare(domain, Qt::CaseInsensitive) == 0 ||
           host.endsWith(u'.' + domain, Qt::CaseInsensitive);
}

} // namespace

BrowserHost* FendrelPlugin::createControl(QWidget* parent, const QString& service)
{
    Shared& shared = profileFor(service);
    shared.services << service;
    QWebEngineProfile* profile = shared.profile;
    auto* control = new FendrelCtrl(profile, parent);
    auto hosts = std::make_shared<QSet<QString>>();
    connect(control, &FendrelCtrl::hostVisited, this,
            [hosts](const QString& host) { hosts->insert(host); });
    connect(control, &QObject::destroyed, this,
            [this, profile, service, hosts] { controlGone(profile, service, *hosts); });
    return control;
}

FendrelPlugin::Shared& FendrelPlugin::profileFor(const QString& service)
{
    if (!service.isEmpty()) {
        const auto free = std::find_if(m_profiles.begin(), m_profiles.end(), [&](const Shared& s) {
            return !s.services.contains(service) && !s.services.contains(QString());
        });
        if (free != m_profiles.end())
            return *free;
    }
    if (m_profiles.empty())
        tuneEngineForChecks();
    // No storage name: off the record. Held by the application so that it
    // never outlives the engine, which ends with the application.
    auto* profile = new QWebEngineProfile(QCoreApplication::instance());
    // Off the record the cache is kept in memory, and by default it may take
    // 2% of the machine's memory (up to 50 MB) for as long as the profile
    // lives; a checker reads each page once.
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setHttpCacheMaximumSize(kMemoryCacheBytes);
    QWebEngineCookieStore* cookies = profile->cookieStore();
    connect(cookies, &QWebEngineCookieStore::cookieAdded, this,
            [this, profile](const QNetworkCookie& cookie) {
                if (Shared* shared = sharedOf(profile))
                    shared->cookies << cookie;
            });
    connect(cookies, &QWebEngineCookieStore::cookieRemoved, this,
            [this, profile](const QNetworkCookie& cookie) {
                if (Shared* shared = sharedOf(profile))
                    shared->cookies.removeIf(
                        [&](const QNetworkCookie& kept) { return kept.hasSameIdentifier(cookie); });
            });
    m_profiles.push_back(Shared{profile, {}, {}});
    return m_profiles.back();
}

FendrelPlugin::Shared* FendrelPlugin::sharedOf(const QWebEngineProfile* profile)
{
    const auto found = std::find_if(m_profiles.begin(), m_profiles.end(),
                                    [&](const Shared& s) { return s.profile == profile; });
    return found == m_profiles.end() ? nullptr : &*found;
}

void FendrelPlugin::controlGone(QWebEngineProfile* profile, const QString& service,
                                const QSet<QString>& hosts)
{
    Shared* shared = sharedOf(profile);
    if (!shared)
        return;
    shared->services.removeOne(service);
    // The control's page is gone by now, so its profile may go too.
    if (shared->services.isEmpty()) {
        delete shared->profile;
        m_profiles.erase(m_profiles.begin() + (shared - m_profiles.data()));
        return;
    }
    if (!shared->profile)
        return;
    // Controls of other services still browse here: only the log-in of this
    // one goes, with every cookie of a host it visited.
    for (const QNetworkCookie& cookie : std::as_const(shared->cookies)) {
        if (std::any_of(hosts.cbegin(), hosts.cend(),
                        [&](const QString& host) { return cookieCovers(cookie, host); }))
            shared->profile->cookieStore()->deleteCookie(cookie);
    }
}

} // namespace orvane
