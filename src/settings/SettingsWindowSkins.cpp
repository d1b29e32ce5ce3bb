#include "HoverHelp.h"
#include "Settings.h"
#include "SettingsWindow.h"
#include "SettingsWindowParts.h"
#include "display/QuickBar.h"
#include "display/SkinDriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

// The Skins page: the tray's skin and the Quick Bar's.

namespace orvane {

using namespace settingsparts;

namespace {

/// Both lists are captioned "Use Skin:". A screen reader names a list by
/// its label (on Linux a list's own name is its current entry), so the
/// label and the list get one name that tells the two apart.
QLabel* nameBoth(QLabel* label, QWidget* list, const QString& name)
{
    label->setAccessibleName(name);
    list->setAccessibleName(name);
    return label;
}

} // namespace

QWidget* SettingsWindow::buildSkins()
{
    auto* page = named(new QWidget, "mSkins");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* tray =
        named(new QGroupBox(QStringLiteral("System Tray Icon Skin Configuration")), "Frame5");
    m_c->help->add(tray, {});
    m_c->skin = named(new QComboBox, "SkinCombo");
    auto* refresh = named(new QPushButton(QStringLiteral("Refresh")), "bRefresh");
    refresh->setAccessibleName(QStringLiteral("Refresh tray skins"));
    m_c->animate = named(new QCheckBox(QStringLiteral("Animate when mail is found (If Available)")),
                         "AnimChk");
    auto* trayGrid = new QGridLayout(tray);
    trayGrid->addWidget(nameBoth(labelFor(m_c->skin, "Label3", "Use Skin:"), m_c->skin,
                                 QStringLiteral("Tray icon skin")),
                        0, 0);
    trayGrid->addWidget(m_c->skin, 0, 1);
    trayGrid->addWidget(refresh, 0, 2);
    trayGrid->addWidget(m_c->animate, 1, 0, 1, 3);
    trayGrid->setColumnStretch(1, 1);
    layout->addWidget(tray);

    auto* bar = named(new QGroupBox(QStringLiteral("QuickBar Skin Configuration")), "Frame6");
    m_c->help->add(bar, {});
    m_c->qbSkin = named(new QComboBox, "cmbQBSkin");
    auto* refreshBar = named(new QPushButton(QStringLiteral("Refresh")), "cmdRefreshQuickBar");
    refreshBar->setAccessibleName(QStringLiteral("Refresh Quick Bar skins"));
    m_c->onTop =
        named(new QCheckBox(QStringLiteral("QuickBar is always on top of windows.")), "cbOnTop");
    auto* reset = named(new QPushButton(QStringLiteral("Reset Position")), "cmdResetPos");
    auto* barGrid = new QGridLayout(bar);
    barGrid->addWidget(nameBoth(labelFor(m_c->qbSkin, "Label4", "Use Skin:"), m_c->qbSkin,
                                QStringLiteral("Quick Bar skin")),
                       0, 0);
    barGrid->addWidget(m_c->qbSkin, 0, 1);
    barGrid->addWidget(refreshBar, 0, 2);
    barGrid->addWidget(m_c->onTop, 1, 0, 1, 2);
    barGrid->addWidget(reset, 1, 2);
    barGrid->setColumnStretch(1, 1);
    layout->addWidget(bar);
    layout->addStretch();

    HoverHelp& help = *m_c->help;
    help.add(m_c->animate, QStringLiteral("Select this to have Orvane animate the system tray icon "
                                          "when new e-mail is found."));
    help.add(m_c->onTop, QStringLiteral("Select this to have the Quick Bar sit on top of other "
                                        "program's windows."));
    help.add(reset,
             QStringLiteral("Click to move the Quick Bar back to the upper left-hand corner."));
    help.add(refreshBar, QStringLiteral("Click to refresh the Quick Bar skin list to the left of "
                                        "this button."));
    help.add(refresh,
             QStringLiteral("Click to refresh the skins list to the left of this button."));

    connect(m_c->skin, &QComboBox::activated, this, [this](int index) {
        m_services.skinDriver.UseSkinIndex(index);
        changed();
    });
    connect(refresh, &QPushButton::clicked, this, [this] {
        m_services.skinDriver.RescanSkins();
        FillComboBox();
    });
    connect(m_c->animate, &QCheckBox::toggled, this, [this](bool on) {
        m_services.store.animateOn = on;
        if (m_services.skinDriver.Created())
            m_services.skinDriver.Update();
        changed();
    });
    connect(m_c->qbSkin, &QComboBox::activated, this, [this](int index) {
        m_services.quickBar.UseSkin(m_c->qbSkin->itemText(index));
        changed();
    });
    connect(refreshBar, &QPushButton::clicked, this, [this] {
        m_services.quickBar.RescanSkins();
        FillQBSkins();
    });
    connect(m_c->onTop, &QCheckBox::toggled, this, [this](bool on) {
        m_services.quickBar.SetOnTop(on);
        // The bar may not manage it (Wayland): the box shows what it got.
        syncOnTop();
        changed();
    });
    connect(reset, &QPushButton::clicked, this, [this] {
        m_services.quickBar.ResetSkinPos();
        changed();
    });
    return page;
}

void SettingsWindow::FillComboBox()
{
    if (!m_c || !m_window)
        return;
    m_c->skin->clear();
    m_c->skin->addItems(m_services.skinDriver.GetSkinNames());
    m_c->skin->setCurrentIndex(m_services.skinDriver.GetActiveSkinIndex());
}

void SettingsWindow::FillQBSkins()
{
    if (!m_c || !m_window)
        return;
    m_c->qbSkin->clear();
    m_c->qbSkin->addItems(m_services.quickBar.GetSkinNames());
    m_c->qbSkin->setCurrentIndex(m_services.quickBar.GetActiveSkinIndex());
}

void SettingsWindow::syncOnTop()
{
    if (!m_c || !m_window)
        return;
    const QSignalBlocker blocker(m_c->onTop);
    m_c->onTop->setChecked(m_services.quickBar.IsOnTop());
}

} // namespace orvane
