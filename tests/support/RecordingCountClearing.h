#pragma once

#include "core/CountClearing.h"

#include <QStringList>

namespace orvane::test {

class RecordingCountClearing final : public CountClearing
{
public:
    void ClearAll() override { calls << QStringLiteral("ClearAll"); }
    void ClearAndResetTip() override { calls << QStringLiteral("ClearAndResetTip"); }
    QStringList calls;
};

} // namespace orvane::test
