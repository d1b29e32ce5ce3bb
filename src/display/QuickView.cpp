#include "QuickView.h"

#include "AccountTableModel.h"
#include "AccountTableView.h"
#include "core/AccountList.h"
#include "core/NotifierOptions.h"
#include "core/ProgramWindows.h"
#include "core/server.h"
#include "platform/AnsiText.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace orvane {

/// The Quick View's window. It asks its owner for everything it shows.
class QuickViewWindow : public QWidget
{
public:
    explicit QuickViewWindow(QuickView& view) : m_view(view)
    {
        setObjectName(QStringLiteral("QuickView"));
        setWindowTitle(QString::fromLatin1(QuickView::kCaption));
        setWindowIcon(QIcon(QStringLiteral(":/icons/101.png")));
        setAttribute(Qt::WA_DeleteOnClose, false);

        auto* glow = new QLabel(this);
        glow->setObjectName(QStringLiteral("iGlow"));
        glow->setAccessibleName(QStringLiteral("Orvane"));
        glow->setPixmap(QIcon(QStringLiteral(":/icons/102.png")).pixmap(32, 32));
        auto* heading = new QLabel(QStringLiteral("Accounts, with new mail highlighted:"), this);
        heading->setObjectName(QStringLiteral("lblServers"));

        servers = new AccountTableView(this);
        servers->setObjectName(QStringLiteral("Servers"));
        servers->setAccessibleName(QStringLiteral("Accounts"));
        heading->setBuddy(servers);
        rows = new AccountTableModel(view.m_accounts, servers);
        servers->setModel(rows);
        servers->setSelectionMode(QAbstractItemView::MultiSelection);
        // The header drawn from the list's selection would ask, at each
        // change of the highlight, whether every row of each column is
        // highlighted (which no one reads from it): it keeps a selection of
        // its own, always empty.
        servers->header()->setHighlightSections(false);
        servers->header()->setSelectionModel(new QItemSelectionModel(rows, servers->header()));
        servers->installEventFilter(this);
        servers->viewport()->installEventFilter(this);

        const auto button = [this](const char* name, const char* caption) {
            auto* b = new QPushButton(QString::fromLatin1(caption), this);
            b->setObjectName(QString::fromLatin1(name));
            return b;
        };
        check = button("bCheck", "Check All");
        settings = button("bSettings", "View Settings");
        prog = button("bProg", "Run E-Mail Program");
        close = button("bClose", "Close");

        auto* top = new QHBoxLayout;
        top->addWidget(glow);
        top->addWidget(heading, 1);
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(check);
        buttons->addWidget(settings);
        buttons->addWidget(prog);
        buttons->addStretch(1);
        buttons->addWidget(close);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(top);
        layout->addWidget(servers, 1);
        layout->addLayout(buttons);

        connect(check, &QPushButton::clicked, &view, &QuickView::checkAllRequested);
        connect(settings, &QPushButton::clicked, this, [this] {
            QuickView& v = m_view;
            v.Unload();
            v.m_windows.ShowSettingsWindow();
        });
        connect(prog, &QPushButton::clicked, this, [this] {
            QuickView& v = m_view;
            if (!v.m_options.ValidEProg())
                return;
            Q_EMIT v.runRequested();
            v.Unload();
        });
        connect(close, &QPushButton::clicked, this, [this] { m_view.Unload(); });
        // The highlight is the accounts with new mail; the user cannot move it.
        connect(servers->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this] { m_view.HighlightNewMail(); });
        connect(servers, &QAbstractItemView::clicked, this, [this] { m_view.HighlightNewMail(); });
        connect(servers, &QAbstractItemView::doubleClicked, this,
                [this] { m_view.HighlightNewMail(); });
        connect(rows, &QAbstractItemModel::modelReset, this, [this] { m_view.HighlightNewMail(); });
        connect(rows, &AccountTableModel::newMailTurned, this,
                [this](const QList<int>& turned) { m_view.highlightTurned(turned); });
        connect(servers->header(), &QHeaderView::sectionResized, this,
                [this] { m_view.keepColumnWidths(); });
    }

    AccountTableView* servers = nullptr;
    AccountTableModel* rows = nullptr;
    QPushButton* check = nullptr;
    QPushButton* settings = nullptr;
    QPushButton* prog = nullptr;
    QPushButton* close = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == servers && event->type() == QEvent::FocusIn) {
            close->setFocus();
            m_view.HighlightNewMail();
        } else if (watched == servers->viewport() && event->type() == QEvent::MouseButtonRelease) {
            m_view.HighlightNewMail();
        }
        return false;
    }
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        m_view.Unload();
    }
    void focusInEvent(QFocusEvent* event) override
    {
        QWidget::focusInEvent(event);
        raise();
        activateWindow();
    }

private:
    QuickView& m_view;
};

QuickView::QuickView(ProgramWindows& windows, NotifierOptions& options, QObject* parent)
    : QObject(parent), m_windows(windows), m_options(options)
{}

QuickView::~QuickView()
{
    delete m_window;
}

QWidget* QuickView::window() const
{
    return m_window;
}

qint32 QuickView::pixelFactor() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? std::max(1, qRound(1440.0 / screen->logicalDotsPerInchX())) : 15;
}

void QuickView::LoadDefaultSettings()
{
    if (m_defaultsApplied)
        return;
    m_widths = kDesignedWidths;
    m_defaultsApplied = true;
}

void QuickView::ReloadSettings()
{
    if (!m_window)
        return;
    const qint32 factor = pixelFactor();
    // The columns being set are not the user's doing.
    m_applyingWidths = true;
    for (int column = 0; column < int(m_widths.size()); ++column) {
        const int pixels = std::max(1, qRound(double(m_widths[size_t(column)]) / double(factor)));
        m_window->servers->setColumnWidth(column, pixels);
        m_shownPixels[size_t(column)] = pixels;
    }
    m_applyingWidths = false;
}

bool QuickView::IsShown() const
{
    return m_window && m_window->isVisible();
}

void QuickView::ShowWindow()
{
    if (!m_window) {
        m_window = new QuickViewWindow(*this);
        LoadDefaultSettings();
        ReloadSettings();
        HighlightNewMail();
        m_window->prog->setEnabled(m_options.ValidEProg());
        // Wide enough for the columns as the user left them.
        int width = 40;
        for (qint32 w : m_widths)
            width += qRound(double(w) / double(pixelFactor()));
        m_window->resize(std::max(width, m_window->sizeHint().width()), 260);
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void QuickView::keepColumnWidths()
{
    if (!m_window || m_applyingWidths)
        return;
    const qint32 factor = pixelFactor();
    bool changed = false;
    for (int column = 0; column < int(m_widths.size()); ++column) {
        // A column the user left alone keeps its exact width: a round trip
        // through whole pixels would creep on every opening.
        const int pixels = m_window->servers->columnWidth(column);
        if (pixels != m_shownPixels[size_t(column)]) {
            m_widths[size_t(column)] = pixels * factor;
            m_shownPixels[size_t(column)] = pixels;
            changed = true;
        }
    }
    if (changed)
        Q_EMIT columnsChanged();
}

void QuickView::Unload()
{
    if (!m_window)
        return;
    keepColumnWidths();
    // Called from the window's own buttons: it goes once their handlers end.
    QuickViewWindow* window = m_window;
    m_window = nullptr;
    window->hide();
    window->deleteLater();
}

void QuickView::RefreshServerList()
{
    if (m_window)
        m_window->rows->rebuild();
}

void QuickView::UpdateTableItem(const QString& name)
{
    // Called for every account on every check and clear: the row is only
    // marked, and drawn when painted.
    if (m_window)
        m_window->rows->accountChanged(name);
}

void QuickView::UpdateTable()
{
    if (m_window)
        m_window->rows->allChanged();
}

void QuickView::highlightTurned(const QList<int>& rows)
{
    if (!m_window || m_highlighting)
        return;
    const AccountTableModel& model = *m_window->rows;
    std::vector<int> turnedOn;
    std::vector<int> turnedOff;
    for (int row : rows)
        (model.hasNewMail(row) ? turnedOn : turnedOff).push_back(row);
    const QItemSelection on = runsOfRows(turnedOn);
    const QItemSelection off = runsOfRows(turnedOff);
    // Every change stays a range of its own in the selection, which each
    // later change walks: after many, the whole highlight is set again as
    // runs of rows.
    constexpr qsizetype kRangesBetweenRebuilds = 64;
    m_rangesAdded += on.size() + off.size();
    if (m_rangesAdded > kRangesBetweenRebuilds) {
        HighlightNewMail();
        return;
    }
    m_highlighting = true;
    QItemSelectionModel* selection = m_window->servers->selectionModel();
    if (!on.isEmpty())
        selection->select(on, QItemSelectionModel::Select);
    if (!off.isEmpty())
        selection->select(off, QItemSelectionModel::Deselect);
    m_highlighting = false;
}

QItemSelection QuickView::runsOfRows(const std::vector<int>& rows) const
{
    const AccountTableModel& model = *m_window->rows;
    const int lastColumn = AccountTableModel::ColumnCount - 1;
    QItemSelection runs;
    for (size_t i = 0; i < rows.size();) {
        const size_t first = i;
        while (i + 1 < rows.size() && rows[i + 1] == rows[i] + 1)
            ++i;
        runs.select(model.index(rows[first], 0), model.index(rows[i], lastColumn));
        ++i;
    }
    return runs;
}

void QuickView::HighlightNewMail()
{
    if (!m_window || m_highlighting)
        return;
    m_highlighting = true;
    // One selection of runs of rows, set at once: row by row, each change
    // would merge into a selection that grows with the table.
    const AccountTableModel& model = *m_window->rows;
    const int columns = AccountTableModel::ColumnCount - 1;
    QItemSelection highlight;
    const int rows = model.rowCount();
    for (int row = 0; row < rows;) {
        if (!model.hasNewMail(row)) {
            ++row;
            continue;
        }
        const int first = row;
        while (row < rows && model.hasNewMail(row))
            ++row;
        highlight.select(model.index(first, 0), model.index(row - 1, columns));
    }
    m_window->servers->selectionModel()->select(highlight, QItemSelectionModel::ClearAndSelect);
    m_rangesAdded = 0;
    m_highlighting = false;
}

bool QuickView::ReadYourselfIn(const QString& /*version*/, AnsiLineReader& in)
{
    for (qint32& width : m_widths) {
        if (!in.readNumber(width)) {
            LoadDefaultSettings();
            return false;
        }
    }
    ReloadSettings();
    m_defaultsApplied = true;
    return true;
}

void QuickView::WriteYourself(AnsiLineWriter& out)
{
    for (qint32 width : m_widths)
        out.writeNumber(width);
}

} // namespace orvane
