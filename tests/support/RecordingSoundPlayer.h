#pragma once

#include "platform/SoundPlayer.h"

#include <QStringList>

namespace orvane::test {

class RecordingSoundPlayer final : public SoundPlayer
{
public:
    void play(const QString& file) override { played << file; }
    QStringList played;
};

} // namespace orvane::test
