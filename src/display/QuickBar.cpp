#include "QuickBar.h"

#include "platform/AnsiText.h"

#include <cmath>
#include <limits>
#include <optional>

namespace orvane {
namespace {

// Positions are written as single-precision twips; a whole number has no
// decimal point, but older files may hold fractions.
std::optional<qint32> parseTwips(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < std::numeric_limits<qint32>::min() ||
        value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(std::lround(value));
}

} // namespace

bool QuickBar::ReadYourselfIn(const QString& /*version*/, AnsiLineReader& in)
{
    QString skin, visible, top, left, onTop;
    if (!in.readLine(skin) || !in.readLine(visible))
        return false;
    const std::optional<bool> isVisible = parseBool(visible);
    if (!isVisible || !in.readLine(top))
        return false;
    const std::optional<qint32> topTwips = parseTwips(top);
    if (!topTwips || !in.readLine(left))
        return false;
    const std::optional<qint32> leftTwips = parseTwips(left);
    if (!leftTwips || !in.readLine(onTop))
        return false;
    const std::optional<bool> isOnTop = parseBool(onTop);
    if (!isOnTop)
        return false;
    m_activeSkin = skin.trimmed().isEmpty() ? QString::fromLatin1(kDefaultSkin) : skin.trimmed();
    m_visible = *isVisible;
    m_top = *topTwips;
    m_left = *leftTwips;
    m_onTop = *isOnTop;
    m_settingsRead = true;
    return true;
}

void QuickBar::WriteYourself(AnsiLineWriter& out)
{
    out.writeLine(m_activeSkin);
    out.writeLine(boolText(m_visible));
    out.writeLine(QString::number(m_top));
    out.writeLine(QString::number(m_left));
    out.writeLine(boolText(m_onTop));
}

} // namespace orvane
