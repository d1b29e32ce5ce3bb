#include "HoverHelp.h"
#include "Settings.h"
#include "SettingsWindow.h"
#include "SettingsWindowParts.h"
#include "core/AccountList.h"
#include "core/MailCore.h"
#include "core/server.h"
#include "dChange.h"
#include "display/QuickView.h"
#include "platform/MessageBoxes.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

// The Accounts page: the table of accounts and the buttons under it.

namespace orvane {

using namespace settingsparts;

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
    m_dialog =
        new dChange({m_services.accounts, m_services.newAccount, m_services.messages,
                     m_services.files, m_services.profiles, m_services.trust, m_services.signIn},
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

void SettingsWindow::fillRow(QTreeWidgetItem* row, const server& account)
{
    RowRedraws::setText(*row, 1, account.NewMail() ? QStringLiteral("Yes") : QStringLiteral("No"));
    RowRedraws::setText(*row, 2, m_redraws.lastChecked(account));
    RowRedraws::setText(*row, 3, account.GetLastDetail());
}

void SettingsWindow::RefreshServerList()
{
    if (m_c && m_window) {
        m_c->servers->clear();
        m_c->rowOf.clear();
        m_redraws.clear();
        for (const auto& account : m_services.accounts) {
            m_c->rowOf.insert(account->GetName(), m_c->servers->topLevelItemCount());
            auto* row = new QTreeWidgetItem(m_c->servers, {account->GetName()});
            fillRow(row, *account);
        }
        SetupButtons();
    }
    m_services.quickView.RefreshServerList();
}

bool SettingsWindow::rowsMatchAccounts() const
{
    return m_c->servers->topLevelItemCount() == m_services.accounts.size() &&
           m_c->rowOf.size() == m_services.accounts.size();
}

void SettingsWindow::UpdateTableItem(const QString& inServer)
{
    // Called for every account on every check and clear: a row is found by
    // its number, never by walking the list or the table, and drawn at the
    // next turn of the event loop.
    if (!m_c || !m_window)
        return;
    const int row = m_c->rowOf.value(inServer, -1);
    if (row < 0) {
        // An account the table has not met yet: the list changed.
        if (!rowsMatchAccounts())
            RefreshServerList();
        return;
    }
    if (!rowsMatchAccounts() || m_services.accounts.at(row).GetName() != inServer) {
        RefreshServerList();
        return;
    }
    m_redraws.add(row);
}

void SettingsWindow::drawWaitingRows()
{
    if (!m_c || !m_window) {
        m_redraws.clear();
        return;
    }
    if (!rowsMatchAccounts()) {
        RefreshServerList();
        return;
    }
    RowRedraws::fillRows(*m_c->servers, m_redraws.take(), [this](int row) {
        fillRow(m_c->servers->topLevelItem(row), m_services.accounts.at(row));
    });
}

void SettingsWindow::UpdateTable()
{
    if (!m_c || !m_window)
        return;
    if (!rowsMatchAccounts()) {
        RefreshServerList();
        return;
    }
    m_redraws.clear();
    for (int row = 0; row < m_services.accounts.size(); ++row)
        fillRow(m_c->servers->topLevelItem(row), m_services.accounts.at(row));
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

} // namespace orvane
