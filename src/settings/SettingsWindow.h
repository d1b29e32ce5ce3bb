#pragma once

#include "FLicense.h"
#include "dChange.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QStatusBar;

namespace orvane {

class AccountList;
class AccountSecrets;
class CertificateTrust;
class FileDialogs;
class HoverHelp;
class Indicators;
class MailCore;
class MessageBoxes;
class QuickBar;
class QuickView;
class Settings;
class SkinDriver;
class StartAtLogon;
class server;

/// What the settings window works with.
struct SettingsWindowServices
{
    Settings& store;
    AccountList& accounts;
    MailCore& core;
    std::function<std::unique_ptr<server>()> newAccount;
    StartAtLogon& startAtLogon;
    SkinDriver& skinDriver;
    QuickBar& quickBar;
    QuickView& quickView;
    /// The displays' fan-out: the flash box reaches the keyboard light here.
    Indicators& displays;
    MessageBoxes& messages;
    FileDialogs& files;
    /// Opens one of the pages the tray menu's items open, by the item's id.
    std::function<void(const QString& menuId)> openPage;
    /// The mail-store profiles for the account dialog, default first.
    std::function<QStringList()> profiles;
    /// An account or an option was changed by the user.
    std::function<void()> changed;
    /// The certificates trusted per account, for the account dialog.
    CertificateTrust* trust = nullptr;
    /// Where the passwords live: the General page's option and notice.
    AccountSecrets* secrets = nullptr;
    /// Signing accounts in with their provider, for the account dialog.
    const ProviderSignInServices* signIn = nullptr;
};

/// The settings window. The options live in the store; the window is made
/// each time it is shown and destroyed when closed, and every change on a
/// page takes effect at once.
class SettingsWindow : public QObject
{
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Orvane - Settings";

    explicit SettingsWindow(SettingsWindowServices services, QObject* parent = nullptr);
    ~SettingsWindow() override;

    bool isShown() const;
    /// Creates the window when needed, shows it and brings it to the front.
    void Show();
    /// Closes the account dialog if open, then destroys the window.
    void CloseMe();
    void DoAbout();
    bool isNoticeShowing() const;
    /// The window while it exists (for tests and screenshots).
    QWidget* widget() const { return m_window; }
    dChange* accountDialog() const { return m_dialog; }

    void RefreshServerList();
    void UpdateTable();
    void UpdateTableItem(const QString& inServer);
    /// Row number from 1 whose name is `inServer`, 0 when none.
    int GetIndexFromTable(const QString& inServer) const;
    /// Position from 1 in the account list, 0 when none; exact comparison.
    int GetServerIndex(const QString& serverName) const;
    void SetupButtons();
    void ReloadSettings();
    void FillComboBox();
    void FillQBSkins();
    /// The Quick Bar's on-top state changed elsewhere: the box follows.
    void syncOnTop();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Controls;

    void create();
    void windowClosing();
    QWidget* buildAccounts();
    QWidget* buildGeneral();
    QWidget* buildSkins();
    QWidget* buildLinks();
    QWidget* buildAbout();
    void ShowSettings();
    void FillActionLists();
    void selectPage(int index);
    /// The selected row, -1 when none.
    int selectedRow() const;
    void storeWidths();
    void EnableButtons(bool on);
    void SetupDate_Click();
    void CheckAll_Click();
    void addAccount();
    void checkSelected();
    void editSelected();
    void removeSelected();
    void openDialog(bool edit);
    void eprogChanged();
    void waveChanged();
    void showKeyringNotice();
    void changed();

    SettingsWindowServices m_services;
    QPointer<QWidget> m_window;
    QPointer<dChange> m_dialog;
    QPointer<FLicense> m_license;
    /// A closed window whose deletion waits for the event loop.
    QPointer<QWidget> m_leaving;
    std::unique_ptr<Controls> m_c;
    bool m_reloading = false;
};

} // namespace orvane
