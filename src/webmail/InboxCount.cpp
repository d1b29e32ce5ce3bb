#include "InboxCount.h"

#include <limits>

namespace orvane {

std::optional<qint32> readInboxCount(const QString& html, const QString& marker)
{
    const qsizetype at = html.indexOf(marker, 0, Qt::CaseInsensitive);
    if (at < 0)
        return 0;
    const qsizetype start = at + marker.size();
    const qsizetype close = html.indexOf(QLatin1Char(')'), start);
    if (close < 0)
        return 0;
    const QString text = html.mid(start, close - start).trimmed();
    if (text.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
        if (value > std::numeric_limits<qint32>::max())
            return std::nullopt;
    }
    return qint32(value);
}

} // namespace orvane
