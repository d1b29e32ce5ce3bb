#pragma once

#include "core/SavedBlock.h"

#include <QString>
#include <array>

namespace orvane {

/// The Quick View window's lasting state: its four column widths in twips.
/// The state outlives the window, and the list file keeps it between runs.
class QuickView : public SavedBlock
{
public:
    static constexpr std::array<qint32, 4> kDesignedWidths = {2000, 1000, 2000, 2800};

    void LoadDefaultSettings() override;
    bool ReadYourselfIn(const QString& version, AnsiLineReader& in) override;
    void WriteYourself(AnsiLineWriter& out) override;

    const std::array<qint32, 4>& widths() const { return m_widths; }
    void setWidths(const std::array<qint32, 4>& widths) { m_widths = widths; }

    // The window side. The window is not built yet: it is never shown.
    /// Shows the window in front, creating it when needed.
    void ShowWindow() {}
    /// Destroys the window; the lasting state stays.
    void Unload() {}
    bool IsShown() const { return false; }
    void RefreshServerList() {}
    void UpdateTableItem(const QString& /*name*/) {}

private:
    std::array<qint32, 4> m_widths = kDesignedWidths;
    bool m_defaultsApplied = false;
};

} // namespace orvane
