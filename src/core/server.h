#pragma once

#include <QDate>
#include <QObject>
#include <QString>
#include <QTime>
#include <memory>

namespace orvane {

class AccountHost;
class AccountWatch;
class AnsiLineReader;
class AnsiLineWriter;
class MailChecker;
class stTimer;

/// One mail account: its settings as the user entered them, its running
/// state and its message counts. It starts each check through a new
/// dispatcher and turns the reported count into "new mail" by its own rules.
class server : public QObject
{
    Q_OBJECT
public:
    explicit server(AccountHost& host, QObject* parent = nullptr);
    ~server() override;

    void CreateServer(const QString& name, const QString& address, qint16 timeout, qint16 interval,
                      const QString& userName, const QString& password, bool minOn, qint32 minCount,
                      bool customSoundOn, const QString& customSound, bool newMailOnly);
    void Deactivate();
    void Activate();

    QString GetName() const { return m_name; }
    QString GetAddress() const { return m_address; }
    qint32 GetTimeout() const { return m_timeout; }
    qint32 GetInterval() const { return m_interval; }
    QString GetUsername() const { return m_userName; }
    QString GetPassword() const { return m_password; }
    bool IsMinOn() const { return m_minOn; }
    bool IsCustWaveOn() const { return m_customSoundOn; }
    bool IsNewMailOnly() const { return m_newMailOnly; }
    QString GetCustWave() const { return m_customSound; }
    qint32 GetMin() const { return m_minCount; }
    bool IsActive() const { return m_active; }
    /// The password line the list file holds for an account that signs in
    /// with its mail provider; its refresh token is in the keyring.
    static constexpr const char* kProviderSignInLine = "*oauth2*";
    /// What such an account holds as its password: it holds line breaks, so
    /// no password a check could send is ever taken for it.
    static QString ProviderSignIn() { return QStringLiteral("\n*oauth2*\n"); }
    bool SignsInWithProvider() const { return m_password == ProviderSignIn(); }
    bool IsChecking() const { return m_checking; }
    /// Checks in a row that ended with an error or a time-out, up to now.
    qint32 failures() const { return m_failures; }
    /// The last kFailingAfter checks failed; one that succeeds clears it.
    bool IsFailing() const { return m_failures >= kFailingAfter; }
    static constexpr qint32 kFailingAfter = 3;

    void ClearCount();
    void ResetTimer();
    QString LastChecked() const;
    bool NewMail() const { return m_newMail; }
    qint64 msgCount() const;
    void GetInfo(QString& address, qint16& timeout, qint16& interval, QString& userName,
                 QString& password) const;
    void CheckMail();
    void FormatDetailMsg();
    QString GetLastDetail() const { return m_lastDetail; }
    bool UsingCustomSound() const;
    void TimoutReached();
    /// Abandons the check under way as if it had never started: no result,
    /// no failure, no time stamp; the status line is what it was before.
    void DropCheck();
    /// A check fell due while the machine has no network and is held.
    void WaitForNetwork();
    static constexpr const char* kWaitingForNetwork = "Waiting for the network.";

    /// The password line's marker when the secret is kept elsewhere (see
    /// isPasswordMarker), empty when the list file holds the password.
    QString passwordMarker() const { return m_passwordMarker; }
    void setPasswordMarker(const QString& marker) { m_passwordMarker = marker; }
    /// The password is not known yet: checks wait for it, and `why` is the
    /// status line of a check asked for meanwhile.
    void holdForSecret(const QString& why);
    bool isHeldForSecret() const { return !m_secretHold.isEmpty(); }
    /// A check was asked for while the password is held back; it starts
    /// once the password comes. `askAgain` when someone, not the clock,
    /// asked: the keyring may be asked again then.
    void CheckHeld(bool askAgain);
    /// The password came; a check asked for meanwhile starts now.
    void secretArrived(const QString& password);
    /// Something about the account's secret the user is to know.
    void ShowSecretTrouble(const QString& text);
    bool SaveYourself(AnsiLineWriter& out) const;
    bool ReadYourselfIn(AnsiLineReader& in);
    void UnloadYourself();

    // Read-only views of the running state, for displays and tests.
    qint32 count() const { return m_count; }
    qint32 newCount() const { return m_newCount; }
    qint32 baseline() const { return m_baseline; }
    qint32 lastPopupCount() const { return m_lastPopupCount; }
    bool checkedOnce() const { return m_checkedOnce; }
    QTime lastTime() const { return m_lastTime; }
    QDate lastDate() const { return m_lastDate; }
    stTimer& clock() { return *m_clock; }

Q_SIGNALS:
    /// `CreateServer` changed the account; the values it had before.
    void edited(const QString& previousName, const QString& previousPassword);
    /// The account is being removed from the list.
    void unloaded();
    /// A check waits for the password and someone asked for it.
    void secretWanted();

public:
    /// The date written for an account that was never checked (day zero of
    /// the original date arithmetic).
    static QDate zeroDate() { return QDate(1899, 12, 30); }

private:
    void mServer_UpdateStatus(const QString& status);
    void mServer_MailFound(qint32 count);
    void mServer_error(const QString& message);
    void RecordCount(qint32 n);
    void Notify(qint32 value);
    void FinishCheck();
    void dropChecker();
    /// The watch sees the account as it is now.
    void tellWatch();

    AccountHost& m_host;
    /// Outlives the account (the checkers outlive the account list).
    AccountWatch* const m_watch;
    QString m_name;
    QString m_address;
    qint32 m_timeout = 0;
    qint32 m_interval = 0;
    QString m_userName;
    QString m_password;
    QString m_passwordMarker;
    // Why checks wait for the password; empty when it is known.
    QString m_secretHold;
    bool m_checkHeld = false;
    bool m_minOn = false;
    qint32 m_minCount = 0;
    std::unique_ptr<stTimer> m_clock;
    bool m_active = false;
    bool m_newMail = false;
    qint32 m_lastPopupCount = 0;
    QTime m_lastTime = QTime(0, 0, 0);
    QDate m_lastDate = zeroDate();
    bool m_checkedOnce = false;
    bool m_checking = false;
    QString m_lastDetail;
    // The status line when the check under way began, for a dropped check.
    QString m_detailBeforeCheck;
    qint32 m_failures = 0;
    qint32 m_count = 0;
    qint32 m_newCount = 0;
    qint32 m_baseline = 0;
    bool m_customSoundOn = false;
    QString m_customSound;
    bool m_newMailOnly = false;
    std::unique_ptr<MailChecker> m_checker;
};

} // namespace orvane
