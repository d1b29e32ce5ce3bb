#include "SettingsWindow.h"

#include "FLicense.h"
#include "HoverHelp.h"
#include "Settings.h"
#include "SettingsWindowParts.h"
#include "core/stForm.h"
#include "dChange.h"
#include "display/AccountTableModel.h"
#include "display/AccountTableView.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace orvane {

using namespace settingsparts;

namespace {

constexpr const char* kTitles[] = {"Account Settings", "General Settings", "Skins", "Links",
                                   "About Orvane"};
constexpr const char* kHeadings[] = {" Account Settings", " General Settings", " Skins",
                                     " Orvane Online Links", " About Orvane"};
// The pages' designed size, 7695 by 4335 twips: their least size; a larger
// font or longer text makes them larger.
constexpr int kPageWidthTwips = 7695;
constexpr int kPageHeightTwips = 4335;

/// The window itself: it tells its owner before it goes.
class SettingsForm final : public QMainWindow
{
public:
    explicit SettingsForm(std::function<void()> closing) : m_closing(std::move(closing)) {}

protected:
    void closeEvent(QCloseEvent* event) override
    {
        m_closing();
        QMainWindow::closeEvent(event);
    }
    void focusInEvent(QFocusEvent* event) override
    {
        raise();
        activateWindow();
        QMainWindow::focusInEvent(event);
    }

private:
    std::function<void()> m_closing;
};

/// Twips across one pixel of the screen `widget` is on: an inch is 1440
/// twips and as many pixels as the screen's logical dots per inch.
double twipsPerPixel(const QWidget* widget, Qt::Orientation direction = Qt::Horizontal)
{
    const int dpi = direction == Qt::Horizontal ? widget->logicalDpiX() : widget->logicalDpiY();
    return 1440.0 / (dpi > 0 ? dpi : 96);
}

int toPixels(qint32 twips, const QWidget* widget, Qt::Orientation direction = Qt::Horizontal)
{
    return qRound(double(twips) / twipsPerPixel(widget, direction));
}

/// Keeps the twips stored when they still give the pixels shown, so opening
/// and closing the window does not wear the widths down by rounding.
qint32 toTwips(int pixels, qint32 stored, const QWidget* widget)
{
    return toPixels(stored, widget) == pixels ? stored
                                              : qint32(qRound(pixels * twipsPerPixel(widget)));
}

} // namespace

SettingsWindow::SettingsWindow(SettingsWindowServices services, QObject* parent)
    : QObject(parent), m_services(std::move(services))
{}

SettingsWindow::~SettingsWindow()
{
    CloseMe();
    // Past the event loops now: what waited for one goes at once.
    delete m_leaving;
}

bool SettingsWindow::isShown() const
{
    return m_window && m_window->isVisible();
}

bool SettingsWindow::isNoticeShowing() const
{
    return m_license && m_license->isVisible();
}

void SettingsWindow::Show()
{
    if (!m_window)
        create();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void SettingsWindow::CloseMe()
{
    // This may run inside the event loop of a box or file dialog the window
    // opened (a shutdown while it is up): the window is only hidden here
    // and goes once that loop has let go of it.
    if (QWidget* window = m_window) {
        windowClosing();
        window->hide();
        window->deleteLater();
    }
}

void SettingsWindow::DoAbout()
{
    if (m_c && m_window)
        m_c->listTab->setCurrentRow(4);
}

void SettingsWindow::changed()
{
    if (m_services.changed)
        m_services.changed();
}

void SettingsWindow::create()
{
    m_c = std::make_unique<Controls>();
    auto* window = new SettingsForm([this] { windowClosing(); });
    m_window = window;
    window->setObjectName(QStringLiteral("Settings"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QString::fromLatin1(kCaption));
    window->setAccessibleName(QString::fromLatin1(kCaption));
    window->setWindowIcon(QIcon(QStringLiteral(":/icons/101.png")));

    m_c->status = named(new QStatusBar, "StatusBar");
    m_c->status->setSizeGripEnabled(false);
    m_c->help = new HoverHelp(*m_c->status, window);
    m_c->help->add(window, {});

    m_c->listTab = named(new QListWidget, "listTab");
    m_c->listTab->setAccessibleName(QStringLiteral("Pages"));
    for (const char* title : kTitles)
        m_c->listTab->addItem(QString::fromLatin1(title));
    m_c->listTab->setFixedWidth(m_c->listTab->sizeHintForColumn(0) + 16);

    m_c->lblTab = named(new QLabel, "lblTab");
    QFont headingFont = m_c->lblTab->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.3);
    m_c->lblTab->setFont(headingFont);
    m_c->lblTab->setAutoFillBackground(true);
    m_c->lblTab->setBackgroundRole(QPalette::Dark);
    m_c->lblTab->setForegroundRole(QPalette::BrightText);
    m_c->help->add(m_c->lblTab, {});

    auto* glow = named(new QToolButton, "iSmallGlow");
    glow->setIcon(QIcon(QStringLiteral(":/icons/101.png")));
    glow->setIconSize(QSize(32, 32));
    glow->setAutoRaise(true);
    glow->setAccessibleName(QStringLiteral("Nuvari's Website"));
    // The maker's pages are the ones the tray menu's Links open.
    m_c->help->add(glow, QStringLiteral("Click to open Nuvari's website: ") +
                             stForm::PageFor(QStringLiteral("stMenuNuvari")));
    connect(glow, &QToolButton::clicked, this, [this] {
        if (m_services.openPage)
            m_services.openPage(QStringLiteral("stMenuNuvari"));
    });
    auto* version = named(new QLabel(QStringLiteral("v1.6")), "lblVersion");
    // Read out as "Version", with the number as the label's text.
    version->setAccessibleName(QStringLiteral("Version"));
    version->setAccessibleDescription(version->text());
    version->setAlignment(Qt::AlignCenter);

    m_c->pages = named(new QStackedWidget, "pages");
    m_c->pages->addWidget(buildAccounts());
    m_c->pages->addWidget(buildGeneral());
    m_c->pages->addWidget(buildSkins());
    m_c->pages->addWidget(buildLinks());
    m_c->pages->addWidget(buildAbout());
    for (int i = 0; i < m_c->pages->count(); ++i) {
        QWidget* page = m_c->pages->widget(i);
        page->setMinimumSize(toPixels(kPageWidthTwips, page),
                             toPixels(kPageHeightTwips, page, Qt::Vertical));
        m_c->help->add(m_c->pages->widget(i), {});
    }

    auto* left = new QVBoxLayout;
    left->addWidget(m_c->listTab, 1);
    left->addWidget(glow, 0, Qt::AlignHCenter);
    left->addWidget(version);
    auto* right = new QVBoxLayout;
    right->addWidget(m_c->lblTab);
    right->addWidget(m_c->pages);
    auto* body = new QHBoxLayout;
    body->addLayout(left);
    body->addLayout(right);
    auto* central = new QWidget;
    central->setLayout(body);
    window->setCentralWidget(central);
    m_c->help->add(central, {});
    window->setStatusBar(m_c->status);
    window->layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_c->listTab, &QListWidget::currentRowChanged, this, &SettingsWindow::selectPage);

    m_services.store.LoadDefaultSettings();
    ReloadSettings();
    RefreshServerList();
    if (m_c->rows->rowCount() > 0)
        m_c->servers->setCurrentIndex(m_c->rows->index(0, 0));
    SetupButtons();
    ShowSettings();
    FillComboBox();
    FillQBSkins();
    FillActionLists();
}

void SettingsWindow::windowClosing()
{
    if (!m_c)
        return;
    storeWidths();
    for (QWidget* child : {static_cast<QWidget*>(m_dialog), static_cast<QWidget*>(m_license)}) {
        if (child) {
            child->hide();
            child->deleteLater();
        }
    }
    // From here on the window counts as gone: code that resumes after a
    // nested loop finds no controls, and Show makes a new window.
    m_leaving = m_window;
    m_window.clear();
    m_dialog.clear();
    m_license.clear();
    m_c.reset();
}

void SettingsWindow::storeWidths()
{
    if (!m_c)
        return;
    Settings& s = m_services.store;
    const QHeaderView* header = m_c->servers->header();
    const qint32 before[] = {s.spcName, s.spcMail, s.spcTime, s.spcDetail};
    s.spcName = toTwips(header->sectionSize(0), s.spcName, header);
    s.spcMail = toTwips(header->sectionSize(1), s.spcMail, header);
    s.spcTime = toTwips(header->sectionSize(2), s.spcTime, header);
    s.spcDetail = toTwips(header->sectionSize(3), s.spcDetail, header);
    const qint32 after[] = {s.spcName, s.spcMail, s.spcTime, s.spcDetail};
    if (!std::equal(std::begin(before), std::end(before), std::begin(after)))
        changed();
}

void SettingsWindow::selectPage(int index)
{
    if (index < 0)
        return;
    const int page = std::min(index, 4);
    m_c->lblTab->setText(QString::fromLatin1(kHeadings[page]));
    m_c->pages->setCurrentIndex(page);
    if (m_services.store.selTab != index) {
        m_services.store.selTab = qint16(index);
        if (!m_reloading)
            changed();
    }
}

void SettingsWindow::ReloadSettings()
{
    if (!m_c)
        return;
    Settings& s = m_services.store;
    m_reloading = true;
    s.timeDisp = qint16(s.timeDisp - 1);
    // A number the list never offers (a hand-edited file) opens the last
    // page, as any index past the list's end does.
    const int lastPage = m_c->listTab->count() - 1;
    const int tab = s.selTab >= 0 && s.selTab <= lastPage ? s.selTab : lastPage;
    m_c->listTab->setCurrentRow(tab);
    selectPage(tab);
    SetupDate_Click();
    QHeaderView* header = m_c->servers->header();
    header->resizeSection(0, toPixels(s.spcName, header));
    header->resizeSection(1, toPixels(s.spcMail, header));
    header->resizeSection(2, toPixels(s.spcTime, header));
    header->resizeSection(3, toPixels(s.spcDetail, header));
    m_reloading = false;
}

} // namespace orvane
