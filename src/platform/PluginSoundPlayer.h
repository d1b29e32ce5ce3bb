#pragma once

#include "platform/SoundPlayer.h"

#include <QString>
#include <memory>

class QPluginLoader;

namespace orvane {

class SoundBackend;

/// Plays sounds through the sound plugin, which is loaded on the first play
/// so a notifier that never plays a sound never maps the multimedia
/// libraries. Without a usable plugin every play does nothing.
class PluginSoundPlayer final : public SoundPlayer
{
public:
    /// `pluginPath` is the plugin file, e.g. <program folder>/plugins/liborvane_sound.so.
    explicit PluginSoundPlayer(QString pluginPath);
    ~PluginSoundPlayer() override;

    void play(const QString& file) override;

    /// The plugin file name the build produces.
    static QString DefaultPluginPath(const QString& programFolder);

private:
    QString m_pluginPath;
    std::unique_ptr<QPluginLoader> m_loader;
    SoundBackend* m_backend = nullptr;
    bool m_tried = false;
};

} // namespace orvane
