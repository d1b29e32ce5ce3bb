#include "QuickBar.h"

#include "platform/AnsiText.h"

namespace orvane {

bool QuickBar::ReadYourselfIn(const QString& /*version*/, AnsiLineReader& in)
{
    QString skin;
    bool visible = false;
    qint32 top = 0;
    qint32 left = 0;
    bool onTop = false;
    if (!in.readText(skin) || !in.readBool(visible) || !in.readTwips(top) || !in.readTwips(left) ||
        !in.readBool(onTop))
        return false;
    m_activeSkin = skin.trimmed().isEmpty() ? QString::fromLatin1(kDefaultSkin) : skin.trimmed();
    m_visible = visible;
    m_top = top;
    m_left = left;
    m_onTop = onTop;
    m_settingsRead = true;
    return true;
}

void QuickBar::WriteYourself(AnsiLineWriter& out)
{
    out.writeText(m_activeSkin);
    out.writeBool(m_visible);
    out.writeNumber(m_top);
    out.writeNumber(m_left);
    out.writeBool(m_onTop);
}

} // namespace orvane
