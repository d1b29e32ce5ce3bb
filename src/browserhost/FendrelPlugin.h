#pragma once

#include "webmail/BrowserHost.h"

#include <QNetworkCookie>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QWebEngineProfile>
#include <vector>

namespace orvane {

/// The plugin's entry point: makes FendrelCtrl controls. Controls alive at
/// one time browse in shared profiles that keep nothing on disk, one profile
/// per set of services that never repeats a service (two checks of one
/// service must not share its log-in cookies), and the pages of one site in
/// one profile share a renderer process: checks run at once cost a browser
/// per profile, not one each. A profile goes with its last control; while
/// other controls keep it, the cookies of every host a leaving control
/// visited go with that control, so a later check of its service does not
/// find its log-in.
class FendrelPlugin final : public QObject, public BrowserHostFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID OrvaneBrowserHostFactory_iid)
    Q_INTERFACES(orvane::BrowserHostFactory)
public:
    BrowserHost* createControl(QWidget* parent, const QString& service) override;

private:
    struct Shared
    {
        // Held by the application, which may end first.
        QPointer<QWebEngineProfile> profile;
        QStringList services; // of its controls alive, one entry each
        QList<QNetworkCookie> cookies;
    };

    Shared& profileFor(const QString& service);
    Shared* sharedOf(const QWebEngineProfile* profile);
    void controlGone(QWebEngineProfile* profile, const QString& service,
                     const QSet<QString>& hosts);

    std::vector<Shared> m_profiles;
};

} // namespace orvane
