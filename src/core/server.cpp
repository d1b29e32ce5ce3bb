#include "server.h"

#include "AccountHost.h"
#include "GenericServer.h"
#include "platform/AnsiText.h"
#include "platform/Clock.h"
#include "stTimer.h"

#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <limits>

namespace orvane {
namespace {

// A line break inside a value would shift every later line of the file.
QString oneLine(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

bool readText(AnsiLineReader& in, QString& value)
{
    return in.readLine(value);
}

bool readInt(AnsiLineReader& in, qint32& value)
{
    QString line;
    if (!in.readLine(line))
        return false;
    bool ok = false;
    const qint64 number = line.trimmed().toLongLong(&ok);
    if (!ok || number < std::numeric_limits<qint32>::min() ||
        number > std::numeric_limits<qint32>::max())
        return false;
    value = qint32(number);
    return true;
}

// Time-outs and intervals travel as 16-bit numbers (the account dialog and
// GetInfo hand them on that way), so a larger value from a hand-edited or
// damaged file would wrap to a negative one. Clamping keeps the account and
// every account after it.
constexpr qint32 kLongestSeconds = std::numeric_limits<qint16>::max();

bool readSeconds(AnsiLineReader& in, qint32& value)
{
    if (!readInt(in, value))
        return false;
    value = std::clamp(value, 0, kLongestSeconds);
    return true;
}

bool readBool(AnsiLineReader& in, bool& value)
{
    QString line;
    if (!in.readLine(line))
        return false;
    const auto parsed = parseBool(line);
    if (!parsed)
        return false;
    value = *parsed;
    return true;
}

} // namespace

server::server(AccountHost& host, QObject* parent)
    : QObject(parent), m_host(host), m_clock(std::make_unique<stTimer>(host.clock()))
{
    connect(m_clock.get(), &stTimer::checkDue, this, [this] { m_host.CheckAccount(*this); });
    connect(m_clock.get(), &stTimer::timeoutReached, this, &server::TimoutReached);
}

server::~server()
{
    if (m_checker) {
        m_checker->disconnect(this);
        m_checker.release()->deleteLater();
    }
}

void server::CreateServer(const QString& name, const QString& address, qint16 timeout,
                          qint16 interval, const QString& userName, const QString& password,
                          bool minOn, qint32 minCount, bool customSoundOn,
                          const QString& customSound, bool newMailOnly)
{
    m_name = name;
    m_address = address;
    m_timeout = timeout;
    m_interval = interval;
    m_userName = userName;
    m_password = password;
    m_minOn = minOn;
    m_minCount = minCount;
    m_customSoundOn = customSoundOn;
    m_customSound = customSound;
    m_newMailOnly = newMailOnly;
    Deactivate();
    m_clock->Setup(m_timeout, m_interval);
    Activate();
}

void server::Deactivate()
{
    m_active = false;
    m_clock->Deactivate();
}

void server::Activate()
{
    m_active = true;
    m_clock->Activate();
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
    m_lastDetail = message;
    m_host.UpdateTableItem(m_name);
    FinishCheck();
}

void server::mServer_MailFound(qint32 count)
{
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
    m_lastDetail = QStringLiteral("Server timed out.");
    FinishCheck();
}

void server::FinishCheck()
{
    if (m_checker) {
        // The checker may be in the middle of raising this very event.
        m_checker->disconnect(this);
        m_checker.release()->deleteLater();
    }
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
    Deactivate();
    FinishCheck();
    m_clock->Deactivate();
}

bool server::SaveYourself(AnsiLineWriter& out) const
{
    out.writeLine(oneLine(m_name));
    out.writeLine(oneLine(m_address));
    out.writeLine(QString::number(m_timeout));
    out.writeLine(QString::number(m_interval));
    out.writeLine(oneLine(m_userName));
    out.writeLine(EncodePassword(m_password));
    out.writeLine(boolText(m_active));
    out.writeLine(FormatSavedTime(m_lastTime));
    out.writeLine(FormatSavedDate(m_lastDate));
    out.writeLine(boolText(m_checkedOnce));
    out.writeLine(QString::number(m_baseline));
    out.writeLine(QString::number(m_minCount));
    out.writeLine(boolText(m_minOn));
    out.writeLine(boolText(m_customSoundOn));
    out.writeLine(oneLine(m_customSound));
    return out.writeLine(boolText(m_newMailOnly));
}

bool server::ReadYourselfIn(AnsiLineReader& in)
{
    QString password;
    QString timeText;
    QString dateText;
    bool active = false;
    if (!readText(in, m_name) || !readText(in, m_address) || !readSeconds(in, m_timeout) ||
        !readSeconds(in, m_interval) || !readText(in, m_userName) || !readText(in, password) ||
        !readBool(in, active) || !readText(in, timeText) || !readText(in, dateText) ||
        !readBool(in, m_checkedOnce) || !readInt(in, m_baseline) || !readInt(in, m_minCount) ||
        !readBool(in, m_minOn) || !readBool(in, m_customSoundOn) || !readText(in, m_customSound) ||
        !readBool(in, m_newMailOnly))
        return false;
    bool ok = false;
    m_password = DecodePassword(password, &ok);
    if (!ok)
        return false;
    m_lastTime = ParseSavedTime(timeText);
    m_lastDate = ParseSavedDate(dateText);
    if (!m_lastTime.isValid() || !m_lastDate.isValid())
        return false;
    m_clock->Setup(m_timeout, m_interval);
    Activate();
    return true;
}

QString EncodePassword(const QString& password)
{
    // Digit count and code per byte of the UTF-8 text: an ASCII password
    // reads as it always did.
    QString out;
    for (const char byte : password.toUtf8()) {
        const QString code = QString::number(static_cast<unsigned char>(byte));
        out += QString::number(code.size()) + code;
    }
    return out;
}

QString DecodePassword(const QString& encoded, bool* ok)
{
    QByteArray bytes;
    qsizetype at = 0;
    *ok = false;
    while (at < encoded.size()) {
        const int digits = encoded.at(at).digitValue();
        if (digits < 1 || digits > 3 || at + 1 + digits > encoded.size())
            return {};
        bool numberOk = false;
        const int code = encoded.mid(at + 1, digits).toInt(&numberOk);
        if (!numberOk || code < 0 || code > 255)
            return {};
        bytes += char(code);
        at += 1 + digits;
    }
    *ok = true;
    // Earlier versions wrote the Windows-1252 codes of the characters.
    return decodeText(bytes);
}

QString FormatSavedTime(const QTime& time)
{
    return time.toString(QStringLiteral("HH:mm:ss"));
}

QString FormatSavedDate(const QDate& date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QTime ParseSavedTime(const QString& text)
{
    const QString t = text.trimmed();
    static const char* const formats[] = {"HH:mm:ss", "H:mm:ss",    "H:mm",   "h:mm:ss AP",
                                          "h:mm AP",  "h:mm:ss ap", "h:mm ap"};
    for (const char* format : formats) {
        const QTime time = QTime::fromString(t, QLatin1String(format));
        if (time.isValid())
            return time;
    }
    // A combined date and time, as some regional settings write it.
    const QDateTime both = QDateTime::fromString(t, Qt::ISODate);
    if (both.isValid())
        return both.time();
    return QLocale::system().toTime(t, QLocale::ShortFormat);
}

namespace {

// Qt reads a two-digit year into 1900-1999; a saved date lies closer to now.
QDate withCenturyWindow(QDate date, const QString& format)
{
    if (date.isValid() && !format.contains(QLatin1String("yyyy")) && date.year() < 1950)
        date = date.addYears(100);
    return date;
}

QDate dateInFormat(const QString& text, const QString& format)
{
    return withCenturyWindow(QDate::fromString(text, format), format);
}

} // namespace

QDate ParseSavedDate(const QString& text)
{
    const QString t = text.trimmed();
    QDate date = QDate::fromString(t, Qt::ISODate);
    if (date.isValid())
        return date;

    // Earlier files were written in the short form of the regional settings,
    // with a two- or a four-digit year whatever the form says.
    QString localForm = QLocale().dateFormat(QLocale::ShortFormat);
    localForm.replace(QLatin1String("dd"), QLatin1String("d"));
    localForm.replace(QLatin1String("MM"), QLatin1String("M"));
    localForm.replace(QLatin1String("yyyy"), QLatin1String("yy"));
    QString localLong = localForm;
    localLong.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    for (const QString& format : {localLong, localForm}) {
        date = dateInFormat(t, format);
        if (date.isValid())
            return date;
    }

    // Month first is the form most often written, then the other common ones.
    static const char* const formats[] = {"M/d/yyyy", "M/d/yy",   "d/M/yyyy", "d.M.yyyy",
                                          "d.M.yy",   "d-M-yyyy", "yyyy/M/d"};
    for (const char* format : formats) {
        date = dateInFormat(t, QLatin1String(format));
        if (date.isValid())
            return date;
    }
    return {};
}

} // namespace orvane
