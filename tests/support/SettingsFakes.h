#pragma once

#include "FakeMailClientLocator.h"
#include "FakeProcessLauncher.h"
#include "RecordingMessageBoxes.h"
#include "RecordingProgramWindows.h"
#include "settings/Settings.h"

namespace orvane::test {

/// Every service a Settings object needs, as doubles:
///   SettingsFakes fakes; Settings settings(folder, fakes.services());
struct SettingsFakes
{
    SettingsServices services() { return {mailClient, launcher, messages, windows, environment}; }

    FakeMailClientLocator mailClient;
    FakeProcessLauncher launcher;
    RecordingMessageBoxes messages;
    RecordingProgramWindows windows;
    QProcessEnvironment environment;
};

} // namespace orvane::test
