#pragma once

#include "platform/SoundBackend.h"

#include <QObject>

namespace orvane {

/// The sound plugin: WAV files through QSoundEffect, one effect per play so
/// sounds may overlap; each effect goes away when it stops or fails.
class QtMultimediaSound final : public QObject, public SoundBackend
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID OrvaneSoundBackend_iid)
    Q_INTERFACES(orvane::SoundBackend)
public:
    void play(const QString& file) override;
};

} // namespace orvane
