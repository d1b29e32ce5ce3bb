#pragma once

#include "core/CountClearing.h"

#include <QStringList>

namespace orvane::test {

class RecordingCountClearing final : public CountClearing
{
public:
    void ClearAll() override { calls << QStringLiteral("ClearAll"); }
    void ClearAndResetTip() override { calls << QStringLiteral("ClearAndResetTip"); }
    void ClearAfterNewMailAction() override { calls << QStringLiteral("ClearAfterNewMailAction"); }
    QStringList calls;
};

} // namespace orvane::test
