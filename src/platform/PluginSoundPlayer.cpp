#include "PluginSoundPlayer.h"

#include "SafeFiles.h"
#include "SoundBackend.h"

#include <QPluginLoader>

namespace orvane {

PluginSoundPlayer::PluginSoundPlayer(QString pluginPath) : m_pluginPath(std::move(pluginPath)) {}

// The plugin's object, and with it every sound it still plays, goes with the
// player, while the application object exists: left to the end of the
// process, the multimedia back end would be torn down after the application
// and crash the exit. The library itself is never unloaded, since the audio
// threads may still run its code for a moment.
PluginSoundPlayer::~PluginSoundPlayer()
{
    if (m_backend)
        delete m_loader->instance();
}

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
