#pragma once

#include "core/SavedBlock.h"

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
    QString activeSkinName() const { return m_activeSkin; }
    /// A saved choice was read (false on a first run).
    bool choiceRead() const { return m_choiceRead; }

private:
    QString m_activeSkin = QString::fromLatin1(kNoSkin);
    bool m_choiceRead = false;
};

} // namespace orvane
