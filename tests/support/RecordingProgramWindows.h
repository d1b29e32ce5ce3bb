#pragma once

#include "core/ProgramWindows.h"

#include <QStringList>

namespace orvane::test {

/// Windows whose states the test sets and whose commands it records by name.
class RecordingProgramWindows final : public ProgramWindows
{
public:
    bool IsSettingsVisible() const override { return settingsVisible; }
    bool IsQuickViewVisible() const override { return quickViewVisible; }
    bool IsQuickBarVisible() const override { return quickBarVisible; }
    bool IsQuickBarOnTop() const override { return quickBarOnTop; }
    bool IsNoticeShowing() const override { return noticeShowing; }

    void ShowAbout() override { calls << QStringLiteral("ShowAbout"); }
    void ToggleSettings() override { calls << QStringLiteral("ToggleSettings"); }
    void ToggleQuickView() override { calls << QStringLiteral("ToggleQuickView"); }
    void ToggleQuickBar() override { calls << QStringLiteral("ToggleQuickBar"); }
    void SwitchQuickBarOnTop() override { calls << QStringLiteral("SwitchQuickBarOnTop"); }
    void ResetQuickBarPos() override { calls << QStringLiteral("ResetQuickBarPos"); }
    void ShowSettingsWindow() override { calls << QStringLiteral("ShowSettingsWindow"); }
    void ShowQuickViewWindow() override { calls << QStringLiteral("ShowQuickViewWindow"); }

    bool settingsVisible = false;
    bool quickViewVisible = false;
    bool quickBarVisible = false;
    bool quickBarOnTop = false;
    bool noticeShowing = false;
    QStringList calls;
};

} // namespace orvane::test
