#pragma once

#include "core/Indicators.h"

#include <QStringList>

namespace orvane::test {

/// Records every redraw call, in order, as short texts such as "DoFound",
/// "Tip:Orvane - No Mail." or "QuickBar:1,1".
class RecordingIndicators final : public Indicators
{
public:
    void DoCheck() override { calls << QStringLiteral("DoCheck"); }
    void DoFound() override { calls << QStringLiteral("DoFound"); }
    void DoIdle() override { calls << QStringLiteral("DoIdle"); }
    void SetTrayTip(const QString& text) override
    {
        tip = text;
        calls << QStringLiteral("Tip:") + text;
    }
    void SetCheckAllEnabled(bool enabled) override
    {
        checkAllEnabled = enabled;
        calls << QStringLiteral("CheckAll:%1").arg(enabled);
    }
    void QuickBarSetState(int check, int mail) override
    {
        calls << QStringLiteral("QuickBar:%1,%2").arg(check).arg(mail);
    }
    void QuickBarSetMailCount(qint64 count) override
    {
        calls << QStringLiteral("QuickBarCount:%1").arg(count);
    }
    void Flash(bool on) override { calls << QStringLiteral("Flash:%1").arg(on); }
    void PopupDisplay(const QString& name, qint32 count) override
    {
        popups << QStringLiteral("%1:%2").arg(name).arg(count);
    }
    void UpdateTable() override { calls << QStringLiteral("UpdateTable"); }

    int count(const QString& call) const { return int(calls.count(call)); }

    QStringList calls;
    QStringList popups;
    QString tip;
    bool checkAllEnabled = true;
};

} // namespace orvane::test
