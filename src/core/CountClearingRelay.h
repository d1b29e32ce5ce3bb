#pragma once

#include "CountClearing.h"

namespace orvane {

/// Breaks a construction cycle: the settings store needs the clear
/// operations, but the check cycle that owns them is made later and reads
/// the store. The store gets this relay in its constructor; the program
/// binds the relay to the check cycle once both exist. Unbound, it does
/// nothing (no count exists to clear before the check cycle does).
class CountClearingRelay final : public CountClearing
{
public:
    void bind(CountClearing* target) { m_target = target; }

    void ClearAll() override
    {
        if (m_target)
            m_target->ClearAll();
    }
    void ClearAndResetTip() override
    {
        if (m_target)
            m_target->ClearAndResetTip();
    }
    void ClearAfterNewMailAction() override
    {
        if (m_target)
            m_target->ClearAfterNewMailAction();
    }

private:
    CountClearing* m_target = nullptr;
};

} // namespace orvane
