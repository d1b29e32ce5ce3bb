#pragma once

#include <QString>
#include <memory>

class QPluginLoader;

namespace orvane {

class MailProtocols;

/// Loads the mail plugin on first use, so a notifier whose accounts never
/// need IMAP maps neither the mail library nor TLS. Used from the
/// user-interface thread.
class MailPluginLoader
{
public:
    /// `pluginPath` is the plugin file, e.g. <program folder>/plugins/liborvane_mail.so.
    explicit MailPluginLoader(QString pluginPath);
    ~MailPluginLoader();

    /// Null when the plugin is missing or may not be loaded (said once).
    MailProtocols* protocols();

    static QString DefaultPluginPath(const QString& programFolder);
    /// What a check says when there is no plugin to count with.
    static constexpr const char* kMissing = "Error: The IMAP support of this program is missing.";

private:
    QString m_pluginPath;
    std::unique_ptr<QPluginLoader> m_loader;
    MailProtocols* m_protocols = nullptr;
    bool m_tried = false;
};

} // namespace orvane
