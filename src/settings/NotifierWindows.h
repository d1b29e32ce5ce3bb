#pragma once

#include "core/Indicators.h"
#include "core/ProgramWindows.h"

namespace orvane {

class KeyboardFlasher;
class QuickBar;
class QuickView;
class SettingsWindow;
class SkinDriver;

/// The program's windows as the start and shutdown routines, the tray menu
/// and the double-click action drive them, and the account tables the
/// check cycle redraws.
class NotifierWindows final : public ProgramWindows, public Indicators
{
public:
    NotifierWindows(SkinDriver& skinDriver, QuickBar& quickBar, QuickView& quickView,
                    KeyboardFlasher& flasher);

    /// The settings window works on the check cycle, which is made after
    /// this object (the cycle's owner needs the windows first). Until it is
    /// set, the window commands do nothing.
    void setSettingsWindow(SettingsWindow* settings) { m_settings = settings; }

    // ProgramWindows
    void CreateWindows() override;
    void AfterListLoaded(bool listRead) override;
    void UnloadWindows() override;
    bool IsSettingsVisible() const override;
    bool IsQuickViewVisible() const override;
    bool IsQuickBarVisible() const override;
    bool IsQuickBarOnTop() const override;
    bool IsNoticeShowing() const override;
    void ShowAbout() override;
    void ToggleSettings() override;
    void ToggleQuickView() override;
    void ToggleQuickBar() override;
    void SwitchQuickBarOnTop() override;
    void ResetQuickBarPos() override;
    void ShowSettingsWindow() override;
    void ShowQuickViewWindow() override;

    // Indicators: the account tables.
    void UpdateTableItem(const QString& name) override;
    void UpdateTable() override;

private:
    void closeSettings();

    SkinDriver& m_skinDriver;
    QuickBar& m_quickBar;
    QuickView& m_quickView;
    KeyboardFlasher& m_flasher;
    SettingsWindow* m_settings = nullptr;
};

} // namespace orvane
