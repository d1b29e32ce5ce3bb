#include "Settings.h"

#include "EmailProgram.h"
#include "core/ProgramWindows.h"
#include "platform/AnsiText.h"
#include "platform/MailClientLocator.h"
#include "platform/MessageBoxes.h"
#include "platform/ProcessLauncher.h"

#include <limits>
#include <optional>

namespace orvane {
namespace {

template <typename Int> bool readNumber(AnsiLineReader& in, Int& value)
{
    QString line;
    if (!in.readLine(line))
        return false;
    bool ok = false;
    const qint64 number = line.trimmed().toLongLong(&ok);
    if (!ok || number < std::numeric_limits<Int>::min() || number > std::numeric_limits<Int>::max())
        return false;
    value = Int(number);
    return true;
}

bool readBool(AnsiLineReader& in, bool& value)
{
    QString line;
    if (!in.readLine(line))
        return false;
    const std::optional<bool> parsed = parseBool(line);
    if (!parsed)
        return false;
    value = *parsed;
    return true;
}

bool readText(AnsiLineReader& in, QString& value)
{
    return in.readLine(value);
}

} // namespace

Settings::Settings(QString programFolder, SettingsServices services)
    : m_programFolder(std::move(programFolder)), m_services(std::move(services))
{}

void Settings::LoadDefaultSettings()
{
    if (settingsLoaded)
        return;
    timeDisp = 0;
    spcName = 2000;
    spcMail = 1000;
    spcTime = 2000;
    spcDetail = 2800;
    waveFilename = m_programFolder.endsWith(QLatin1Char('/'))
                       ? m_programFolder + QStringLiteral("notify.wav")
                       : QString();
    GetDefaultEprog(false);
    wMailFound = false;
    selTab = 0;
    showPopupWindow = true;
    flashScrollLock = false;
    bStartup = true;
    bPlaywave = true;
    animateOn = true;
    wMailClick = 2;
    settingsLoaded = true;
}

bool Settings::ReadYourselfIn(const QString& version, AnsiLineReader& in)
{
    qint32 timeDisp32 = 0;
    bool ok = readNumber(in, timeDisp32) && timeDisp32 >= std::numeric_limits<qint16>::min() &&
              timeDisp32 <= std::numeric_limits<qint16>::max();
    if (ok)
        timeDisp = qint16(timeDisp32);
    ok = ok && readNumber(in, spcName) && readNumber(in, spcMail) && readNumber(in, spcTime) &&
         readNumber(in, spcDetail) && readText(in, waveFilename) && readText(in, eprogFilename) &&
         readBool(in, bPlaywave) && readBool(in, bStartup) && readBool(in, animateOn) &&
         readBool(in, wMailFound) && readNumber(in, wMailClick) && readNumber(in, selTab);
    if (ok) {
        if (version != QLatin1String("1.0")) {
            ok = readBool(in, showPopupWindow) && readBool(in, flashScrollLock);
        } else {
            showPopupWindow = true;
            flashScrollLock = false;
        }
    }
    if (!ok) {
        LoadDefaultSettings();
        return false;
    }
    settingsLoaded = true;
    return true;
}

void Settings::WriteYourself(AnsiLineWriter& out)
{
    auto text = [](QString t) {
        // A line break would shift every later line of the file.
        t.replace(QLatin1Char('\r'), QLatin1Char(' '));
        t.replace(QLatin1Char('\n'), QLatin1Char(' '));
        return t;
    };
    out.writeLine(QString::number(timeDisp));
    out.writeLine(QString::number(spcName));
    out.writeLine(QString::number(spcMail));
    out.writeLine(QString::number(spcTime));
    out.writeLine(QString::number(spcDetail));
    out.writeLine(text(waveFilename));
    out.writeLine(text(eprogFilename));
    out.writeLine(boolText(bPlaywave));
    out.writeLine(boolText(bStartup));
    out.writeLine(boolText(animateOn));
    out.writeLine(boolText(wMailFound));
    out.writeLine(QString::number(wMailClick));
    out.writeLine(QString::number(selTab));
    out.writeLine(boolText(showPopupWindow));
    out.writeLine(boolText(flashScrollLock));
}

bool Settings::ValidEProg() const
{
    return orvane::ValidEProg(eprogFilename);
}

bool Settings::RunEProg(bool force, std::function<void(bool started)> started)
{
    if (!force && !wMailFound)
        return false;
    if (!ValidEProg())
        return false;
    // The count stands for mail not yet read: the caller clears it only once
    // the program really runs, not when it could not start or ended at once
    // with a failure (a wrapper that printed its usage).
    m_services.launcher.start(ExtractProgramPath(eprogFilename), ProgramArguments(eprogFilename),
                              [started = std::move(started)](bool runs) {
                                  if (started)
                                      started(runs);
                              });
    return true;
}

void Settings::DoubleClick(const std::function<void()>& runEProg)
{
    if (wMailClick == 0 && ValidEProg()) {
        runEProg();
    } else if (wMailClick == 1) {
        m_services.windows.ShowSettingsWindow();
    } else if (wMailClick == 3) {
        m_services.windows.ToggleQuickBar();
    } else {
        m_services.windows.ShowQuickViewWindow();
    }
}

void Settings::GetDefaultEprog(bool complain)
{
    const std::optional<QString> command = m_services.mailClient.defaultMailCommand();
    if (!command) {
        if (complain) {
            m_services.messages.showMessage(QString::fromLatin1(MessageBoxes::kTitle),
                                            QString::fromLatin1(kNoMailClientMessage),
                                            MessageBoxes::Icon::None);
        }
        return;
    }
    eprogFilename = EprogFromDesktopCommand(*command, m_services.environment);
}

void Settings::SetEprogFromCommand(const QString& command)
{
    eprogFilename = orvane::SetEprogFromCommand(command, m_services.environment);
}

QString Settings::StripQuotes(const QString& text) const
{
    return orvane::StripQuotes(text);
}

QString Settings::ExpandEnvironment(const QString& text) const
{
    return orvane::ExpandEnvironment(text, m_services.environment);
}

} // namespace orvane
