#include "QuickView.h"

#include "platform/AnsiText.h"

#include <limits>

namespace orvane {

void QuickView::LoadDefaultSettings()
{
    if (m_defaultsApplied)
        return;
    m_widths = kDesignedWidths;
    m_defaultsApplied = true;
}

bool QuickView::ReadYourselfIn(const QString& /*version*/, AnsiLineReader& in)
{
    for (qint32& width : m_widths) {
        QString line;
        bool ok = in.readLine(line);
        const qint64 number = line.trimmed().toLongLong(&ok);
        if (!ok || number < std::numeric_limits<qint32>::min() ||
            number > std::numeric_limits<qint32>::max()) {
            LoadDefaultSettings();
            return false;
        }
        width = qint32(number);
    }
    m_defaultsApplied = true;
    return true;
}

void QuickView::WriteYourself(AnsiLineWriter& out)
{
    for (qint32 width : m_widths)
        out.writeLine(QString::number(width));
}

} // namespace orvane
