#include "HoverHelp.h"
#include "Settings.h"
#include "SettingsWindow.h"
#include "SettingsWindowParts.h"
#include "core/AccountList.h"
#include "core/MailCore.h"
#include "core/server.h"
#include "dChange.h"
#include "display/AccountTableModel.h"
#include "display/AccountTableView.h"
#include "display/QuickView.h"
#include "platform/MessageBoxes.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

// The Accounts page: the table of accounts and the buttons under it.

namespace orvane {

using namespace settingsparts;

QWidget* SettingsWindow::buildAccounts()
{
    auto* page = named(new QWidget, "mAccounts");
    auto* frame = named(new QGroupBox(QStringLiteral("Account List")), "Frame1");
    m_c->help->add(frame, {});
    m_c->servers = named(new AccountTableView, "Servers");
    AccountTableView* table = m_c->servers;
    table->setAccessibleName(QStringLiteral("Account List"));
    m_c->rows = new AccountTableModel(&m_services.accounts, table);
    table->setModel(m_c->rows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setAllColumnsShowFocus(true);
    m_c->serversViewport = table->viewport();
    m_c->serversViewport->installEventFilter(this);
    m_c->help->add(table, QStringLiteral("This is the list of accounts.  You can double click on "
                                         "an account to open its settings window."));
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SettingsWindow::SetupButtons);
    connect(m_c->rows, &QAbstractItemModel::modelReset, this, &SettingsWindow::SetupButtons);
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
    if (m_c && m_window) {
        const QString mode = QString::fromLatin1(kModes[s.timeDisp]);
        m_c->setupDate->setText(mode);
        // The caption is the mode; the name says what the mode is of.
        m_c->setupDate->setAccessibleName(QStringLiteral("Date display: ") + mode);
    }
    UpdateTable();
    // Quick View shows the times in the same mode.
    m_services.quickView.UpdateTable();
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
        EnableButtons(m_c->servers->selectionModel()->hasSelection());
}

bool SettingsWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_c || !m_c->servers || watched != m_c->serversViewport)
        return QObject::eventFilter(watched, event);
    Settings& s = m_services.store;
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (m_c->servers->indexAt(mouse->position().toPoint()).isValid()) {
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
        if (const QModelIndex row = m_c->servers->indexAt(mouse->position().toPoint());
            row.isValid()) {
            s.onItemClick = true;
            m_c->servers->setCurrentIndex(row);
        }
        if (s.onItemClick) {
            // The row is selected by the press before; edit it once the
            // click has been handled.
            QMetaObject::invokeMethod(this, &SettingsWindow::editSelected, Qt::QueuedConnection);
        } else {
            m_c->servers->clearSelection();
            m_c->servers->setCurrentIndex({});
            EnableButtons(false);
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}

int SettingsWindow::selectedRow() const
{
    if (!m_c)
        return -1;
    const QModelIndexList rows = m_c->servers->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void SettingsWindow::checkSelected()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    m_services.core.setAnnounced(false);
    m_services.core.forgetPlayedSounds();
    const int position = GetServerIndex(m_c->rows->nameAt(row));
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
    if (selectedRow() < 0)
        return;
    openDialog(true);
}

void SettingsWindow::openDialog(bool edit)
{
    if (m_dialog)
        return;
    m_dialog =
        new dChange({m_services.accounts, m_services.newAccount, m_services.messages,
                     m_services.files, m_services.profiles, m_services.trust, m_services.signIn},
                    *this, m_window);
    m_dialog->setWindowFlag(Qt::Dialog);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (edit) {
        m_dialog->SetServer(GetServerIndex(m_c->rows->nameAt(selectedRow())));
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
    const int row = selectedRow();
    if (row < 0)
        return;
    const QString name = m_c->rows->nameAt(row);
    if (!m_services.messages.askYesNo(QStringLiteral("Remove Account"),
                                      QStringLiteral("Are you sure you want to remove ") + name +
                                          QStringLiteral(" from the list?")))
        return;
    // The answer belongs to the window: closed while asking (a shutdown),
    // nothing is removed.
    if (!m_c)
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

void SettingsWindow::RefreshServerList()
{
    if (m_c && m_window)
        m_c->rows->rebuild();
    m_services.quickView.RefreshServerList();
}

void SettingsWindow::UpdateTableItem(const QString& inServer)
{
    // Called for every account on every check and clear: the row is only
    // marked, and drawn when painted.
    if (m_c && m_window)
        m_c->rows->accountChanged(inServer);
}

void SettingsWindow::UpdateTable()
{
    if (m_c && m_window)
        m_c->rows->allChanged();
}

int SettingsWindow::GetIndexFromTable(const QString& inServer) const
{
    if (!m_c || !m_window)
        return 0;
    return m_c->rows->rowOf(inServer) + 1;
}

int SettingsWindow::GetServerIndex(const QString& serverName) const
{
    for (int i = 0; i < m_services.accounts.size(); ++i) {
        if (m_services.accounts.at(i).GetName() == serverName)
            return i + 1;
    }
    return 0;
}

} // namespace orvane
