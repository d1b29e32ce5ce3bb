#include "SkinDriver.h"

#include "platform/AnsiText.h"

namespace orvane {

bool SkinDriver::ReadYourselfIn(const QString& /*version*/, AnsiLineReader& in)
{
    m_choiceRead = true;
    QString line;
    if (!in.readText(line))
        return false;
    UseSkin(line.trimmed());
    return true;
}

void SkinDriver::WriteYourself(AnsiLineWriter& out)
{
    out.writeText(m_activeSkin);
}

void SkinDriver::UseSkin(const QString& name)
{
    // Skin folders are scanned by the tray skins; until a scan knows the
    // name, the choice is kept as written so it survives the next save.
    m_activeSkin = name.isEmpty() ? QString::fromLatin1(kNoSkin) : name;
}

} // namespace orvane
