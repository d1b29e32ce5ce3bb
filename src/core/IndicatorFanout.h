#pragma once

#include "Indicators.h"

#include <vector>

namespace orvane {

/// Hands every redraw to each of several displays, in order.
class IndicatorFanout final : public Indicators
{
public:
    explicit IndicatorFanout(std::vector<Indicators*> targets) : m_targets(std::move(targets)) {}

    void DoCheck() override
    {
        each([](Indicators& i) { i.DoCheck(); });
    }
    void DoFound() override
    {
        each([](Indicators& i) { i.DoFound(); });
    }
    void DoIdle() override
    {
        each([](Indicators& i) { i.DoIdle(); });
    }
    void SetTrayTip(const QString& text) override
    {
        each([&](Indicators& i) { i.SetTrayTip(text); });
    }
    void SetCheckAllEnabled(bool enabled) override
    {
        each([&](Indicators& i) { i.SetCheckAllEnabled(enabled); });
    }
    void QuickBarSetState(int check, int mail) override
    {
        each([&](Indicators& i) { i.QuickBarSetState(check, mail); });
    }
    void QuickBarSetMailCount(qint64 count) override
    {
        each([&](Indicators& i) { i.QuickBarSetMailCount(count); });
    }
    void Flash(bool on) override
    {
        each([&](Indicators& i) { i.Flash(on); });
    }
    void PopupDisplay(const QString& name, qint32 count) override
    {
        each([&](Indicators& i) { i.PopupDisplay(name, count); });
    }
    void UpdateTableItem(const QString& name) override
    {
        each([&](Indicators& i) { i.UpdateTableItem(name); });
    }
    void UpdateTable() override
    {
        each([](Indicators& i) { i.UpdateTable(); });
    }

private:
    template <typename F> void each(F&& f)
    {
        for (Indicators* target : m_targets)
            f(*target);
    }
    std::vector<Indicators*> m_targets;
};

} // namespace orvane
