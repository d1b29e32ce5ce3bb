#include "NotifierWindows.h"

#include "SettingsWindow.h"
#include "display/KeyboardFlasher.h"
#include "display/QuickBar.h"
#include "display/QuickView.h"
#include "display/SkinDriver.h"

namespace orvane {

NotifierWindows::NotifierWindows(SkinDriver& skinDriver, QuickBar& quickBar, QuickView& quickView,
                                 KeyboardFlasher& flasher)
    : m_skinDriver(skinDriver), m_quickBar(quickBar), m_quickView(quickView), m_flasher(flasher)
{}

void NotifierWindows::CreateWindows()
{
    m_skinDriver.Create();
    m_quickBar.Create();
}

void NotifierWindows::AfterListLoaded(bool /*listRead*/)
{
    m_skinDriver.CheckShowStartup();
    closeSettings();
    m_quickView.Unload();
    m_quickBar.CheckShowStartup();
}

void NotifierWindows::UnloadWindows()
{
    // The account dialog and the notice go with the settings window.
    closeSettings();
    m_quickBar.Unload();
    m_quickView.Unload();
    m_skinDriver.Unload();
    // The light ends off, whatever it was before.
    m_flasher.Shutdown();
}

void NotifierWindows::closeSettings()
{
    if (m_settings)
        m_settings->CloseMe();
}

bool NotifierWindows::IsSettingsVisible() const
{
    return m_settings && m_settings->isShown();
}

bool NotifierWindows::IsQuickViewVisible() const
{
    return m_quickView.IsShown();
}

bool NotifierWindows::IsQuickBarVisible() const
{
    return m_quickBar.isVisible();
}

bool NotifierWindows::IsQuickBarOnTop() const
{
    return m_quickBar.IsOnTop();
}

bool NotifierWindows::IsNoticeShowing() const
{
    return m_settings && m_settings->isNoticeShowing();
}

void NotifierWindows::ShowAbout()
{
    if (!m_settings)
        return;
    if (!m_settings->isShown())
        m_quickView.Unload();
    m_settings->Show();
    m_settings->DoAbout();
}

void NotifierWindows::ToggleSettings()
{
    if (IsSettingsVisible())
        closeSettings();
    else
        ShowSettingsWindow();
}

void NotifierWindows::ToggleQuickView()
{
    if (m_quickView.IsShown())
        m_quickView.Unload();
    else
        ShowQuickViewWindow();
}

void NotifierWindows::ToggleQuickBar()
{
    m_quickBar.ShowWindow(!m_quickBar.isVisible());
}

void NotifierWindows::SwitchQuickBarOnTop()
{
    m_quickBar.SwitchOnTop();
    if (m_settings)
        m_settings->syncOnTop();
}

void NotifierWindows::ResetQuickBarPos()
{
    m_quickBar.ResetSkinPos();
}

void NotifierWindows::ShowSettingsWindow()
{
    if (m_quickView.IsShown())
        m_quickView.Unload();
    if (m_settings)
        m_settings->Show();
}

void NotifierWindows::ShowQuickViewWindow()
{
    closeSettings();
    m_quickView.ShowWindow();
}

void NotifierWindows::UpdateTableItem(const QString& name)
{
    // Quick View is a display of its own in the fan-out.
    if (m_settings)
        m_settings->UpdateTableItem(name);
}

void NotifierWindows::UpdateTable()
{
    if (m_settings)
        m_settings->UpdateTable();
}

} // namespace orvane
