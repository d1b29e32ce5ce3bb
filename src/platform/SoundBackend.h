#pragma once

#include <QString>
#include <QtPlugin>

namespace orvane {

/// The contract of the sound plugin: the one place that links the
/// multimedia libraries, loaded only when the first sound is due.
class SoundBackend
{
public:
    virtual ~SoundBackend() = default;
    /// Starts playing the WAV file and returns at once; a file that is
    /// missing or cannot be played is ignored.
    virtual void play(const QString& file) = 0;
};

} // namespace orvane

#define OrvaneSoundBackend_iid "org.orvane.SoundBackend/1.0"
Q_DECLARE_INTERFACE(orvane::SoundBackend, OrvaneSoundBackend_iid)
