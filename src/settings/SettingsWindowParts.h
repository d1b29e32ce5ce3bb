#pragma once

#include "SettingsWindow.h"

#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>

namespace orvane {

class AccountTableModel;
class AccountTableView;

/// What the settings window's pages share: the controls they fill and a few
/// helpers. Only the window's own source files include this.
namespace settingsparts {

constexpr const char* kModes[] = {"Time Only", "Time then Date", "Date then Time", "Date Only"};
constexpr const char* kRunAndClear = "Run your favorite e-mail program and clear mail count.";

template <typename W> W* named(W* widget, const char* objectName)
{
    widget->setObjectName(QString::fromLatin1(objectName));
    return widget;
}

inline QLabel* labelFor(QWidget* control, const char* objectName, const char* caption)
{
    auto* label = named(new QLabel(QString::fromLatin1(caption)), objectName);
    label->setBuddy(control);
    QString name = label->text().trimmed();
    while (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    control->setAccessibleName(name.trimmed());
    return label;
}

inline void paintValid(QLineEdit* box, bool valid)
{
    QPalette palette = box->palette();
    palette.setColor(QPalette::Text, valid ? box->parentWidget()->palette().color(QPalette::Text)
                                           : QColor(255, 0, 0));
    box->setPalette(palette);
}

} // namespace settingsparts

struct SettingsWindow::Controls
{
    QListWidget* listTab = nullptr;
    QLabel* lblTab = nullptr;
    QStackedWidget* pages = nullptr;
    QStatusBar* status = nullptr;
    HoverHelp* help = nullptr;
    // Accounts
    AccountTableView* servers = nullptr;
    AccountTableModel* rows = nullptr;
    /// The table's viewport, whose clicks the window watches. Kept apart
    /// because events still arrive while the table is being destroyed,
    /// when it can no longer be asked for its viewport.
    QWidget* serversViewport = nullptr;
    QPushButton* setupDate = nullptr;
    QPushButton* checkForMail = nullptr;
    QPushButton* editServer = nullptr;
    QPushButton* removeServer = nullptr;
    // General
    QLineEdit* eprog = nullptr;
    QLineEdit* wave = nullptr;
    QPushButton* play = nullptr;
    QCheckBox* startup = nullptr;
    QCheckBox* checkOnStart = nullptr;
    QCheckBox* playWave = nullptr;
    QCheckBox* showPopup = nullptr;
    QCheckBox* flash = nullptr;
    QCheckBox* desktopNotes = nullptr;
    QCheckBox* keepPasswords = nullptr;
    /// Where the passwords live when the keyring does not keep them.
    QLabel* keyringNotice = nullptr;
    QComboBox* mailFound = nullptr;
    QComboBox* doubleClick = nullptr;
    // Skins
    QComboBox* skin = nullptr;
    QCheckBox* animate = nullptr;
    QComboBox* qbSkin = nullptr;
    QCheckBox* onTop = nullptr;
};

} // namespace orvane
