#pragma once

#include "core/SavedBlock.h"

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

private:
    QString m_activeSkin = QString::fromLatin1(kDefaultSkin);
    bool m_visible = false;
    qint32 m_top = 0;
    qint32 m_left = 0;
    bool m_onTop = false;
    bool m_settingsRead = false;
};

} // namespace orvane
