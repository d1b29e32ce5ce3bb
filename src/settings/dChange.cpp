#include "dChange.h"

#include "HoverHelp.h"
#include "SettingsWindow.h"
#include "core/AccountList.h"
#include "core/CertificateTrust.h"
#include "core/GenericServer.h"
#include "core/ServerAddress.h"
#include "core/server.h"
#include "oauth/OAuthSignIn.h"
#include "oauth/OAuthTokens.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>

namespace orvane {

namespace {

struct Choice
{
    const char* text;
    int seconds;
};

constexpr Choice kTimeouts[] = {
    {"15 Seconds", 15},          {"30 Seconds", 30}, {"45 Seconds", 45}, {"1 Minute", 60},
    {"1 Minute 30 Seconds", 90}, {"2 Minutes", 120}, {"3 Minutes", 180},
};
constexpr Choice kIntervals[] = {
    {"1 Minute", 60},     {"2 Minutes", 120},  {"3 Minutes", 180},   {"5 Minutes", 300},
    {"10 Minutes", 600},  {"15 Minutes", 900}, {"20 Minutes", 1200}, {"30 Minutes", 1800},
    {"45 Minutes", 2700}, {"1 Hour", 3600},    {"2 Hours", 7200},    {"3 Hours", 10800},
    {"5 Hours", 18000},
};
constexpr int kDefaultTimeout = 1;
constexpr int kDefaultInterval = 4;

template <size_t N> int indexOf(const Choice (&table)[N], int seconds)
{
    for (size_t i = 0; i < N; ++i) {
        if (table[i].seconds == seconds)
            return int(i);
    }
    return int(N) - 1;
}

template <size_t N> int secondsOf(const Choice (&table)[N], int index)
{
    return table[index >= 0 && index < int(N) ? size_t(index) : N - 1].seconds;
}

template <size_t N> void fill(QComboBox* box, const Choice (&table)[N])
{
    for (const Choice& choice : table)
        box->addItem(QString::fromLatin1(choice.text));
}

bool isHotmail(const QString& address)
{
    return address.compare(QLatin1String(GenericServer::kHotmailAddress), Qt::CaseInsensitive) == 0;
}

bool isYahoo(const QString& address)
{
    // "*YAHOO.*": the marker anywhere, something or nothing after it.
    return address.contains(QLatin1String("YAHOO."), Qt::CaseInsensitive);
}

/// The accessible name of a control labelled "Caption:".
QString nameFrom(const QString& caption)
{
    QString name = caption.trimmed();
    while (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name.trimmed();
}

QLabel* labelFor(QWidget* control, const char* objectName, const char* caption)
{
    auto* label = new QLabel(QString::fromLatin1(caption));
    label->setObjectName(QString::fromLatin1(objectName));
    label->setBuddy(control);
    control->setAccessibleName(nameFrom(label->text()));
    return label;
}

template <typename W> W* named(W* widget, const char* objectName)
{
    widget->setObjectName(QString::fromLatin1(objectName));
    return widget;
}

using Security = ServerAddress::Security;
// The "Security:" list's order.
constexpr Security kSecurities[] = {Security::Tls, Security::StartTls, Security::None};

int securityIndex(Security security)
{
    for (int i = 0; i < 3; ++i) {
        if (kSecurities[i] == security)
            return i;
    }
    return 0;
}

// What a plain POP3 host does: TLS on port 995, in clear on any other.
Security plainPop3Security(const QString& text)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    return colon >= 0 && text.mid(colon + 1) == QLatin1String("995") ? Security::Tls
                                                                     : Security::None;
}

} // namespace

int dChange::timeoutIndex(int seconds)
{
    return indexOf(kTimeouts, seconds);
}
int dChange::timeoutSeconds(int index)
{
    return secondsOf(kTimeouts, index);
}
int dChange::intervalIndex(int seconds)
{
    return indexOf(kIntervals, seconds);
}
int dChange::intervalSeconds(int index)
{
    return secondsOf(kIntervals, index);
}

QString dChange::proposeName(const AccountList& accounts)
{
    for (int n = 1; n <= 99999; ++n) {
        const QString name = QStringLiteral("Account%1").arg(n, 3, 10, QLatin1Char('0'));
        bool taken = false;
        for (const auto& account : accounts) {
            if (account->GetName().compare(name, Qt::CaseInsensitive) == 0) {
                taken = true;
                break;
            }
        }
        if (!taken)
            return name;
    }
    return {};
}

dChange::dChange(AccountDialogServices services, SettingsWindow& settings, QWidget* parent)
    : QDialog(parent), m_services(std::move(services)), m_settings(settings)
{
    setObjectName(QStringLiteral("dChange"));
    setWindowModality(Qt::ApplicationModal);
    build();
    load();
}

dChange::~dChange() = default;

void dChange::build()
{
    auto* outer = new QVBoxLayout(this);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    auto* heading = named(new QLabel(QStringLiteral("Account Information")), "lblAccount");
    QFont headingFont(QStringLiteral("Tahoma"));
    headingFont.setBold(true);
    headingFont.setPointSizeF(font().pointSizeF() * 1.2);
    heading->setFont(headingFont);
    outer->addWidget(heading);

    auto* form = new QFormLayout;
    m_name = named(new QLineEdit, "dName");
    form->addRow(labelFor(m_name, "Label5", "Name:"), m_name);
    m_type = named(new QComboBox, "dType");
    form->addRow(labelFor(m_type, "lblAccountType", "Type of Account:"), m_type);
    m_addr = named(new QLineEdit, "dAddr");
    m_addrLabel = labelFor(m_addr, "lblAddr", "Server Address:");
    form->addRow(m_addrLabel, m_addr);
    m_security = named(new QComboBox, "dSecurity");
    for (const char* text : {kTls, kStartTls, kNoSecurity})
        m_security->addItem(QString::fromLatin1(text));
    form->addRow(labelFor(m_security, "lblSecurity", "Security:"), m_security);
    m_noneNote = named(new QLabel(QStringLiteral("Anyone on the network between you and the "
                                                 "server can read your password.")),
                       "lblNoSecurity");
    m_noneNote->setWordWrap(true);
    form->addRow(QString(), m_noneNote);
    m_folder = named(new QLineEdit, "dFolder");
    form->addRow(labelFor(m_folder, "lblFolder", "Folder:"), m_folder);
    m_user = named(new QLineEdit, "dUser");
    m_userLabel = labelFor(m_user, "lblUser", "Username:");
    form->addRow(m_userLabel, m_user);
    m_pass = named(new QLineEdit, "dPass");
    m_pass->setEchoMode(QLineEdit::Password);
    m_passLabel = labelFor(m_pass, "lblPass", "Password:");
    form->addRow(m_passLabel, m_pass);
    // In place of the password for a provider's server.
    m_signInRow = named(new QWidget, "frmSignIn");
    auto* signInLine = new QHBoxLayout(m_signInRow);
    signInLine->setContentsMargins(0, 0, 0, 0);
    m_signInButton = named(new QPushButton, "cmdSignIn");
    m_signInText = named(new QLabel, "lblSignIn");
    m_signInText->setWordWrap(true);
    signInLine->addWidget(m_signInButton);
    signInLine->addWidget(m_signInText, 1);
    form->addRow(QString(), m_signInRow);
    m_timeout = named(new QComboBox, "dTimeout");
    form->addRow(labelFor(m_timeout, "Label1", "Server Timout:"), m_timeout);
    m_interval = named(new QComboBox, "dInt");
    form->addRow(labelFor(m_interval, "Label2", "How often to check:"), m_interval);
    outer->addLayout(form);
    m_form = form;

    m_certificate = named(new QGroupBox(QStringLiteral("Certificate")), "frmCertificate");
    auto* certificateBox = new QVBoxLayout(m_certificate);
    m_certificateText = named(new QLabel, "lblCertificate");
    m_certificateText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_certificateText->setWordWrap(true);
    certificateBox->addWidget(m_certificateText);
    m_trust = named(new QPushButton(QString::fromLatin1(kTrustButton)), "cmdTrust");
    auto* trustRow = new QHBoxLayout;
    trustRow->addWidget(m_trust);
    trustRow->addStretch();
    certificateBox->addLayout(trustRow);
    m_certificate->hide();
    outer->addWidget(m_certificate);

    m_profileFrame = named(new QGroupBox, "frmProfile");
    auto* profileRow = new QHBoxLayout(m_profileFrame);
    m_profile = named(new QComboBox, "cmbProfile");
    profileRow->addWidget(labelFor(m_profile, "Label3", "Profile:"));
    profileRow->addWidget(m_profile, 1);
    outer->addWidget(m_profileFrame);

    m_advancedButton = named(new QPushButton, "cmdAdvanced");
    auto* advancedRow = new QHBoxLayout;
    advancedRow->addWidget(m_advancedButton);
    advancedRow->addStretch();
    outer->addLayout(advancedRow);

    m_advanced = named(new QWidget, "advancedOptions");
    auto* advanced = new QVBoxLayout(m_advanced);
    advanced->setContentsMargins(0, 0, 0, 0);
    auto* minRow = new QHBoxLayout;
    m_min = named(new QCheckBox(QStringLiteral("Notify when at least")), "dMin");
    m_minNumber = named(new QLineEdit, "MsgNumber");
    m_minNumber->setAccessibleName(QStringLiteral("Minimum number of messages"));
    // Digits only, and few enough that the count always fits.
    m_minNumber->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_minNumber));
    m_minNumber->setMaxLength(9);
    m_minNumber->setFixedWidth(m_minNumber->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 6 +
                               12);
    auto* minTail = named(new QLabel(QStringLiteral("messages are found.")), "Label7");
    minRow->addWidget(m_min);
    minRow->addWidget(m_minNumber);
    minRow->addWidget(minTail);
    minRow->addStretch();
    advanced->addLayout(minRow);
    m_newOnly = named(new QCheckBox(QStringLiteral("Mail is left on server.")), "chkNewOnly");
    advanced->addWidget(m_newOnly);
    m_sound = named(new QCheckBox(QStringLiteral("Use custom sound for this account")), "dSound");
    advanced->addWidget(m_sound);
    auto* fileRow = new QHBoxLayout;
    m_file = named(new QLineEdit, "txtFile");
    m_fileLabel = labelFor(m_file, "lblFile", "File:");
    m_browse = named(new QPushButton(QStringLiteral("...")), "bBrowse");
    m_browse->setAccessibleName(QStringLiteral("Browse for a sound file"));
    m_browse->setFixedWidth(m_browse->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
    fileRow->addWidget(m_fileLabel);
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(m_browse);
    advanced->addLayout(fileRow);
    outer->addWidget(m_advanced);

    auto* buttons = new QHBoxLayout;
    m_ok = named(new QPushButton(QStringLiteral("Set")), "dOk");
    m_ok->setDefault(true);
    m_cancel = named(new QPushButton(QStringLiteral("Cancel")), "dCancel");
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    outer->addLayout(buttons);

    m_status = named(new QStatusBar, "StatusBar");
    m_status->setSizeGripEnabled(false);
    outer->addWidget(m_status);
    m_minNumber->setMinimumWidth(48);
    setMinimumWidth(400);

    m_help = new HoverHelp(*m_status, this);
    m_help->add(this, {});
    m_help->add(m_advanced, {});
    m_help->add(minTail, {});
    m_help->add(m_name,
                QStringLiteral("This is the account name.  You can name it anything you want."));
    m_help->add(m_addr, QStringLiteral("This is the POP3 server's internet address."));
    m_help->add(m_user, QStringLiteral("Your user name on the server for this account."));
    m_help->add(m_pass, QStringLiteral("Your password for this account."));
    m_help->add(m_min, QStringLiteral("Check this box if this is a high volume account."));
    m_help->add(m_minNumber,
                QStringLiteral("How many new messages in the account before you are notified."));
    m_help->add(m_newOnly,
                QStringLiteral("Check this if you leave mail on the server when retrieving it."));
    m_help->add(m_sound,
                QStringLiteral("Check to play a custom sound when mail is found on this account."));
    m_help->add(m_file, QStringLiteral("This is the wav file that will play for this account."));
    m_help->add(m_browse, QStringLiteral("Browse for wav files."));
    m_help->add(m_cancel, QStringLiteral("Cancel operation."));
    m_help->add(m_security, QStringLiteral("How the connection to the server is protected."));
    m_help->add(m_folder, QStringLiteral("The folder whose unread messages are counted."));
    m_help->add(m_trust, QStringLiteral("Accept this certificate for this account from now on."));

    connect(m_type, &QComboBox::currentIndexChanged, this, [this] { typeChanged(!m_filling); });
    connect(m_security, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_syncing && !m_filling)
            m_securityChosen = true;
        securityRows();
    });
    connect(m_addr, &QLineEdit::textChanged, this, &dChange::securityRows);
    connect(m_addr, &QLineEdit::editingFinished, this, &dChange::addressEdited);
    connect(m_user, &QLineEdit::textChanged, this, &dChange::showCertificate);
    connect(m_user, &QLineEdit::textChanged, this, &dChange::signInRows);
    connect(m_signInButton, &QPushButton::clicked, this, &dChange::signInClicked);
    connect(m_trust, &QPushButton::clicked, this, &dChange::trustCertificate);
    connect(m_min, &QCheckBox::clicked, this, [this] {
        m_minOn = m_min->isChecked();
        minClicked();
    });
    connect(m_sound, &QCheckBox::toggled, this, &dChange::soundClicked);
    connect(m_file, &QLineEdit::textChanged, this, &dChange::fileChanged);
    connect(m_browse, &QPushButton::clicked, this, &dChange::browse);
    connect(m_advancedButton, &QPushButton::clicked, this, &dChange::fold);
    connect(m_ok, &QPushButton::clicked, this, &dChange::set);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void dChange::load()
{
    m_filling = true;
    m_profileFrame->hide();
    fill(m_timeout, kTimeouts);
    m_timeout->setCurrentIndex(kDefaultTimeout);
    fill(m_interval, kIntervals);
    m_interval->setCurrentIndex(kDefaultInterval);
    m_type->addItems({QString::fromLatin1(kPop3), QString::fromLatin1(kWindowsAccount),
                      QString::fromLatin1(kUserPassword), QString::fromLatin1(kImap)});
    m_type->setCurrentIndex(0);
    m_name->setText(proposeName(m_services.accounts));

    const QStringList profiles = m_services.profiles ? m_services.profiles() : QStringList();
    if (!profiles.isEmpty() && !profiles.first().trimmed().isEmpty())
        m_profile->addItem(profiles.first().trimmed());
    for (qsizetype i = 1; i < profiles.size(); ++i)
        m_profile->addItem(profiles.at(i).trimmed());
    m_profile->addItem(QString::fromLatin1(kEmptyProfile));
    m_profile->setCurrentIndex(0);

    m_addr->clear();
    m_user->clear();
    m_pass->clear();
    m_folder->setText(QStringLiteral("INBOX"));
    m_minNumber->setText(QStringLiteral("2"));
    m_minOn = false;
    minClicked();
    m_sound->setChecked(false);
    soundClicked();
    // A new account is encrypted unless the user says otherwise.
    m_securityChosen = true;
    m_security->setCurrentIndex(securityIndex(Security::Tls));
    typeChanged(false);
    fold();
    m_filling = false;
}

void dChange::SetupAsAdd()
{
    m_edit = false;
    setWindowTitle(QStringLiteral("Account Information - Add Account"));
    m_help->add(m_ok, QStringLiteral("Add the new account."));
}

void dChange::SetupAsEdit()
{
    m_edit = true;
    setWindowTitle(QStringLiteral("Account Information - Edit Account"));
    m_help->add(m_ok, QStringLiteral("Apply the settings."));
}

void dChange::SetServer(int position)
{
    if (position < 1 || position > m_services.accounts.size())
        return;
    const server& account = m_services.accounts.at(position - 1);
    // Filling is not a change by the user: the kind handling must not empty
    // the address of an existing account.
    m_filling = true;
    // A plain POP3 host keeps its own meaning until another security is picked.
    m_securityChosen = false;
    m_previousName = account.GetName();
    m_name->setText(account.GetName());
    m_addr->setText(account.GetAddress());
    m_user->setText(account.GetUsername());
    m_signedInBefore = account.SignsInWithProvider();
    // The stand-in a provider's account holds is no password to show.
    m_pass->setText(m_signedInBefore ? QString() : account.GetPassword());
    m_timeout->setCurrentIndex(timeoutIndex(account.GetTimeout()));
    m_interval->setCurrentIndex(intervalIndex(account.GetInterval()));
    m_minNumber->setText(QString::number(account.GetMin()));
    m_minOn = account.IsMinOn();
    minClicked();
    m_newOnly->setChecked(account.IsNewMailOnly());
    m_sound->setChecked(account.IsCustWaveOn());

    const QString address = account.GetAddress();
    int kind = 0;
    if (takeApart(address)) {
        kind = m_type->currentIndex();
    } else if (isHotmail(address) || isYahoo(address)) {
        kind = 0;
    } else if (address == QLatin1String(kWindowsAccount)) {
        const int found = m_profile->findText(account.GetUsername(), Qt::MatchExactly);
        m_profile->setCurrentIndex(found >= 0 ? found : m_profile->count() - 1);
        kind = 1;
    } else if (address == QLatin1String(kUserPassword)) {
        kind = 2;
    }
    m_type->setCurrentIndex(kind);
    typeChanged(false);
    securityRows();
    soundClicked();
    m_file->setText(account.GetCustWave());
    fileChanged();
    m_loadedHost = providerHost();
    m_loadedUser = account.GetUsername();
    m_filling = false;
    signInRows();
}

void dChange::enable(QWidget* label, QLineEdit* box, bool on)
{
    label->setEnabled(on);
    box->setEnabled(on);
}

void dChange::typeChanged(bool byUser)
{
    const QString kind = m_type->currentText();
    if (isMailbox()) {
        enable(m_addrLabel, m_addr, true);
        if (byUser &&
            (isHotmail(m_addr->text()) || m_addr->text().startsWith(QLatin1String("MS Exchange"))))
            m_addr->clear();
    } else {
        enable(m_addrLabel, m_addr, false);
    }
    const bool windowsAccount = kind == QLatin1String(kWindowsAccount);
    enable(m_userLabel, m_user, !windowsAccount);
    enable(m_passLabel, m_pass, true);
    m_profileFrame->setVisible(windowsAccount);
    m_help->add(m_addr, kind == QLatin1String(kImap)
                            ? QStringLiteral("This is the IMAP server's internet address.")
                            : QStringLiteral("This is the POP3 server's internet address."));
    securityRows();
}

bool dChange::isMailbox() const
{
    return m_type->currentText() == QLatin1String(kPop3) ||
           m_type->currentText() == QLatin1String(kImap);
}

bool dChange::isWebMail() const
{
    return m_type->currentText() == QLatin1String(kPop3) &&
           (isHotmail(m_addr->text()) || isYahoo(m_addr->text()));
}

bool dChange::takeApart(const QString& line)
{
    if (!ServerAddress::namesProtocol(line))
        return false;
    const ServerAddress address = ServerAddress::parse(line);
    const bool imap = address.protocol == ServerAddress::Protocol::Imap;
    m_securityChosen = true;
    m_syncing = true;
    m_type->setCurrentIndex(m_type->findText(QString::fromLatin1(imap ? kImap : kPop3)));
    m_security->setCurrentIndex(securityIndex(address.security));
    m_syncing = false;
    // A line that cannot be used stays whole, for the user to mend.
    m_addr->setText(address.valid ? address.hostAndPortAsTyped() : line);
    if (imap && address.valid)
        m_folder->setText(address.folder);
    return true;
}

void dChange::addressEdited()
{
    if (isMailbox() && ServerAddress::parse(m_addr->text()).valid)
        takeApart(m_addr->text());
}

void dChange::securityRows()
{
    const bool mailbox = isMailbox();
    const bool imap = m_type->currentText() == QLatin1String(kImap);
    const bool webMail = isWebMail();
    if (!m_securityChosen) {
        // Shows what the line will do: TLS for a new IMAP account, and for
        // POP3 what a plain host has always meant.
        m_syncing = true;
        m_security->setCurrentIndex(
            securityIndex(imap ? Security::Tls : plainPop3Security(m_addr->text())));
        m_syncing = false;
    }
    m_form->setRowVisible(m_security, mailbox);
    m_security->setEnabled(!webMail);
    m_form->setRowVisible(m_noneNote,
                          mailbox && !webMail &&
                              kSecurities[m_security->currentIndex()] == Security::None);
    m_form->setRowVisible(m_folder, imap);
    showCertificate();
    signInRows();
}

QString dChange::providerHost() const
{
    const ServerAddress address = composed();
    if (address.valid)
        return address.host;
    // A plain POP3 host, with or without its port.
    const QString text = m_addr->text().trimmed();
    return text.startsWith(u'[') ? QString() : text.section(u':', 0, 0);
}

const OAuthProvider* dChange::provider() const
{
    if (!m_services.signIn || !isMailbox() || isWebMail())
        return nullptr;
    return m_services.signIn->tokens.providerFor(providerHost());
}

void dChange::signInRows()
{
    if (!m_signInRow)
        return;
    const OAuthProvider* chosen = provider();
    m_form->setRowVisible(m_pass, !chosen);
    m_form->setRowVisible(m_signInRow, chosen);
    if (!chosen) {
        if (m_signIn)
            m_signIn->cancel();
        return;
    }
    const bool waiting = m_signIn && m_signIn->running();
    const QString caption = waiting ? QString::fromLatin1(kCancelSignIn)
                                    : QStringLiteral("Sign in with %1").arg(chosen->name);
    m_signInButton->setText(caption);
    m_signInButton->setAccessibleName(caption);
    if (waiting)
        return;
    const QString host = providerHost();
    const bool kept = m_grant && m_grantHost == host && m_grantUser == m_user->text();
    const bool before = m_signedInBefore && m_loadedHost == host && m_loadedUser == m_user->text();
    if (kept || before)
        m_signInText->setText(QString::fromLatin1(kSignedIn));
    else if (m_signInText->text() == QLatin1String(kSignedIn))
        m_signInText->clear();
}

void dChange::signInClicked()
{
    if (m_signIn && m_signIn->running()) {
        m_signIn->cancel();
        return;
    }
    const OAuthProvider* chosen = provider();
    if (!chosen)
        return;
    if (!chosen->usable()) {
        m_signInText->setText(
            QStringLiteral("%1 has no client id yet: see \"Gmail and Microsoft accounts\" in "
                           "the README.")
                .arg(chosen->name));
        return;
    }
    if (m_user->text().isEmpty()) {
        m_signInText->setText(QStringLiteral("Fill in the username first."));
        m_user->setFocus();
        return;
    }
    m_signIn = std::make_unique<OAuthSignIn>(*chosen, m_services.signIn->browser,
                                             m_services.signIn->clock);
    const QString host = providerHost();
    const QString user = m_user->text();
    connect(m_signIn.get(), &OAuthSignIn::signedIn, this,
            [this, host, user](const OAuthGrant& grant) {
                m_grant = std::make_unique<OAuthGrant>(grant);
                m_grantHost = host;
                m_grantUser = user;
                signInEnded({});
            });
    connect(m_signIn.get(), &OAuthSignIn::failed, this, &dChange::signInEnded);
    m_signInText->setText(QString::fromLatin1(kSigningIn));
    m_signIn->start(user);
    signInRows();
}

void dChange::signInEnded(const QString& failure)
{
    // The sign-in may be raising this very signal.
    if (m_signIn)
        m_signIn.release()->deleteLater();
    m_signInText->setText(failure.isEmpty() ? QString::fromLatin1(kSignedIn) : failure);
    signInRows();
}

ServerAddress dChange::composed() const
{
    const QString text = m_addr->text().trimmed();
    if (ServerAddress::namesProtocol(text))
        return ServerAddress::parse(text);
    const Security security = kSecurities[std::max(0, m_security->currentIndex())];
    const bool imap = m_type->currentText() == QLatin1String(kImap);
    if (!imap && (!m_securityChosen || isWebMail() || security == Security::None))
        return {};
    return ServerAddress::compose(imap ? ServerAddress::Protocol::Imap
                                       : ServerAddress::Protocol::Pop3,
                                  security, text, m_folder->text().trimmed());
}

QString dChange::addressLine() const
{
    const ServerAddress address = composed();
    const QString text = m_addr->text().trimmed();
    if (address.protocol == ServerAddress::Protocol::Other && !ServerAddress::namesProtocol(text) &&
        m_type->currentText() == QLatin1String(kPop3))
        return m_addr->text();
    return address.toString();
}

void dChange::showCertificate()
{
    m_certificateKey.clear();
    m_certificateDigest.clear();
    const ServerAddress address = composed();
    if (!m_services.trust || !address.valid || address.security == Security::None) {
        m_certificate->hide();
        return;
    }
    const QString key = CertificateTrust::keyFor(address, m_user->text());
    const CertificateTrust::Refusal refusal = m_services.trust->refused(key);
    if (refusal.sha256.isEmpty()) {
        m_certificate->hide();
        return;
    }
    const bool trusted = m_services.trust->trusted(key) == refusal.sha256;
    // Two lines of sixteen bytes: the whole print on one line would set the
    // dialog's width.
    const QString print = CertificateTrust::fingerprintText(refusal.sha256);
    const QString lines = print.left(47) + QLatin1Char('\n') + print.mid(48);
    m_certificateText->setText((trusted
                                    ? QStringLiteral("You trust this certificate for this account.")
                                    : QStringLiteral("The server's certificate is not trusted (") +
                                          refusal.reason + QStringLiteral(").")) +
                               QStringLiteral("\nSHA-256 fingerprint:\n") + lines);
    m_trust->setVisible(!trusted);
    m_certificateKey = key;
    m_certificateDigest = refusal.sha256;
    m_certificate->show();
}

void dChange::trustCertificate()
{
    if (!m_services.trust || m_certificateDigest.isEmpty())
        return;
    QString why;
    if (m_services.trust->trust(m_certificateKey, m_certificateDigest, &why)) {
        showCertificate();
        return;
    }
    const QPointer<dChange> self(this);
    m_services.messages.showMessage(QString::fromLatin1(MessageBoxes::kTitle),
                                    QStringLiteral("The certificate could not be remembered: ") +
                                        why,
                                    MessageBoxes::Icon::None);
    if (self)
        m_trust->setFocus();
}

void dChange::minClicked()
{
    m_min->setChecked(m_minOn);
    m_minNumber->setEnabled(m_minOn);
}

void dChange::soundClicked()
{
    const bool on = m_sound->isChecked();
    m_fileLabel->setEnabled(on);
    m_file->setEnabled(on);
    m_browse->setEnabled(on);
    if (on)
        fileChanged();
}

void dChange::fileChanged()
{
    QPalette palette = m_file->palette();
    palette.setColor(QPalette::Text, QFile::exists(m_file->text())
                                         ? QWidget::palette().color(QPalette::Text)
                                         : QColor(255, 0, 0));
    m_file->setPalette(palette);
}

void dChange::browse()
{
    const QPointer<QLineEdit> file(m_file);
    const auto chosen = m_services.files.openFile(
        QStringLiteral("Choose Wave File"), m_file->text(), QStringLiteral("Wave Files (*.wav)"));
    if (chosen && file)
        file->setText(*chosen);
}

void dChange::fold()
{
    m_folded = !m_folded;
    m_advancedButton->setText(m_folded ? QStringLiteral("Show Advanced Options")
                                       : QStringLiteral("Hide Advanced Options"));
    m_advanced->setVisible(!m_folded);
    m_ok->setFocus();
}

bool dChange::check()
{
    const QString kind = m_type->currentText();
    const bool imap = kind == QLatin1String(kImap);
    const bool pop3 = kind == QLatin1String(kPop3) || imap;
    auto refuse = [this](const char* text, QLineEdit* focus) {
        // The box runs its own event loop, in which the dialog may be
        // closed and deleted (a shutdown).
        const QPointer<QLineEdit> box(focus);
        m_services.messages.showMessage(QString::fromLatin1(MessageBoxes::kTitle),
                                        QString::fromLatin1(text), MessageBoxes::Icon::None);
        if (box)
            box->setFocus();
        return false;
    };
    if (m_name->text().isEmpty())
        return refuse("You must fill in an account name.", m_name);
    if (imap && m_addr->text().isEmpty())
        return refuse("You must fill in an IMAP E-Mail server address for this account.", m_addr);
    if (pop3 && m_addr->text().isEmpty()) {
        return refuse(m_edit ? "You must fill in a POP E-Mail server address for this account."
                             : "You must fill in a POP3 E-Mail server address for this account.",
                      m_addr);
    }
    if (pop3 && addressLine().isEmpty()) {
        return refuse("The server address is not valid.  Give a host name or address, "
                      "optionally followed by a colon and a port.",
                      m_addr);
    }
    if (kind != QLatin1String(kWindowsAccount) && m_user->text().isEmpty())
        return refuse("You must fill in a username.", m_user);
    if (provider()) {
        if (m_signInText->text() != QLatin1String(kSignedIn))
            return refuse("You must sign in first.", m_user);
    } else if (pop3 && m_pass->text().isEmpty()) {
        return refuse("You must fill in a password.", m_pass);
    }
    const QString name = m_name->text();
    const bool renamed = !m_edit || name.compare(m_previousName, Qt::CaseInsensitive) != 0;
    if (renamed) {
        for (const auto& account : m_services.accounts) {
            if (account->GetName().compare(name, Qt::CaseInsensitive) == 0)
                return refuse("Duplicate account name found.  Please specify a different name.",
                              m_name);
        }
    }
    return true;
}

void dChange::set()
{
    if (m_minNumber->text().isEmpty())
        m_minNumber->setText(QStringLiteral("0"));
    if (!check())
        return;
    if (!provider() || !m_grant) {
        write();
        return;
    }
    // The refresh token must be in the keyring before the account counts on it.
    m_ok->setEnabled(false);
    m_services.signIn->tokens.keep(m_grantHost, m_grantUser, *m_grant, this,
                                   [this](const QString& failure) {
                                       m_ok->setEnabled(true);
                                       if (failure.isEmpty()) {
                                           write();
                                           return;
                                       }
                                       m_signInText->setText(failure);
                                   });
}

void dChange::write()
{
    const QString kind = m_type->currentText();
    QString address = isMailbox() ? addressLine() : kind;
    QString user = m_user->text();
    if (kind == QLatin1String(kWindowsAccount)) {
        user = m_profile->currentText() == QLatin1String(kEmptyProfile) ? QString()
                                                                        : m_profile->currentText();
    }
    const qint16 timeout = qint16(timeoutSeconds(m_timeout->currentIndex()));
    const qint16 interval = qint16(intervalSeconds(m_interval->currentIndex()));
    const qint32 minCount = m_minNumber->text().toInt();

    auto write = [&](server& account) {
        account.CreateServer(m_name->text(), address, timeout, interval, user,
                             provider() ? server::ProviderSignIn() : m_pass->text(), m_minOn,
                             minCount, m_sound->isChecked(), m_file->text(),
                             m_newOnly->isChecked());
    };
    if (m_edit) {
        const int position = m_settings.GetServerIndex(m_previousName);
        if (position > 0)
            write(m_services.accounts.at(position - 1));
    } else {
        auto account = m_services.newAccount();
        write(*account);
        m_services.accounts.append(std::move(account));
    }
    m_settings.RefreshServerList();
    accept();
}

} // namespace orvane
