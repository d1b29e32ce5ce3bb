#include "server.h"

#include "AccountHost.h"
#include "AccountWatch.h"
#include "GenericServer.h"
#include "platform/AnsiText.h"
#include "platform/Clock.h"
#include "stTimer.h"

#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <limits>
#include <utility>

namespace orvane {
namespace {

// Time-outs and intervals travel as 16-bit numbers (the account dialog and
// GetInfo hand them on that way), so a larger value from a hand-edited or
// damaged file would wrap to a negative one. Clamping keeps the account and
// every account after it.
constexpr qint32 kLongestSeconds = std::numeric_limits<qint16>::max();

bool readSeconds(AnsiLineReader& in, qint32& value)
{
    if (!in.readNumber(value))
        return false;
    value = std::clamp(value, 0, kLongestSeconds);
    return true;
}

} // namespace

server::server(AccountHost& host, QObject* parent)
    : QObject(parent), m_host(host), m_watch(host.checkerFactory().accountWatch()),
      m_clock(std::make_unique<stTimer>(host.clock()))
{
    connect(m_clock.get(), &stTimer::checkDue, this, [this] { m_host.CheckDue(*this); });
    connect(m_clock.get(), &stTimer::timeoutReached, this, &server::TimoutReached);
}

server::~server()
{
    if (m_watch)
        m_watch->accountGone(*this);
    dropChecker();
}

void server::CreateServer(const QString& name, const QString& address, qint16 timeout,
                          qint16 interval, const QString& userName, const QString& password,
                          bool minOn, qint32 minCount, bool customSoundOn,
                          const QString& customSound, bool newMailOnly)
{
    const QString previousName = std::exchange(m_name, name);
    const QString previousPassword = m_password;
    m_address = address;
    m_timeout = timeout;
    m_interval = interval;
    m_userName = userName;
    m_password = password;
    // The provider's sign-in is a marker of its own, and leaving it takes
    // the marker along.
    if (SignsInWithProvider())
        m_passwordMarker = QString::fromLatin1(kProviderSignInLine);
    else if (m_passwordMarker == QLatin1String(kProviderSignInLine))
        m_passwordMarker.clear();
    // A password the user typed is the one to use, whatever the keyring holds.
    if (password != previousPassword) {
        m_secretHold.clear();
        m_checkHeld = false;
    }
    m_minOn = minOn;
    m_minCount = minCount;
    m_customSoundOn = customSoundOn;
    m_customSound = customSound;
    m_newMailOnly = newMailOnly;
    m_active = false;
    m_clock->Deactivate();
    m_clock->Setup(m_timeout, m_interval);
    m_active = true;
    m_clock->Activate();
    tellWatch();
    Q_EMIT edited(previousName, previousPassword);
}

void server::Deactivate()
{
    m_active = false;
    m_clock->Deactivate();
    tellWatch();
}

void server::Activate()
{
    m_active = true;
    m_clock->Activate();
    tellWatch();
}

void server::tellWatch()
{
    if (m_watch)
        m_watch->accountChanged(*this, m_host);
}

void server::ClearCount()
{
    m_newMail = false;
    m_baseline = m_count;
    m_newCount = 0;
    m_lastPopupCount = 0;
}

void server::ResetTimer()
{
    m_clock->ResetMainClock();
}

QString server::LastChecked() const
{
    if (m_checking)
        return QStringLiteral("Checking...");
    if (!m_checkedOnce)
        return QStringLiteral("Never");
    const QLocale locale;
    const QString time = locale.toString(m_lastTime, QLocale::ShortFormat);
    const QString date = locale.toString(m_lastDate, QLocale::ShortFormat);
    switch (m_host.timeDisp()) {
    case 0:
        return time;
    case 1:
        return time + QLatin1Char(' ') + date;
    case 2:
        return date + QLatin1Char(' ') + time;
    default:
        return date;
    }
}

qint64 server::msgCount() const
{
    if (!m_newMail)
        return 0;
    return m_newMailOnly ? m_newCount : m_count;
}

void server::GetInfo(QString& address, qint16& timeout, qint16& interval, QString& userName,
                     QString& password) const
{
    address = m_address;
    timeout = qint16(m_timeout);
    interval = qint16(m_interval);
    userName = m_userName;
    password = m_password;
}

void server::CheckMail()
{
    // A deactivated account is checked only on request; its check clock
    // stays stopped before, during and after that check.
    if (m_active)
        m_clock->Activate();
    m_clock->StartTimeout();
    m_checking = true;
    m_detailBeforeCheck = m_lastDetail;
    m_checker = std::make_unique<GenericServer>(m_host.checkerFactory());
    MailChecker* current = m_checker.get();
    connect(current, &MailChecker::UpdateStatus, this, &server::mServer_UpdateStatus);
    connect(current, &MailChecker::MailFound, this, &server::mServer_MailFound);
    connect(current, &MailChecker::error, this, &server::mServer_error);
    current->CheckForMail(m_address, m_userName, m_password, false);
}

void server::mServer_UpdateStatus(const QString& status)
{
    m_clock->StopTimeout();
    m_clock->StartTimeout();
    m_lastDetail = status;
    m_host.UpdateTableItem(m_name);
}

void server::mServer_error(const QString& message)
{
    ++m_failures;
    m_lastDetail = message;
    m_host.UpdateTableItem(m_name);
    FinishCheck();
}

void server::mServer_MailFound(qint32 count)
{
    m_failures = 0;
    RecordCount(count);
    FormatDetailMsg();
    m_host.UpdateTableItem(m_name);
    FinishCheck();
}

void server::RecordCount(qint32 n)
{
    m_count = n;
    if (n < m_baseline)
        m_baseline = n;
    m_newCount = m_count - m_baseline;
    const qint32 threshold = (m_minOn && m_minCount > 0) ? m_minCount - 1 : 0;
    const qint32 value = m_newMailOnly ? m_newCount : m_count;
    m_newMail = value > threshold;
    if (m_newMail)
        Notify(value);
}

void server::Notify(qint32 value)
{
    if (UsingCustomSound())
        m_host.PlaySoundOnce(m_customSound, false);
    if (value > m_lastPopupCount)
        m_host.ShowPopup(m_name, value);
    m_lastPopupCount = value;
}

void server::FormatDetailMsg()
{
    if (m_newMailOnly) {
        m_lastDetail = QStringLiteral("%1 New And %2 Old Messages Found")
                           .arg(QString::number(m_newCount), QString::number(m_baseline));
    } else if (m_count == 1) {
        m_lastDetail = QStringLiteral("1 Message Found");
    } else {
        m_lastDetail = QString::number(m_count) + QStringLiteral(" Messages Found");
    }
}

bool server::UsingCustomSound() const
{
    return m_customSoundOn && !m_customSound.isEmpty() && QFileInfo(m_customSound).isFile();
}

void server::TimoutReached()
{
    ++m_failures;
    m_lastDetail = QStringLiteral("Server timed out.");
    FinishCheck();
}

void server::dropChecker()
{
    if (m_checker) {
        // The checker may be in the middle of raising this very event.
        m_checker->disconnect(this);
        m_checker.release()->deleteLater();
    }
}

void server::DropCheck()
{
    if (!m_checking)
        return;
    dropChecker();
    m_checking = false;
    m_clock->StopTimeout();
    m_lastDetail = m_detailBeforeCheck;
    m_host.CheckFinished();
    m_host.UpdateTableItem(m_name);
    if (m_active)
        m_clock->Activate();
}

void server::WaitForNetwork()
{
    if (m_checking)
        return;
    m_lastDetail = QString::fromLatin1(kWaitingForNetwork);
    m_host.UpdateTableItem(m_name);
}

void server::holdForSecret(const QString& why)
{
    m_secretHold = why;
    if (m_checkHeld)
        ShowSecretTrouble(why);
}

void server::CheckHeld(bool askAgain)
{
    m_checkHeld = true;
    ShowSecretTrouble(m_secretHold);
    if (askAgain)
        Q_EMIT secretWanted();
}

void server::secretArrived(const QString& password)
{
    m_password = password;
    const QString hold = std::exchange(m_secretHold, {});
    if (m_lastDetail == hold) {
        m_lastDetail.clear();
        m_host.UpdateTableItem(m_name);
    }
    if (std::exchange(m_checkHeld, false))
        m_host.CheckAccount(*this);
}

void server::ShowSecretTrouble(const QString& text)
{
    if (m_checking)
        return;
    m_lastDetail = text;
    m_host.UpdateTableItem(m_name);
}

void server::FinishCheck()
{
    dropChecker();
    m_checking = false;
    m_clock->StopTimeout();
    m_host.CheckFinished();
    m_checkedOnce = true;
    const QDateTime now = m_host.clock().now();
    m_lastTime = now.time();
    m_lastDate = now.date();
    m_host.UpdateTableItem(m_name);
    if (m_active)
        m_clock->Activate();
}

void server::UnloadYourself()
{
    Q_EMIT unloaded();
    if (m_watch)
        m_watch->accountGone(*this);
    m_active = false;
    m_clock->Deactivate();
    FinishCheck();
    m_clock->Deactivate();
}

bool server::SaveYourself(AnsiLineWriter& out) const
{
    out.writeText(m_name);
    out.writeText(m_address);
    out.writeNumber(m_timeout);
    out.writeNumber(m_interval);
    out.writeText(m_userName);
    out.writeLine(m_passwordMarker.isEmpty() ? encodePassword(m_password) : m_passwordMarker);
    out.writeBool(m_active);
    out.writeLine(formatSavedTime(m_lastTime));
    out.writeLine(formatSavedDate(m_lastDate));
    out.writeBool(m_checkedOnce);
    out.writeNumber(m_baseline);
    out.writeNumber(m_minCount);
    out.writeBool(m_minOn);
    out.writeBool(m_customSoundOn);
    out.writeText(m_customSound);
    return out.writeBool(m_newMailOnly);
}

bool server::ReadYourselfIn(AnsiLineReader& in)
{
    QString password;
    QString timeText;
    QString dateText;
    bool active = false;
    if (!in.readText(m_name) || !in.readText(m_address) || !readSeconds(in, m_timeout) ||
        !readSeconds(in, m_interval) || !in.readText(m_userName) || !in.readText(password) ||
        !in.readBool(active) || !in.readText(timeText) || !in.readText(dateText) ||
        !in.readBool(m_checkedOnce) || !in.readNumber(m_baseline) || !in.readNumber(m_minCount) ||
        !in.readBool(m_minOn) || !in.readBool(m_customSoundOn) || !in.readText(m_customSound) ||
        !in.readBool(m_newMailOnly))
        return false;
    bool ok = false;
    if (isPasswordMarker(password)) {
        m_passwordMarker = password;
        // The provider's sign-in needs no password: the placeholder tells
        // the checkers to sign in with a token instead.
        m_password = password == QLatin1String(kProviderSignInLine) ? ProviderSignIn() : QString();
    } else {
        m_password = decodePassword(password, &ok);
        if (!ok)
            return false;
    }
    m_lastTime = parseSavedTime(timeText);
    m_lastDate = parseSavedDate(dateText);
    if (!m_lastTime.isValid() || !m_lastDate.isValid())
        return false;
    m_clock->Setup(m_timeout, m_interval);
    Activate();
    return true;
}

} // namespace orvane
