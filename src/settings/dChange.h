#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QWidget;

namespace orvane {

class AccountList;
class CertificateTrust;
class Clock;
class OAuthSignIn;
class OAuthTokens;
struct OAuthGrant;
struct OAuthProvider;
class UrlOpener;
class FileDialogs;
class HoverHelp;
class MessageBoxes;
class SettingsWindow;
class server;
struct ServerAddress;

/// What the account dialog needs to sign an account in with its provider.
struct ProviderSignInServices
{
    OAuthTokens& tokens;
    /// The desktop's way of opening the provider's page.
    UrlOpener& browser;
    Clock& clock;
};

/// What the account dialog works with.
struct AccountDialogServices
{
    AccountList& accounts;
    /// A new account bound to the check cycle.
    std::function<std::unique_ptr<server>()> newAccount;
    MessageBoxes& messages;
    FileDialogs& files;
    /// The mail-store profiles, the default one first; empty when none.
    std::function<QStringList()> profiles;
    /// The certificates trusted per account; null: the dialog offers none.
    CertificateTrust* trust = nullptr;
    /// Null: every account signs in with its password.
    const ProviderSignInServices* signIn = nullptr;
};

/// The dialog in which the user adds an account or changes one. Each opening
/// starts from a fresh dialog; "Set" writes the account and closes it.
class dChange : public QDialog
{
    Q_OBJECT
public:
    static constexpr const char* kPop3 = "POP3";
    static constexpr const char* kWindowsAccount = "MS Exchange - Windows Account";
    static constexpr const char* kUserPassword = "MS Exchange - Username/Password";
    static constexpr const char* kEmptyProfile = "<Empty>";
    static constexpr const char* kImap = "IMAP";
    /// The "Security:" list, in order.
    static constexpr const char* kTls = "TLS";
    static constexpr const char* kStartTls = "STARTTLS";
    static constexpr const char* kNoSecurity = "None - password sent unencrypted";
    static constexpr const char* kTrustButton = "Trust this certificate";
    static constexpr const char* kSignedIn = "Signed in.";
    static constexpr const char* kSigningIn = "Waiting for the browser...";
    static constexpr const char* kCancelSignIn = "Cancel Sign-In";

    dChange(AccountDialogServices services, SettingsWindow& settings, QWidget* parent = nullptr);
    ~dChange() override;

    void SetupAsAdd();
    void SetupAsEdit();
    /// Fills the dialog from the account at `position` (from 1) of the list.
    void SetServer(int position);
    bool isEditing() const { return m_edit; }

    /// The time-out and interval lists: the entry for a number of seconds
    /// (the last one for a number not in the list) and back.
    static int timeoutIndex(int seconds);
    static int timeoutSeconds(int index);
    static int intervalIndex(int seconds);
    static int intervalSeconds(int index);
    /// Account001, Account002, ...: the first name no account has in any case.
    static QString proposeName(const AccountList& accounts);

private:
    void build();
    void load();
    void typeChanged(bool byUser);
    void minClicked();
    void soundClicked();
    void fileChanged();
    void browse();
    void fold();
    void set();
    bool check();
    void enable(QWidget* label, QLineEdit* box, bool on);
    bool isMailbox() const;
    bool isWebMail() const;
    /// Fills kind, server, security and folder from a line that names its
    /// protocol; false for any other line.
    bool takeApart(const QString& line);
    void addressEdited();
    void securityRows();
    /// The address the line will hold for the mailbox kinds: a protocol's
    /// line, or for POP3 a plain host kept as typed (`Protocol::Other`).
    ServerAddress composed() const;
    /// The address line "Set" writes; empty when it cannot be written.
    QString addressLine() const;
    void showCertificate();
    void trustCertificate();
    /// The provider the account would sign in with, or null for a password.
    const OAuthProvider* provider() const;
    /// The server's host name, as the providers' host lists name it.
    QString providerHost() const;
    void signInRows();
    void signInClicked();
    void signInEnded(const QString& failure);
    /// Writes the account and closes the dialog.
    void write();

    AccountDialogServices m_services;
    SettingsWindow& m_settings;
    bool m_edit = false;
    QString m_previousName;
    bool m_minOn = false;
    bool m_folded = false;
    bool m_filling = false;
    /// False only while an existing plain POP3 host keeps its own meaning:
    /// true for a new account, a line naming its security, or a pick.
    bool m_securityChosen = false;
    bool m_syncing = false;
    QString m_certificateKey;
    QByteArray m_certificateDigest;
    /// The account signs in with its provider already (being edited, host
    /// and user name as loaded).
    bool m_signedInBefore = false;
    QString m_loadedHost;
    QString m_loadedUser;
    /// What this dialog's sign-in gave, until "Set" keeps it.
    std::unique_ptr<OAuthGrant> m_grant;
    QString m_grantHost;
    QString m_grantUser;
    std::unique_ptr<OAuthSignIn> m_signIn;

    QLineEdit* m_name = nullptr;
    QComboBox* m_type = nullptr;
    QLabel* m_addrLabel = nullptr;
    QLineEdit* m_addr = nullptr;
    QLabel* m_userLabel = nullptr;
    QLineEdit* m_user = nullptr;
    QLabel* m_passLabel = nullptr;
    QLineEdit* m_pass = nullptr;
    QWidget* m_signInRow = nullptr;
    QPushButton* m_signInButton = nullptr;
    QLabel* m_signInText = nullptr;
    QFormLayout* m_form = nullptr;
    QComboBox* m_security = nullptr;
    QLabel* m_noneNote = nullptr;
    QLineEdit* m_folder = nullptr;
    QWidget* m_certificate = nullptr;
    QLabel* m_certificateText = nullptr;
    QPushButton* m_trust = nullptr;
    QComboBox* m_timeout = nullptr;
    QComboBox* m_interval = nullptr;
    QGroupBox* m_profileFrame = nullptr;
    QComboBox* m_profile = nullptr;
    QPushButton* m_advancedButton = nullptr;
    QWidget* m_advanced = nullptr;
    QCheckBox* m_min = nullptr;
    QLineEdit* m_minNumber = nullptr;
    QCheckBox* m_newOnly = nullptr;
    QCheckBox* m_sound = nullptr;
    QLabel* m_fileLabel = nullptr;
    QLineEdit* m_file = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QStatusBar* m_status = nullptr;
    HoverHelp* m_help = nullptr;
};

} // namespace orvane
