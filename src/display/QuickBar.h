#pragma once

#include "core/SavedBlock.h"

#include <QStringList>

namespace orvane {

/// The Quick Bar's lasting state: its skin, whether it is shown, its place
/// in twips and whether it stays on top.
class QuickBar : public SavedBlock
{
public:
    static constexpr const char* kDefaultSkin = "<Default>";

    bool ReadYourselfIn(const QString& version, AnsiLineReader& in) override;
    void WriteYourself(AnsiLineWriter& out) override;

    QString activeSkinName() const { return m_activeSkin; }
    bool isVisible() const { return m_visible; }
    qint32 top() const { return m_top; }
    qint32 left() const { return m_left; }
    bool isOnTop() const { return m_onTop; }
    bool settingsRead() const { return m_settingsRead; }

    // What the start routine, the shutdown, the tray menu and the settings
    // window's Skins page ask of the bar. The bar's window is not built yet:
    // these keep the lasting state only.
    void Create() {}
    void Unload() {}
    void CheckShowStartup() {}
    void ScanSkins() {}
    void RescanSkins() {}
    /// "<Default>", then the skin names in list order.
    QStringList GetSkinNames() const { return {QString::fromLatin1(kDefaultSkin)}; }
    int GetActiveSkinIndex() const { return 0; }
    void UseSkin(const QString& /*name*/) {}
    void UseSkinIndex(int /*index*/) {}
    /// Shows or hides the bar's window.
    void ShowWindow(bool show) { m_visible = show; }
    void SetOnTop(bool on) { m_onTop = on; }
    void SwitchOnTop() { SetOnTop(!IsOnTop()); }
    bool IsOnTop() const { return m_onTop; }
    /// Back to the upper left-hand corner of the screen.
    void ResetSkinPos()
    {
        m_top = 0;
        m_left = 0;
    }

private:
    QString m_activeSkin = QString::fromLatin1(kDefaultSkin);
    bool m_visible = false;
    qint32 m_top = 0;
    qint32 m_left = 0;
    bool m_onTop = false;
    bool m_settingsRead = false;
};

} // namespace orvane
