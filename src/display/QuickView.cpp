#include "QuickView.h"

#include "platform/AnsiText.h"

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
        if (!in.readNumber(width)) {
            LoadDefaultSettings();
            return false;
        }
    }
    m_defaultsApplied = true;
    return true;
}

void QuickView::WriteYourself(AnsiLineWriter& out)
{
    for (qint32 width : m_widths)
        out.writeNumber(width);
}

} // namespace orvane
