#include "PluginSoundPlayer.h"

#include "SafeFiles.h"
#include "SoundBackend.h"

#include <QPluginLoader>

namespace orvane {

PluginSoundPlayer::PluginSoundPlayer(QString pluginPath) : m_pluginPath(std::move(pluginPath)) {}

// The loader is never unloaded: sounds may still be playing at exit.
PluginSoundPlayer::~PluginSoundPlayer() = default;

QString PluginSoundPlayer::DefaultPluginPath(const QString& programFolder)
{
    return programFolder + QStringLiteral("plugins/liborvane_sound.so");
}

void PluginSoundPlayer::play(const QString& file)
{
    if (!m_tried) {
        m_tried = true;
        // Code loaded here runs in this user's name: in a folder other users
        // can write to, only a plugin they cannot have planted or changed.
        const QString untrusted = untrustedPluginReason(m_pluginPath);
        if (!untrusted.isEmpty()) {
            qWarning("Orvane: the sound plugin %s is not loaded: %s; no sounds play.",
                     qPrintable(m_pluginPath), qPrintable(untrusted));
            return;
        }
        m_loader = std::make_unique<QPluginLoader>(m_pluginPath);
        m_backend = qobject_cast<SoundBackend*>(m_loader->instance());
    }
    if (m_backend)
        m_backend->play(file);
}

} // namespace orvane
