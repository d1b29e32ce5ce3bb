#pragma once

#include <QString>

namespace orvane {

/// Plays a sound file without waiting for it; failures are ignored.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString& file) = 0;
};

} // namespace orvane
