#include "HoverHelp.h"
#include "Settings.h"
#include "SettingsWindow.h"
#include "SettingsWindowParts.h"
#include "core/AccountSecrets.h"
#include "core/Indicators.h"
#include "core/MailCore.h"
#include "core/StartAtLogon.h"
#include "display/QuickBar.h"
#include "platform/FileDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

// The General page: the e-mail program, the sound and the actions.

namespace orvane {

using namespace settingsparts;

QWidget* SettingsWindow::buildGeneral()
{
    auto* page = named(new QWidget, "mGeneral");
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(3);

    m_c->eprog = named(new QLineEdit, "EprogTxt");
    auto* browse1 = named(new QPushButton(QStringLiteral("Browse")), "Browse1");
    browse1->setAccessibleName(QStringLiteral("Browse for the e-mail program"));
    auto* byDefault = named(new QPushButton(QStringLiteral("Default")), "cmdDefault");
    grid->addWidget(labelFor(m_c->eprog, "Label1", "Favorite E-Mail Program:"), 0, 0, 1, 3);
    grid->addWidget(m_c->eprog, 1, 0);
    grid->addWidget(browse1, 1, 1);
    grid->addWidget(byDefault, 1, 2);

    m_c->wave = named(new QLineEdit, "WaveFileTxt");
    auto* browse2 = named(new QPushButton(QStringLiteral("Browse")), "Browse2");
    browse2->setAccessibleName(QStringLiteral("Browse for the wave file"));
    m_c->play = named(new QPushButton(QStringLiteral("Play")), "cmdTest");
    grid->addWidget(labelFor(m_c->wave, "Label2", "Wave File:"), 2, 0, 1, 3);
    grid->addWidget(m_c->wave, 3, 0);
    grid->addWidget(browse2, 3, 1);
    grid->addWidget(m_c->play, 3, 2);

    auto box = [](const char* name, const char* caption) {
        return named(new QCheckBox(QString::fromLatin1(caption)), name);
    };
    m_c->startup = box("chkStartup", "Load Orvane on windows start.");
    m_c->checkOnStart = box("StartupChk", "Check for mail on startup.");
    m_c->playWave = box("PlayWaveChk", "Play sound on mail found.");
    m_c->showPopup = box("cbShowPopup", "Show popup window on mail found.");
    m_c->flash = box("cbFlashScrollLock", "Flash scroll lock keyboard light on mail found.");
    m_c->desktopNotes = box("cbDesktopNotifications", "Use the desktop's notifications");
    m_c->keepPasswords = box("chkKeepPasswords", "Keep passwords in the list file");
    m_c->keyringNotice = named(new QLabel, "lblKeyring");
    m_c->keyringNotice->setWordWrap(true);
    auto* boxes = new QGridLayout;
    boxes->setVerticalSpacing(2);
    boxes->addWidget(m_c->startup, 0, 0);
    boxes->addWidget(m_c->checkOnStart, 0, 1);
    boxes->addWidget(m_c->playWave, 1, 0);
    boxes->addWidget(m_c->showPopup, 1, 1);
    boxes->addWidget(m_c->flash, 2, 0, 1, 2);
    boxes->addWidget(m_c->desktopNotes, 3, 0, 1, 2);
    boxes->addWidget(m_c->keepPasswords, 4, 0, 1, 2);
    boxes->addWidget(m_c->keyringNotice, 5, 0, 1, 2);
    grid->addLayout(boxes, 4, 0, 1, 3);

    auto* actions = named(new QGroupBox(QStringLiteral("Actions")), "Frame2");
    m_c->help->add(actions, {});
    m_c->mailFound = named(new QComboBox, "cmbMailFound");
    m_c->doubleClick = named(new QComboBox, "cmbDoubleClick");
    auto* actionLayout = new QVBoxLayout(actions);
    actionLayout->setSpacing(2);
    actionLayout->addWidget(labelFor(m_c->mailFound, "lblMailFound", "When mail is found :"));
    actionLayout->addWidget(m_c->mailFound);
    actionLayout->addWidget(
        labelFor(m_c->doubleClick, "lblDoubleClick", "On double-click of the system tray icon :"));
    actionLayout->addWidget(m_c->doubleClick);
    grid->addWidget(actions, 5, 0, 1, 3);
    grid->setRowStretch(6, 1);

    HoverHelp& help = *m_c->help;
    help.add(m_c->eprog, QStringLiteral("Enter the path and filename to your favorite e-mail "
                                        "program.  Try browsing."));
    help.add(browse1, QStringLiteral("Click to browse for the e-mail program executable file."));
    help.add(byDefault, QStringLiteral("Click to use your system's default E-Mail client."));
    help.add(m_c->wave, QStringLiteral("Enter the path and filename to the default notification "
                                       "sound file.  Try browsing."));
    help.add(browse2,
             QStringLiteral("Click to browse for the wave file to use when mail is found."));
    help.add(m_c->play, QStringLiteral("Click to play the wave file you've selected."));
    help.add(m_c->playWave,
             QStringLiteral("If checked, the wave file selected will play when mail is found."));
    help.add(m_c->startup, QStringLiteral("Select this to run Orvane when your computer boots."));
    help.add(m_c->checkOnStart,
             QStringLiteral("If checked, all servers will be checked for mail on startup."));
    help.add(m_c->desktopNotes,
             QStringLiteral("If checked, new mail is announced in the desktop's own "
                            "notifications instead of the popup window."));
    help.add(m_c->keepPasswords,
             QStringLiteral("If checked, passwords are kept in the list of accounts instead of "
                            "the desktop's keyring, for a program folder you carry between "
                            "machines."));

    Settings& s = m_services.store;
    connect(m_c->eprog, &QLineEdit::textChanged, this, &SettingsWindow::eprogChanged);
    connect(m_c->wave, &QLineEdit::textChanged, this, &SettingsWindow::waveChanged);
    connect(browse1, &QPushButton::clicked, this, [this] {
        const auto chosen = m_services.files.openFile(
            QStringLiteral("Choose Favorite E-Mail Program"),
            m_services.store.StripQuotes(m_c->eprog->text()), QStringLiteral("Programs (*)"));
        // The window may have gone while the dialog was open.
        if (chosen && m_c)
            m_c->eprog->setText(QLatin1Char('"') + *chosen + QLatin1Char('"'));
    });
    connect(byDefault, &QPushButton::clicked, this, [this] {
        m_services.store.GetDefaultEprog(true);
        if (m_c && m_window)
            m_c->eprog->setText(m_services.store.eprogFilename);
    });
    connect(browse2, &QPushButton::clicked, this, [this] {
        const auto chosen =
            m_services.files.openFile(QStringLiteral("Choose Wave File"), m_c->wave->text(),
                                      QStringLiteral("Wave Files (*.wav)"));
        if (chosen && m_c)
            m_c->wave->setText(*chosen);
    });
    connect(m_c->play, &QPushButton::clicked, this,
            [this] { m_services.core.PlaySoundOnce(m_services.store.GetSoundFile(), true); });
    connect(m_c->startup, &QCheckBox::toggled, this, [this](bool on) {
        m_services.startAtLogon.setStartAtLogon(on);
        changed();
    });
    auto option = [this](QCheckBox* b, bool& field) {
        connect(b, &QCheckBox::toggled, this, [this, &field](bool on) {
            field = on;
            changed();
        });
    };
    option(m_c->checkOnStart, s.bStartup);
    option(m_c->playWave, s.bPlaywave);
    option(m_c->showPopup, s.showPopupWindow);
    connect(m_c->desktopNotes, &QCheckBox::toggled, this, [this](bool on) {
        m_services.store.SetUseDesktopNotifications(on);
        changed();
    });
    connect(m_c->keepPasswords, &QCheckBox::toggled, this, [this](bool on) {
        m_services.store.keepPasswordsInFile = on;
        if (m_services.secrets)
            m_services.secrets->keepInFileChanged();
        changed();
    });
    if (m_services.secrets) {
        connect(m_services.secrets, &AccountSecrets::keyringChanged, m_c->keyringNotice,
                [this] { showKeyringNotice(); });
    }
    connect(m_c->flash, &QCheckBox::toggled, this, [this](bool on) {
        m_services.store.flashScrollLock = on;
        if (on && m_services.core.announced())
            m_services.displays.Flash(true);
        else if (!on)
            m_services.displays.Flash(false);
        changed();
    });
    connect(m_c->mailFound, &QComboBox::activated, this, [this](int index) {
        m_services.store.wMailFound = index != 0;
        changed();
    });
    connect(m_c->doubleClick, &QComboBox::activated, this, [this](int index) {
        m_services.store.wMailClick = index;
        changed();
    });
    return page;
}

void SettingsWindow::eprogChanged()
{
    m_services.store.eprogFilename = m_c->eprog->text();
    // The tray menu asks ValidEProg when it opens: its run command follows.
    paintValid(m_c->eprog, m_services.store.ValidEProg());
    changed();
}

void SettingsWindow::waveChanged()
{
    const bool exists = QFile::exists(m_c->wave->text());
    paintValid(m_c->wave, exists);
    m_c->play->setEnabled(exists);
    m_services.store.waveFilename = m_c->wave->text();
    changed();
}

void SettingsWindow::ShowSettings()
{
    const Settings& s = m_services.store;
    // The controls show the options; nothing is stored or switched again.
    const QSignalBlocker blockers[] = {
        QSignalBlocker(m_c->eprog),         QSignalBlocker(m_c->wave),
        QSignalBlocker(m_c->startup),       QSignalBlocker(m_c->checkOnStart),
        QSignalBlocker(m_c->playWave),      QSignalBlocker(m_c->showPopup),
        QSignalBlocker(m_c->flash),         QSignalBlocker(m_c->animate),
        QSignalBlocker(m_c->onTop),         QSignalBlocker(m_c->desktopNotes),
        QSignalBlocker(m_c->keepPasswords),
    };
    m_c->wave->setText(s.waveFilename);
    m_c->eprog->setText(s.eprogFilename);
    m_c->playWave->setChecked(s.bPlaywave);
    m_c->checkOnStart->setChecked(s.bStartup);
    m_c->startup->setChecked(m_services.startAtLogon.startAtLogon());
    m_c->showPopup->setChecked(s.showPopupWindow);
    m_c->flash->setChecked(s.flashScrollLock);
    m_c->desktopNotes->setChecked(s.UseDesktopNotifications());
    m_c->keepPasswords->setChecked(s.keepPasswordsInFile);
    showKeyringNotice();
    m_c->animate->setChecked(s.animateOn);
    m_c->onTop->setChecked(m_services.quickBar.IsOnTop());
    paintValid(m_c->eprog, s.ValidEProg());
    const bool waveExists = QFile::exists(s.waveFilename);
    paintValid(m_c->wave, waveExists);
    m_c->play->setEnabled(waveExists);
}

void SettingsWindow::showKeyringNotice()
{
    const QString notice = m_services.secrets ? m_services.secrets->notice() : QString();
    m_c->keyringNotice->setText(notice);
    m_c->keyringNotice->setVisible(!notice.isEmpty());
}

void SettingsWindow::FillActionLists()
{
    const Settings& s = m_services.store;
    m_c->mailFound->clear();
    m_c->mailFound->addItems(
        {QStringLiteral("Display the correct system tray icon indicating mail was found."),
         QString::fromLatin1(kRunAndClear)});
    m_c->mailFound->setCurrentIndex(s.wMailFound ? 1 : 0);
    m_c->doubleClick->clear();
    m_c->doubleClick->addItems({QString::fromLatin1(kRunAndClear),
                                QStringLiteral("Display Settings dialog (this window)."),
                                QStringLiteral("Display the Quick View Dialog."),
                                QStringLiteral("Open/Close Quick Bar.")});
    // A number outside the list (a hand-edited file) acts as Quick View,
    // which is then what the list shows.
    constexpr int kQuickView = 2;
    m_c->doubleClick->setCurrentIndex(
        s.wMailClick >= 0 && s.wMailClick < m_c->doubleClick->count() ? s.wMailClick : kQuickView);
}

} // namespace orvane
