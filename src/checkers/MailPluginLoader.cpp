#include "MailPluginLoader.h"

#include "MailProtocols.h"
#include "platform/SafeFiles.h"

#include <QPluginLoader>

namespace orvane {

MailPluginLoader::MailPluginLoader(QString pluginPath) : m_pluginPath(std::move(pluginPath)) {}

// Sessions on the pool may run the plugin's code until the very end, so the
// library is never unloaded.
MailPluginLoader::~MailPluginLoader() = default;

QString MailPluginLoader::DefaultPluginPath(const QString& programFolder)
{
    return programFolder + QStringLiteral("plugins/liborvane_mail.so");
}

MailProtocols* MailPluginLoader::protocols()
{
    if (m_tried)
        return m_protocols;
    m_tried = true;
    // Code loaded here runs in this user's name: in a folder other users can
    // write to, only a plugin they cannot have planted or changed.
    const QString untrusted = untrustedPluginReason(m_pluginPath);
    if (!untrusted.isEmpty()) {
        qWarning("Orvane: the mail plugin %s is not loaded: %s; IMAP accounts cannot be checked.",
                 qPrintable(m_pluginPath), qPrintable(untrusted));
        return nullptr;
    }
    m_loader = std::make_unique<QPluginLoader>(m_pluginPath);
    m_protocols = qobject_cast<MailProtocols*>(m_loader->instance());
    if (!m_protocols)
        qWarning("Orvane: the mail plugin %s cannot be loaded: %s", qPrintable(m_pluginPath),
                 qPrintable(m_loader->errorString()));
    return m_protocols;
}

} // namespace orvane
