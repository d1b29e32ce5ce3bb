#pragma once

#include <QString>

namespace orvane {

/// Everything the check cycle redraws: the tray (icon animation, tooltip,
/// menu state), the Quick Bar, the keyboard light, the popup and the account
/// tables. Each display object overrides what it shows; the rest stays
/// silent, so a display that is not there simply shows nothing.
class Indicators
{
public:
    virtual ~Indicators() = default;

    // Tray animation driver.
    virtual void DoCheck() {}
    virtual void DoFound() {}
    virtual void DoIdle() {}
    // Tray form.
    virtual void SetTrayTip(const QString& /*text*/) {}
    virtual void SetCheckAllEnabled(bool /*enabled*/) {}
    // Quick Bar: check 0 = checking, 1 = idle; mail 1 = mail shown.
    virtual void QuickBarSetState(int /*check*/, int /*mail*/) {}
    virtual void QuickBarSetMailCount(qint64 /*count*/) {}
    // Keyboard light.
    virtual void Flash(bool /*on*/) {}
    // New-mail popup.
    virtual void PopupDisplay(const QString& /*name*/, qint32 /*count*/) {}
    // Settings window and Quick View account tables.
    virtual void UpdateTableItem(const QString& /*name*/) {}
    virtual void UpdateTable() {}
};

} // namespace orvane
