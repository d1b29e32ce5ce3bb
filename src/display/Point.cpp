#include "Point.h"

#include <cmath>

namespace orvane {

bool Point::ToNumber(const QString& text, double& value)
{
    const QString t = text.trimmed();
    if (t.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
        // Up to eight hex digits make a 32-bit value, as &HFFFFFFFF is -1.
        const QString digits = t.mid(2);
        bool ok = false;
        const qulonglong raw = digits.toULongLong(&ok, 16);
        if (!ok || digits.isEmpty() || digits.size() > 8)
            return false;
        value = digits.size() > 4 ? double(qint32(quint32(raw))) : double(raw);
        return true;
    }
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return false;
    value = d;
    return true;
}

bool Point::SetStringPoint(const QString& strPoint)
{
    const QString text = strPoint.trimmed();
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    if (comma < 0)
        return false;
    double x = 0;
    if (!ToNumber(text.left(comma), x))
        return false;
    X = float(x);
    double y = 0;
    if (!ToNumber(text.mid(comma + 1), y))
        return false;
    Y = float(y);
    return true;
}

} // namespace orvane
