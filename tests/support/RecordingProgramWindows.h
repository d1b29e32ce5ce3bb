#pragma once

#include "core/ProgramWindows.h"

#include <QStringList>
#include <stdexcept>

namespace orvane::test {

/// Windows whose states the test sets and whose commands it records by name.
/// With `failToggle` the settings window fails to open.
class RecordingProgramWindows final : public ProgramWindows
{
public:
    void CreateWindows() override { calls << QStringLiteral("CreateWindows"); }
    void AfterListLoaded(bool listRead) override
    {
        calls << QStringLiteral("AfterListLoaded(%1)")
                     .arg(listRead ? QStringLiteral("true") : QStringLiteral("false"));
    }
    void UnloadWindows() override { calls << QStringLiteral("UnloadWindows"); }

    bool IsSettingsVisible() const override { return settingsVisible; }
    bool IsQuickViewVisible() const override { return quickViewVisible; }
    bool IsQuickBarVisible() const override { return quickBarVisible; }
    bool IsQuickBarOnTop() const override { return quickBarOnTop; }
    bool IsNoticeShowing() const override { return noticeShowing; }

    void ShowAbout() override { calls << QStringLiteral("ShowAbout"); }
    void ToggleSettings() override
    {
        if (failToggle)
            throw std::runtime_error("the settings window is broken");
        calls << QStringLiteral("ToggleSettings");
    }
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
    bool failToggle = false;
    QStringList calls;
};

} // namespace orvane::test
