#include "Settings.h"

#include "EmailProgram.h"
#include "core/ProgramWindows.h"
#include "platform/AnsiText.h"
#include "platform/MailClientLocator.h"
#include "platform/MessageBoxes.h"
#include "platform/ProcessLauncher.h"

#include <optional>

namespace orvane {
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
    keepPasswordsInFile = false;
    settingsLoaded = true;
}

bool Settings::ReadYourselfIn(const QString& version, AnsiLineReader& in)
{
    bool ok = in.readNumber(timeDisp) && in.readNumber(spcName) && in.readNumber(spcMail) &&
              in.readNumber(spcTime) && in.readNumber(spcDetail) && in.readText(waveFilename) &&
              in.readText(eprogFilename) && in.readBool(bPlaywave) && in.readBool(bStartup) &&
              in.readBool(animateOn) && in.readBool(wMailFound) && in.readNumber(wMailClick) &&
              in.readNumber(selTab);
    if (ok) {
        if (version != QLatin1String("1.0")) {
            ok = in.readBool(showPopupWindow) && in.readBool(flashScrollLock);
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
    out.writeNumber(timeDisp);
    out.writeNumber(spcName);
    out.writeNumber(spcMail);
    out.writeNumber(spcTime);
    out.writeNumber(spcDetail);
    out.writeText(waveFilename);
    out.writeText(eprogFilename);
    out.writeBool(bPlaywave);
    out.writeBool(bStartup);
    out.writeBool(animateOn);
    out.writeBool(wMailFound);
    out.writeNumber(wMailClick);
    out.writeNumber(selTab);
    out.writeBool(showPopupWindow);
    out.writeBool(flashScrollLock);
}

bool Settings::ReadLaterLines(AnsiLineReader& in)
{
    // A file that ends before a line keeps that option's default.
    if (in.onlyBlankLinesLeft())
        return true;
    bool on = false;
    if (!in.readBool(on))
        return false;
    m_useDesktopNotifications = on;
    if (in.onlyBlankLinesLeft())
        return true;
    return in.readBool(keepPasswordsInFile);
}

void Settings::WriteLaterLines(AnsiLineWriter& out)
{
    out.writeBool(UseDesktopNotifications());
    out.writeBool(keepPasswordsInFile);
}

bool Settings::UseDesktopNotifications() const
{
    if (!m_useDesktopNotifications) {
        m_useDesktopNotifications =
            m_services.desktopKeepsNotifications && m_services.desktopKeepsNotifications();
    }
    return *m_useDesktopNotifications;
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
    m_services.launcher.start(ExtractProgramPath(eprogFilename), programArguments(eprogFilename),
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
    eprogFilename = eprogFromDesktopCommand(*command, m_services.environment);
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
