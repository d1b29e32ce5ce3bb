#pragma once

#include "core/SavedBlock.h"

#include <QStringList>

namespace orvane {

/// The tray animation driver's lasting state: the tray skin in use.
class SkinDriver : public SavedBlock
{
public:
    static constexpr const char* kNoSkin = "<No Skin>";

    bool ReadYourselfIn(const QString& version, AnsiLineReader& in) override;
    void WriteYourself(AnsiLineWriter& out) override;

    /// Selects a skin by name; an unknown name selects the built-in one.
    void UseSkin(const QString& name);

    // What the start routine, the shutdown and the settings window's Skins
    // page ask of the driver. Skin folders are not read yet: the built-in
    // look is the only entry.
    void Create() { m_created = true; }
    void Unload() { m_created = false; }
    bool Created() const { return m_created; }
    void ScanSkins() {}
    void RescanSkins() {}
    void CheckShowStartup() {}
    void Update() {}
    /// "<No Skin>" followed by the skin names in list order.
    QStringList GetSkinNames() const { return {QString::fromLatin1(kNoSkin)}; }
    int GetActiveSkinIndex() const { return 0; }
    /// Selects by index when it names an entry of GetSkinNames; other values
    /// are ignored.
    void UseSkinIndex(int /*index*/) {}
    QString activeSkinName() const { return m_activeSkin; }
    /// A saved choice was read (false on a first run).
    bool choiceRead() const { return m_choiceRead; }

private:
    QString m_activeSkin = QString::fromLatin1(kNoSkin);
    bool m_choiceRead = false;
    bool m_created = false;
};

} // namespace orvane
