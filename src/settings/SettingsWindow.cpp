#include "SettingsWindow.h"

#include "FLicense.h"
#include "HoverHelp.h"
#include "Settings.h"
#include "core/AccountList.h"
#include "core/Indicators.h"
#include "core/MailCore.h"
#include "core/StartAtLogon.h"
#include "core/server.h"
#include "core/stForm.h"
#include "dChange.h"
#include "display/QuickBar.h"
#include "display/QuickView.h"
#include "display/SkinDriver.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace orvane {

namespace {

constexpr const char* kTitles[] = {"Account Settings", "General Settings", "Skins", "Links",
                                   "About Orvane"};
constexpr const char* kHeadings[] = {" Account Settings", " General Settings", " Skins",
                                     " Orvane Online Links", " About Orvane"};
constexpr const char* kModes[] = {"Time Only", "Time then Date", "Date then Time", "Date Only"};
constexpr const char* kRunAndClear = "Run your favorite e-mail program and clear mail count.";
// The pages' fixed size, 7695 by 4335 twips.
constexpr int kPageWidth = 7695 / SettingsWindow::kTwipsPerPixel;
constexpr int kPageHeight = 4335 / SettingsWindow::kTwipsPerPixel;

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

template <typename W> W* named(W* widget, const char* objectName)
{
    widget->setObjectName(QString::fromLatin1(objectName));
    return widget;
}

QLabel* labelFor(QWidget* control, const char* objectName, const char* caption)
{
    auto* label = named(new QLabel(QString::fromLatin1(caption)), objectName);
    label->setBuddy(control);
    QString name = label->text().trimmed();
    while (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    control->setAccessibleName(name.trimmed());
    return label;
}

void paintValid(QLineEdit* box, bool valid)
{
    QPalette palette = box->palette();
    palette.setColor(QPalette::Text, valid ? box->parentWidget()->palette().color(QPalette::Text)
                                           : QColor(255, 0, 0));
    box->setPalette(palette);
}

int toPixels(qint32 twips)
{
    return qRound(double(twips) / SettingsWindow::kTwipsPerPixel);
}

/// Keeps the twips stored when they still give the pixels shown, so opening
/// and closing the window does not wear the widths down by rounding.
qint32 toTwips(int pixels, qint32 stored)
{
    return toPixels(stored) == pixels ? stored : pixels * SettingsWindow::kTwipsPerPixel;
}

} // namespace

struct SettingsWindow::Controls
{
    QListWidget* listTab = nullptr;
    QLabel* lblTab = nullptr;
    QStackedWidget* pages = nullptr;
    QStatusBar* status = nullptr;
    HoverHelp* help = nullptr;
    // Accounts
    QTreeWidget* servers = nullptr;
    /// The table's viewport, whose clicks the window watches. Kept apart
    /// because events still arrive while the table is being destroyed,
    /// when it can no longer be asked for its viewport.
    QWidget* serversViewport = nullptr;
    QPushButton* setupDate = nullptr;
    QPushButton* checkForMail = nullptr;
    QPushButton* editServer = nullptr;
    QPushButton* removeServer = nullptr;
    // General
    QLineEdit* eprog = nullptr;
    QLineEdit* wave = nullptr;
    QPushButton* play = nullptr;
    QCheckBox* startup = nullptr;
    QCheckBox* checkOnStart = nullptr;
    QCheckBox* playWave = nullptr;
    QCheckBox* showPopup = nullptr;
    QCheckBox* flash = nullptr;
    QComboBox* mailFound = nullptr;
    QComboBox* doubleClick = nullptr;
    // Skins
    QComboBox* skin = nullptr;
    QCheckBox* animate = nullptr;
    QComboBox* qbSkin = nullptr;
    QCheckBox* onTop = nullptr;
};

SettingsWindow::SettingsWindow(SettingsWindowServices services, QObject* parent)
    : QObject(parent), m_services(std::move(services))
{}

SettingsWindow::~SettingsWindow()
{
    CloseMe();
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
    if (m_dialog) {
        m_dialog->hide();
        delete m_dialog;
    }
    if (m_window) {
        windowClosing();
        delete m_window;
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
    version->setAlignment(Qt::AlignCenter);

    m_c->pages = named(new QStackedWidget, "pages");
    m_c->pages->addWidget(buildAccounts());
    m_c->pages->addWidget(buildGeneral());
    m_c->pages->addWidget(buildSkins());
    m_c->pages->addWidget(buildLinks());
    m_c->pages->addWidget(buildAbout());
    for (int i = 0; i < m_c->pages->count(); ++i) {
        m_c->pages->widget(i)->setFixedSize(kPageWidth, kPageHeight);
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
    if (m_c->servers->topLevelItemCount() > 0)
        m_c->servers->setCurrentItem(m_c->servers->topLevelItem(0));
    SetupButtons();
    ShowSettings();
    FillComboBox();
    FillQBSkins();
    FillActionLists();
}

void SettingsWindow::windowClosing()
{
    if (!m_c || !m_c->servers)
        return;
    storeWidths();
    if (m_dialog) {
        m_dialog->hide();
        delete m_dialog;
    }
    if (m_license)
        delete m_license;
}

void SettingsWindow::storeWidths()
{
    Settings& s = m_services.store;
    const QHeaderView* header = m_c->servers->header();
    const qint32 before[] = {s.spcName, s.spcMail, s.spcTime, s.spcDetail};
    s.spcName = toTwips(header->sectionSize(0), s.spcName);
    s.spcMail = toTwips(header->sectionSize(1), s.spcMail);
    s.spcTime = toTwips(header->sectionSize(2), s.spcTime);
    s.spcDetail = toTwips(header->sectionSize(3), s.spcDetail);
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
    const int tab = s.selTab >= 0 && s.selTab < m_c->listTab->count() ? s.selTab : 0;
    m_c->listTab->setCurrentRow(tab);
    selectPage(tab);
    SetupDate_Click();
    QHeaderView* header = m_c->servers->header();
    header->resizeSection(0, toPixels(s.spcName));
    header->resizeSection(1, toPixels(s.spcMail));
    header->resizeSection(2, toPixels(s.spcTime));
    header->resizeSection(3, toPixels(s.spcDetail));
    m_reloading = false;
}

// ---- Accounts page -------------------------------------------------------

QWidget* SettingsWindow::buildAccounts()
{
    auto* page = named(new QWidget, "mAccounts");
    auto* frame = named(new QGroupBox(QStringLiteral("Account List")), "Frame1");
    m_c->help->add(frame, {});
    m_c->servers = named(new QTreeWidget, "Servers");
    QTreeWidget* table = m_c->servers;
    table->setAccessibleName(QStringLiteral("Account List"));
    table->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Mail"),
                            QStringLiteral("Last Checked"), QStringLiteral("Detailed Report")});
    table->setRootIsDecorated(false);
    table->setUniformRowHeights(true);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setAllColumnsShowFocus(true);
    table->header()->setStretchLastSection(false);
    m_c->serversViewport = table->viewport();
    m_c->serversViewport->installEventFilter(this);
    m_c->help->add(table, QStringLiteral("This is the list of accounts.  You can double click on "
                                         "an account to open its settings window."));
    connect(table, &QTreeWidget::itemSelectionChanged, this, &SettingsWindow::SetupButtons);
    connect(table->header(), &QHeaderView::sectionResized, this, [this] {
        if (!m_reloading)
            storeWidths();
    });
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(table);

    auto button = [this](const char* name, const char* caption, const char* hint) {
        auto* b = named(new QPushButton(QString::fromLatin1(caption)), name);
        m_c->help->add(b, QString::fromLatin1(hint));
        return b;
    };
    m_c->setupDate =
        button("SetupDate", kModes[0],
               "Click to change the way the time/date is displayed in the server list view.");
    auto* checkAll = button("CheckAll", "Check All", "Click to check for mail on all accounts.");
    auto* add = button("AddServer", "Add Account", "Click to add a new account.");
    m_c->checkForMail =
        button("CheckForMail", "Check For Mail", "Click to check an account for mail.");
    m_c->editServer = button("EditServer", "Edit Account", "Click to edit the selected account.");
    m_c->removeServer = button("RemoveServer", "Remove Account",
                               "Click to remove an account from the list of accounts.");
    m_c->setupDate->setAccessibleName(QStringLiteral("Date display"));

    auto* buttons = new QGridLayout;
    buttons->addWidget(m_c->setupDate, 0, 0);
    buttons->addWidget(checkAll, 0, 1);
    buttons->addWidget(add, 0, 2);
    buttons->addWidget(m_c->checkForMail, 1, 0);
    buttons->addWidget(m_c->editServer, 1, 1);
    buttons->addWidget(m_c->removeServer, 1, 2);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);

    connect(m_c->setupDate, &QPushButton::clicked, this, [this] {
        SetupDate_Click();
        changed();
    });
    connect(checkAll, &QPushButton::clicked, this, &SettingsWindow::CheckAll_Click);
    connect(add, &QPushButton::clicked, this, &SettingsWindow::addAccount);
    connect(m_c->checkForMail, &QPushButton::clicked, this, &SettingsWindow::checkSelected);
    connect(m_c->editServer, &QPushButton::clicked, this, &SettingsWindow::editSelected);
    connect(m_c->removeServer, &QPushButton::clicked, this, &SettingsWindow::removeSelected);
    return page;
}

void SettingsWindow::SetupDate_Click()
{
    Settings& s = m_services.store;
    s.timeDisp = qint16(s.timeDisp + 1);
    if (s.timeDisp > 3 || s.timeDisp < 0)
        s.timeDisp = 0;
    if (m_c && m_window)
        m_c->setupDate->setText(QString::fromLatin1(kModes[s.timeDisp]));
    UpdateTable();
}

void SettingsWindow::CheckAll_Click()
{
    m_services.core.checkAllNow();
}

void SettingsWindow::EnableButtons(bool on)
{
    m_c->checkForMail->setEnabled(on);
    m_c->editServer->setEnabled(on);
    m_c->removeServer->setEnabled(on);
}

void SettingsWindow::SetupButtons()
{
    if (m_c && m_window)
        EnableButtons(!m_c->servers->selectedItems().isEmpty());
}

bool SettingsWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_c || !m_c->servers || watched != m_c->serversViewport)
        return QObject::eventFilter(watched, event);
    Settings& s = m_services.store;
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (m_c->servers->itemAt(mouse->position().toPoint())) {
            s.onItemClick = true;
            s.justClicked = true;
            EnableButtons(true);
        }
        if (s.justClicked)
            s.justClicked = false;
        else
            s.onItemClick = false;
    } else if (event->type() == QEvent::MouseButtonDblClick) {
        // The second press of a double-click comes as this event alone.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (QTreeWidgetItem* item = m_c->servers->itemAt(mouse->position().toPoint())) {
            s.onItemClick = true;
            m_c->servers->setCurrentItem(item);
        }
        if (s.onItemClick) {
            // The row is selected by the press before; edit it once the
            // click has been handled.
            QMetaObject::invokeMethod(this, &SettingsWindow::editSelected, Qt::QueuedConnection);
        } else {
            m_c->servers->clearSelection();
            m_c->servers->setCurrentItem(nullptr);
            EnableButtons(false);
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}

static QTreeWidgetItem* selectedRow(QTreeWidget* table)
{
    const auto rows = table->selectedItems();
    return rows.isEmpty() ? nullptr : rows.first();
}

void SettingsWindow::checkSelected()
{
    QTreeWidgetItem* row = selectedRow(m_c->servers);
    if (!row)
        return;
    m_services.core.setAnnounced(false);
    m_services.core.forgetPlayedSounds();
    const int position = GetServerIndex(row->text(0));
    if (position > 0)
        m_services.core.CheckAccount(m_services.accounts.at(position - 1));
    if (m_c)
        m_c->servers->setFocus();
}

void SettingsWindow::addAccount()
{
    openDialog(false);
}

void SettingsWindow::editSelected()
{
    if (!m_c || !selectedRow(m_c->servers))
        return;
    openDialog(true);
}

void SettingsWindow::openDialog(bool edit)
{
    if (m_dialog)
        return;
    m_dialog = new dChange({m_services.accounts, m_services.newAccount, m_services.messages,
                            m_services.files, m_services.profiles},
                           *this, m_window);
    m_dialog->setWindowFlag(Qt::Dialog);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (edit) {
        m_dialog->SetServer(GetServerIndex(selectedRow(m_c->servers)->text(0)));
        m_dialog->SetupAsEdit();
    } else {
        m_dialog->SetupAsAdd();
    }
    connect(m_dialog, &QDialog::finished, this, [this](int result) {
        // Unloaded: the next opening starts from a fresh dialog.
        m_dialog.clear();
        if (result == QDialog::Accepted)
            changed();
        if (m_c && m_window) {
            m_c->servers->setFocus();
            SetupButtons();
        }
    });
    // Modal, but without a nested event loop: the caller goes on at once.
    m_dialog->open();
}

void SettingsWindow::removeSelected()
{
    QTreeWidgetItem* row = selectedRow(m_c->servers);
    if (!row)
        return;
    const QString name = row->text(0);
    if (!m_services.messages.askYesNo(QStringLiteral("Remove Account"),
                                      QStringLiteral("Are you sure you want to remove ") + name +
                                          QStringLiteral(" from the list?")))
        return;
    const int position = GetServerIndex(name);
    if (position > 0)
        m_services.accounts.remove(m_services.accounts.at(position - 1));
    RefreshServerList();
    if (m_c && m_window) {
        m_c->servers->setFocus();
        SetupButtons();
    }
    m_services.core.AfterAccountRemoved();
    changed();
}

void SettingsWindow::fillRow(QTreeWidgetItem* row, const server& account)
{
    row->setText(1, account.NewMail() ? QStringLiteral("Yes") : QStringLiteral("No"));
    row->setText(2, account.LastChecked());
    row->setText(3, account.GetLastDetail());
}

void SettingsWindow::RefreshServerList()
{
    if (m_c && m_window) {
        m_c->servers->clear();
        for (const auto& account : m_services.accounts) {
            auto* row = new QTreeWidgetItem(m_c->servers, {account->GetName()});
            fillRow(row, *account);
        }
        SetupButtons();
    }
    m_services.quickView.RefreshServerList();
}

void SettingsWindow::UpdateTableItem(const QString& inServer)
{
    const int position = GetServerIndex(inServer);
    const int rowNumber = GetIndexFromTable(inServer);
    if (position > 0 && rowNumber > 0)
        fillRow(m_c->servers->topLevelItem(rowNumber - 1), m_services.accounts.at(position - 1));
    m_services.quickView.UpdateTableItem(inServer);
}

void SettingsWindow::UpdateTable()
{
    // The table's rows are the accounts in list order; walking the list
    // reaches Quick View's rows also while this window is closed.
    for (const auto& account : m_services.accounts)
        UpdateTableItem(account->GetName());
}

int SettingsWindow::GetIndexFromTable(const QString& inServer) const
{
    if (!m_c || !m_window)
        return 0;
    for (int i = 0; i < m_c->servers->topLevelItemCount(); ++i) {
        if (m_c->servers->topLevelItem(i)->text(0) == inServer)
            return i + 1;
    }
    return 0;
}

int SettingsWindow::GetServerIndex(const QString& serverName) const
{
    for (int i = 0; i < m_services.accounts.size(); ++i) {
        if (m_services.accounts.at(i).GetName() == serverName)
            return i + 1;
    }
    return 0;
}

// ---- General page --------------------------------------------------------

QWidget* SettingsWindow::buildGeneral()
{
    auto* page = named(new QWidget, "mGeneral");
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(3);

    m_c->eprog = named(new QLineEdit, "EprogTxt");
    auto* browse1 = named(new QPushButton(QStringLiteral("Browse")), "Browse1");
    browse1->setAccessibleName(QStringLiteral("Browse for the e-mail program"));
    auto* byDefault = named(new QPushButton(QStringLiteral("Default")), "cmdDefault");
    grid->addWidget(labelFor(m_c->eprog, "Label1", "Favorite E-Mail Program:"), 0, 0, 1, 3);
    grid->addWidget(m_c->eprog, 1, 0);
    grid->addWidget(browse1, 1, 1);
    grid->addWidget(byDefault, 1, 2);

    m_c->wave = named(new QLineEdit, "WaveFileTxt");
    auto* browse2 = named(new QPushButton(QStringLiteral("Browse")), "Browse2");
    browse2->setAccessibleName(QStringLiteral("Browse for the wave file"));
    m_c->play = named(new QPushButton(QStringLiteral("Play")), "cmdTest");
    grid->addWidget(labelFor(m_c->wave, "Label2", "Wave File:"), 2, 0, 1, 3);
    grid->addWidget(m_c->wave, 3, 0);
    grid->addWidget(browse2, 3, 1);
    grid->addWidget(m_c->play, 3, 2);

    auto box = [](const char* name, const char* caption) {
        return named(new QCheckBox(QString::fromLatin1(caption)), name);
    };
    m_c->startup = box("chkStartup", "Load Orvane on windows start.");
    m_c->checkOnStart = box("StartupChk", "Check for mail on startup.");
    m_c->playWave = box("PlayWaveChk", "Play sound on mail found.");
    m_c->showPopup = box("cbShowPopup", "Show popup window on mail found.");
    m_c->flash = box("cbFlashScrollLock", "Flash scroll lock keyboard light on mail found.");
    auto* boxes = new QGridLayout;
    boxes->setVerticalSpacing(2);
    boxes->addWidget(m_c->startup, 0, 0);
    boxes->addWidget(m_c->checkOnStart, 0, 1);
    boxes->addWidget(m_c->playWave, 1, 0);
    boxes->addWidget(m_c->showPopup, 1, 1);
    boxes->addWidget(m_c->flash, 2, 0, 1, 2);
    grid->addLayout(boxes, 4, 0, 1, 3);

    auto* actions = named(new QGroupBox(QStringLiteral("Actions")), "Frame2");
    m_c->help->add(actions, {});
    m_c->mailFound = named(new QComboBox, "cmbMailFound");
    m_c->doubleClick = named(new QComboBox, "cmbDoubleClick");
    auto* actionLayout = new QVBoxLayout(actions);
    actionLayout->setSpacing(2);
    actionLayout->addWidget(labelFor(m_c->mailFound, "lblMailFound", "When mail is found :"));
    actionLayout->addWidget(m_c->mailFound);
    actionLayout->addWidget(
        labelFor(m_c->doubleClick, "lblDoubleClick", "On double-click of the system tray icon :"));
    actionLayout->addWidget(m_c->doubleClick);
    grid->addWidget(actions, 5, 0, 1, 3);
    grid->setRowStretch(6, 1);

    HoverHelp& help = *m_c->help;
    help.add(m_c->eprog, QStringLiteral("Enter the path and filename to your favorite e-mail "
                                        "program.  Try browsing."));
    help.add(browse1, QStringLiteral("Click to browse for the e-mail program executable file."));
    help.add(byDefault, QStringLiteral("Click to use your system's default E-Mail client."));
    help.add(m_c->wave, QStringLiteral("Enter the path and filename to the default notification "
                                       "sound file.  Try browsing."));
    help.add(browse2,
             QStringLiteral("Click to browse for the wave file to use when mail is found."));
    help.add(m_c->play, QStringLiteral("Click to play the wave file you've selected."));
    help.add(m_c->playWave,
             QStringLiteral("If checked, the wave file selected will play when mail is found."));
    help.add(m_c->startup, QStringLiteral("Select this to run Orvane when your computer boots."));
    help.add(m_c->checkOnStart,
             QStringLiteral("If checked, all servers will be checked for mail on startup."));

    Settings& s = m_services.store;
    connect(m_c->eprog, &QLineEdit::textChanged, this, &SettingsWindow::eprogChanged);
    connect(m_c->wave, &QLineEdit::textChanged, this, &SettingsWindow::waveChanged);
    connect(browse1, &QPushButton::clicked, this, [this] {
        const auto chosen = m_services.files.openFile(
            QStringLiteral("Choose Favorite E-Mail Program"),
            m_services.store.StripQuotes(m_c->eprog->text()), QStringLiteral("Programs (*)"));
        if (chosen)
            m_c->eprog->setText(QLatin1Char('"') + *chosen + QLatin1Char('"'));
    });
    connect(byDefault, &QPushButton::clicked, this, [this] {
        m_services.store.GetDefaultEprog(true);
        if (m_c && m_window)
            m_c->eprog->setText(m_services.store.eprogFilename);
    });
    connect(browse2, &QPushButton::clicked, this, [this] {
        const auto chosen =
            m_services.files.openFile(QStringLiteral("Choose Wave File"), m_c->wave->text(),
                                      QStringLiteral("Wave Files (*.wav)"));
        if (chosen)
            m_c->wave->setText(*chosen);
    });
    connect(m_c->play, &QPushButton::clicked, this,
            [this] { m_services.core.PlaySoundOnce(m_services.store.GetSoundFile(), true); });
    connect(m_c->startup, &QCheckBox::toggled, this, [this](bool on) {
        m_services.startAtLogon.setStartAtLogon(on);
        changed();
    });
    auto option = [this](QCheckBox* b, bool& field) {
        connect(b, &QCheckBox::toggled, this, [this, &field](bool on) {
            field = on;
            changed();
        });
    };
    option(m_c->checkOnStart, s.bStartup);
    option(m_c->playWave, s.bPlaywave);
    option(m_c->showPopup, s.showPopupWindow);
    connect(m_c->flash, &QCheckBox::toggled, this, [this](bool on) {
        m_services.store.flashScrollLock = on;
        if (on && m_services.core.announced())
            m_services.displays.Flash(true);
        else if (!on)
            m_services.displays.Flash(false);
        changed();
    });
    connect(m_c->mailFound, &QComboBox::activated, this, [this](int index) {
        m_services.store.wMailFound = index != 0;
        changed();
    });
    connect(m_c->doubleClick, &QComboBox::activated, this, [this](int index) {
        m_services.store.wMailClick = index;
        changed();
    });
    return page;
}

void SettingsWindow::eprogChanged()
{
    m_services.store.eprogFilename = m_c->eprog->text();
    // The tray menu asks ValidEProg when it opens: its run command follows.
    paintValid(m_c->eprog, m_services.store.ValidEProg());
    changed();
}

void SettingsWindow::waveChanged()
{
    const bool exists = QFile::exists(m_c->wave->text());
    paintValid(m_c->wave, exists);
    m_c->play->setEnabled(exists);
    m_services.store.waveFilename = m_c->wave->text();
    changed();
}

void SettingsWindow::ShowSettings()
{
    const Settings& s = m_services.store;
    // The controls show the options; nothing is stored or switched again.
    const QSignalBlocker blockers[] = {
        QSignalBlocker(m_c->eprog),    QSignalBlocker(m_c->wave),
        QSignalBlocker(m_c->startup),  QSignalBlocker(m_c->checkOnStart),
        QSignalBlocker(m_c->playWave), QSignalBlocker(m_c->showPopup),
        QSignalBlocker(m_c->flash),    QSignalBlocker(m_c->animate),
        QSignalBlocker(m_c->onTop),
    };
    m_c->wave->setText(s.waveFilename);
    m_c->eprog->setText(s.eprogFilename);
    m_c->playWave->setChecked(s.bPlaywave);
    m_c->checkOnStart->setChecked(s.bStartup);
    m_c->startup->setChecked(m_services.startAtLogon.startAtLogon());
    m_c->showPopup->setChecked(s.showPopupWindow);
    m_c->flash->setChecked(s.flashScrollLock);
    m_c->animate->setChecked(s.animateOn);
    m_c->onTop->setChecked(m_services.quickBar.IsOnTop());
    paintValid(m_c->eprog, s.ValidEProg());
    const bool waveExists = QFile::exists(s.waveFilename);
    paintValid(m_c->wave, waveExists);
    m_c->play->setEnabled(waveExists);
}

void SettingsWindow::FillActionLists()
{
    const Settings& s = m_services.store;
    m_c->mailFound->clear();
    m_c->mailFound->addItems(
        {QStringLiteral("Display the correct system tray icon indicating mail was found."),
         QString::fromLatin1(kRunAndClear)});
    m_c->mailFound->setCurrentIndex(s.wMailFound ? 1 : 0);
    m_c->doubleClick->clear();
    m_c->doubleClick->addItems({QString::fromLatin1(kRunAndClear),
                                QStringLiteral("Display Settings dialog (this window)."),
                                QStringLiteral("Display the Quick View Dialog."),
                                QStringLiteral("Open/Close Quick Bar.")});
    m_c->doubleClick->setCurrentIndex(s.wMailClick);
}

// ---- Skins page ----------------------------------------------------------

QWidget* SettingsWindow::buildSkins()
{
    auto* page = named(new QWidget, "mSkins");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* tray =
        named(new QGroupBox(QStringLiteral("System Tray Icon Skin Configuration")), "Frame5");
    m_c->help->add(tray, {});
    m_c->skin = named(new QComboBox, "SkinCombo");
    auto* refresh = named(new QPushButton(QStringLiteral("Refresh")), "bRefresh");
    refresh->setAccessibleName(QStringLiteral("Refresh tray skins"));
    m_c->animate = named(new QCheckBox(QStringLiteral("Animate when mail is found (If Available)")),
                         "AnimChk");
    auto* trayGrid = new QGridLayout(tray);
    trayGrid->addWidget(labelFor(m_c->skin, "Label3", "Use Skin:"), 0, 0);
    trayGrid->addWidget(m_c->skin, 0, 1);
    trayGrid->addWidget(refresh, 0, 2);
    trayGrid->addWidget(m_c->animate, 1, 0, 1, 3);
    trayGrid->setColumnStretch(1, 1);
    layout->addWidget(tray);

    auto* bar = named(new QGroupBox(QStringLiteral("QuickBar Skin Configuration")), "Frame6");
    m_c->help->add(bar, {});
    m_c->qbSkin = named(new QComboBox, "cmbQBSkin");
    auto* refreshBar = named(new QPushButton(QStringLiteral("Refresh")), "cmdRefreshQuickBar");
    refreshBar->setAccessibleName(QStringLiteral("Refresh Quick Bar skins"));
    m_c->onTop =
        named(new QCheckBox(QStringLiteral("QuickBar is always on top of windows.")), "cbOnTop");
    auto* reset = named(new QPushButton(QStringLiteral("Reset Position")), "cmdResetPos");
    auto* barGrid = new QGridLayout(bar);
    barGrid->addWidget(labelFor(m_c->qbSkin, "Label4", "Use Skin:"), 0, 0);
    barGrid->addWidget(m_c->qbSkin, 0, 1);
    barGrid->addWidget(refreshBar, 0, 2);
    barGrid->addWidget(m_c->onTop, 1, 0, 1, 2);
    barGrid->addWidget(reset, 1, 2);
    barGrid->setColumnStretch(1, 1);
    layout->addWidget(bar);
    layout->addStretch();

    HoverHelp& help = *m_c->help;
    help.add(m_c->animate, QStringLiteral("Select this to have Orvane animate the system tray icon "
                                          "when new e-mail is found."));
    help.add(m_c->onTop, QStringLiteral("Select this to have the Quick Bar sit on top of other "
                                        "program's windows."));
    help.add(reset,
             QStringLiteral("Click to move the Quick Bar back to the upper left-hand corner."));
    help.add(refreshBar, QStringLiteral("Click to refresh the Quick Bar skin list to the left of "
                                        "this button."));
    help.add(refresh,
             QStringLiteral("Click to refresh the skins list to the left of this button."));

    connect(m_c->skin, &QComboBox::activated, this, [this](int index) {
        m_services.skinDriver.UseSkinIndex(index);
        changed();
    });
    connect(refresh, &QPushButton::clicked, this, [this] {
        m_services.skinDriver.RescanSkins();
        FillComboBox();
    });
    connect(m_c->animate, &QCheckBox::toggled, this, [this](bool on) {
        m_services.store.animateOn = on;
        if (m_services.skinDriver.Created())
            m_services.skinDriver.Update();
        changed();
    });
    connect(m_c->qbSkin, &QComboBox::activated, this, [this](int index) {
        m_services.quickBar.UseSkin(m_c->qbSkin->itemText(index));
        changed();
    });
    connect(refreshBar, &QPushButton::clicked, this, [this] {
        m_services.quickBar.RescanSkins();
        FillQBSkins();
    });
    connect(m_c->onTop, &QCheckBox::toggled, this, [this](bool on) {
        m_services.quickBar.SetOnTop(on);
        changed();
    });
    connect(reset, &QPushButton::clicked, this, [this] {
        m_services.quickBar.ResetSkinPos();
        changed();
    });
    return page;
}

void SettingsWindow::FillComboBox()
{
    if (!m_c || !m_window)
        return;
    m_c->skin->clear();
    m_c->skin->addItems(m_services.skinDriver.GetSkinNames());
    m_c->skin->setCurrentIndex(m_services.skinDriver.GetActiveSkinIndex());
}

void SettingsWindow::FillQBSkins()
{
    if (!m_c || !m_window)
        return;
    m_c->qbSkin->clear();
    m_c->qbSkin->addItems(m_services.quickBar.GetSkinNames());
    m_c->qbSkin->setCurrentIndex(m_services.quickBar.GetActiveSkinIndex());
}

void SettingsWindow::syncOnTop()
{
    if (!m_c || !m_window)
        return;
    const QSignalBlocker blocker(m_c->onTop);
    m_c->onTop->setChecked(m_services.quickBar.IsOnTop());
}

// ---- Links and About pages -----------------------------------------------

QWidget* SettingsWindow::buildLinks()
{
    auto* page = named(new QWidget, "mLinks");
    auto* layout = new QVBoxLayout(page);
    struct Link
    {
        const char* name;
        const char* caption;
        const char* menuId;
        const char* hint;
    };
    constexpr Link kLinks[] = {
        {"webSkins", "Get More Skins", "stMenuGetSkins", "Click to get more skins for Orvane."},
        {"webNuvari", "Nuvari's Website", "stMenuNuvari", "Click to goto Nuvari's Website."},
        {"webOrvane", "Orvane's Website", "stMenuOrvane", "Click to goto Orvane's Website."},
        {"webSupport", "Nuvari Support", "stMenuSupport",
         "Click here to get information about support from Nuvari."},
        {"webDonate", "Help Nuvari - DONATE", "stMenuDonate",
         "If you enjoy using this product, please support it.  Click here for more information."},
    };
    auto* image = named(new QLabel, "Image1");
    image->setPixmap(QIcon(QStringLiteral(":/icons/102.png")).pixmap(48, 48));
    m_c->help->add(image, {});
    auto* row = new QHBoxLayout;
    auto* links = new QVBoxLayout;
    for (const Link& link : kLinks) {
        auto* b = named(new QPushButton(QString::fromLatin1(link.caption)), link.name);
        b->setFlat(true);
        b->setCursor(Qt::PointingHandCursor);
        b->setStyleSheet(QStringLiteral("QPushButton { color: palette(link); text-decoration: "
                                        "underline; text-align: left; padding: 2px 4px; }"));
        m_c->help->add(b, QString::fromLatin1(link.hint));
        const QString id = QString::fromLatin1(link.menuId);
        connect(b, &QPushButton::clicked, this, [this, id] {
            if (m_services.openPage)
                m_services.openPage(id);
        });
        links->addWidget(b);
    }
    links->addStretch();
    row->addLayout(links, 1);
    row->addWidget(image, 0, Qt::AlignTop);
    layout->addLayout(row);
    return page;
}

QWidget* SettingsWindow::buildAbout()
{
    auto* page = named(new QWidget, "mAbout");
    auto* layout = new QVBoxLayout(page);
    auto* picture = named(new QLabel, "aboutPicture");
    picture->setPixmap(QIcon(QStringLiteral(":/icons/101.png")).pixmap(64, 64));
    picture->setAlignment(Qt::AlignCenter);
    auto* text = named(new QLabel(QStringLiteral("Orvane 1.6\nA desktop e-mail notifier.\n"
                                                 "It counts your mail; it never downloads it.")),
                       "aboutText");
    text->setAlignment(Qt::AlignCenter);
    auto* license = named(new QPushButton(QStringLiteral("License")), "cmdLicense");
    layout->addStretch();
    layout->addWidget(picture);
    layout->addWidget(text);
    layout->addWidget(license, 0, Qt::AlignHCenter);
    layout->addStretch();
    connect(license, &QPushButton::clicked, this, [this] {
        if (m_license)
            return;
        m_license = new FLicense(m_window);
        m_license->open();
    });
    return page;
}

} // namespace orvane
