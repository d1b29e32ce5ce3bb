#include "FendrelPlugin.h"

#include "FendrelCtrl.h"

#include <QCoreApplication>
#include <QWebEngineProfile>
#include <algorithm>

namespace orvane {
namespace {

// The engine reads its process model once, when it starts, and it starts
// with the first profile, which only this plugin makes. By default every
// page gets a renderer process of its own, and ten pages ten processes.
void sharePagesOfASite()
{
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (flags.contains("--process-per-site"))
        return;
    flags += flags.isEmpty() ? "--process-per-site" : " --process-per-site";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}

} // namespace

BrowserHost* FendrelPlugin::createControl(QWidget* parent, const QString& service)
{
    Shared& shared = profileFor(service);
    shared.services << service;
    QWebEngineProfile* profile = shared.profile;
    auto* control = new FendrelCtrl(profile, parent);
    connect(control, &QObject::destroyed, this,
            [this, profile, service] { controlGone(profile, service); });
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
        sharePagesOfASite();
    // No storage name: off the record. Held by the application so that it
    // never outlives the engine, which ends with the application.
    m_profiles.push_back(Shared{new QWebEngineProfile(QCoreApplication::instance()), {}});
    return m_profiles.back();
}

void FendrelPlugin::controlGone(QWebEngineProfile* profile, const QString& service)
{
    const auto found = std::find_if(m_profiles.begin(), m_profiles.end(),
                                    [&](const Shared& s) { return s.profile == profile; });
    if (found == m_profiles.end())
        return;
    found->services.removeOne(service);
    // The control's page is gone by now, so its profile may go too.
    if (found->services.isEmpty()) {
        delete found->profile;
        m_profiles.erase(found);
    }
}

} // namespace orvane
