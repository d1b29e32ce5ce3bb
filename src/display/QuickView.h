#pragma once

#include "core/Indicators.h"
#include "core/SavedBlock.h"

#include <QItemSelection>
#include <QObject>
#include <QString>
#include <array>
#include <memory>
#include <vector>

class QWidget;

namespace orvane {

class AccountList;
class AccountTableModel;
class NotifierOptions;
class ProgramWindows;
class QuickViewWindow;

/// The Quick View: a read-only overview of every account with the ones
/// that have new mail highlighted, and buttons to check, open the settings,
/// run the e-mail program or close. The object lives for the whole run and
/// keeps the column widths (twips); its window is made on each showing and
/// destroyed on closing.
class QuickView : public QObject, public SavedBlock, public Indicators
{
    Q_OBJECT
public:
    static constexpr std::array<qint32, 4> kDesignedWidths = {2000, 1000, 2000, 2800};
    static constexpr const char* kCaption = "Orvane - Quick View";

    QuickView(ProgramWindows& windows, NotifierOptions& options, QObject* parent = nullptr);
    ~QuickView() override;

    /// The accounts the list shows. The application object owns them and
    /// is made after the saved blocks, so they are handed over once it is.
    void setAccounts(const AccountList& accounts) { m_accounts = &accounts; }

    void LoadDefaultSettings() override;
    bool ReadYourselfIn(const QString& version, AnsiLineReader& in) override;
    void WriteYourself(AnsiLineWriter& out) override;

    // The check cycle's redraws of the account tables.
    void UpdateTableItem(const QString& name) override;
    void UpdateTable() override;

    const std::array<qint32, 4>& widths() const { return m_widths; }
    void setWidths(const std::array<qint32, 4>& widths) { m_widths = widths; }

    /// Shows the window in front, creating it when needed.
    void ShowWindow();
    /// Destroys the window, keeping its column widths; the state stays.
    void Unload();
    bool IsShown() const;
    /// Rebuilds the rows from the account list, then highlights.
    void RefreshServerList();
    /// The window while it exists.
    QWidget* window() const;

Q_SIGNALS:
    void checkAllRequested();
    void runRequested();
    /// The user resized a column: the widths are to be saved.
    void columnsChanged();

private:
    friend class QuickViewWindow;
    void ReloadSettings();
    /// Takes the widths the user gave the columns.
    void keepColumnWidths();
    void HighlightNewMail();
    /// Follows the rows whose "Mail" column turned (ascending).
    void highlightTurned(const QList<int>& rows);
    /// The rows (ascending) as runs of whole rows.
    QItemSelection runsOfRows(const std::vector<int>& rows) const;
    qint32 pixelFactor() const;

    ProgramWindows& m_windows;
    NotifierOptions& m_options;
    const AccountList* m_accounts = nullptr;
    std::array<qint32, 4> m_widths = kDesignedWidths;
    bool m_defaultsApplied = false;
    /// The column widths as last set on the list, in pixels.
    std::array<int, 4> m_shownPixels = {};
    bool m_highlighting = false;
    bool m_applyingWidths = false;
    /// Ranges of rows highlighted or not since the whole highlight was last
    /// set.
    qsizetype m_rangesAdded = 0;
    QuickViewWindow* m_window = nullptr;
};

} // namespace orvane
