#pragma once

#include "core/NotifierOptions.h"
#include "core/SavedBlock.h"

#include <QString>

namespace orvane {

/// The user's options for the whole run and the general actions that depend
/// on them. The object outlives the settings window, which only shows and
/// edits these fields.
class Settings : public SavedBlock, public NotifierOptions
{
public:
    /// `programFolder` ends with a slash.
    explicit Settings(QString programFolder);

    // The options, in the order of the settings block where saved.
    bool onItemClick = false;
    bool justClicked = false;
    qint16 timeDisp = 0;
    qint32 spcName = 2000;
    qint32 spcMail = 1000;
    qint32 spcTime = 2000;
    qint32 spcDetail = 2800;
    bool settingsLoaded = false;
    QString waveFilename;
    QString eprogFilename;
    bool bStartup = true;
    bool bPlaywave = true;
    bool animateOn = true;
    bool wMailFound = false;
    qint32 wMailClick = 2;
    qint16 selTab = 0;
    bool showPopupWindow = true;
    bool flashScrollLock = false;

    // SavedBlock
    void LoadDefaultSettings() override;
    bool ReadYourselfIn(const QString& version, AnsiLineReader& in) override;
    void WriteYourself(AnsiLineWriter& out) override;

    // NotifierOptions
    int GetTimeDisp() const override { return timeDisp; }
    bool PlaySound() const override { return bPlaywave; }
    QString GetSoundFile() const override { return waveFilename; }
    bool IsFlashScrollLockOn() const override { return flashScrollLock; }
    bool CheckOnStartup() const override { return bStartup; }
    bool RunEProg(bool force) override;

protected:
    /// Takes the desktop's default mail client as the e-mail program.
    virtual void GetDefaultEprog(bool complain);

private:
    QString m_programFolder;
};

} // namespace orvane
