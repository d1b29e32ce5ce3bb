#pragma once

#include "platform/KeyboardLight.h"

#include <QStringList>

namespace orvane::test {

/// A Scroll Lock light that keeps its state and records each change asked
/// of it ("on", "off", "toggle").
class RecordingKeyboardLight final : public KeyboardLight
{
public:
    void setScrollLock(bool state) override
    {
        calls << (state ? QStringLiteral("on") : QStringLiteral("off"));
        on = state;
    }
    void toggleScrollLock() override
    {
        calls << QStringLiteral("toggle");
        on = !on;
    }

    bool on = false;
    QStringList calls;
};

} // namespace orvane::test
