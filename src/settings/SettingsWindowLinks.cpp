#include "FLicense.h"
#include "HoverHelp.h"
#include "SettingsWindow.h"
#include "SettingsWindowParts.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

// The Links and About pages.

namespace orvane {

using namespace settingsparts;

QWidget* SettingsWindow::buildLinks()
{
    auto* page = named(new QWidget, "mLinks");
    auto* layout = new QVBoxLayout(page);
    struct Link
    {
        const char* name;
        const char* caption;
        const char* menuId;
        const char* hint;
    };
    constexpr Link kLinks[] = {
        {"webSkins", "Get More Skins", "stMenuGetSkins", "Click to get more skins for Orvane."},
        {"webNuvari", "Nuvari's Website", "stMenuNuvari", "Click to goto Nuvari's Website."},
        {"webOrvane", "Orvane's Website", "stMenuOrvane", "Click to goto Orvane's Website."},
        {"webSupport", "Nuvari Support", "stMenuSupport",
         "Click here to get information about support from Nuvari."},
        {"webDonate", "Help Nuvari - DONATE", "stMenuDonate",
         "If you enjoy using this product, please support it.  Click here for more information."},
    };
    auto* image = named(new QLabel, "Image1");
    image->setPixmap(QIcon(QStringLiteral(":/icons/102.png")).pixmap(48, 48));
    m_c->help->add(image, {});
    auto* row = new QHBoxLayout;
    auto* links = new QVBoxLayout;
    for (const Link& link : kLinks) {
        auto* b = named(new QPushButton(QString::fromLatin1(link.caption)), link.name);
        b->setFlat(true);
        b->setCursor(Qt::PointingHandCursor);
        b->setStyleSheet(QStringLiteral("QPushButton { color: palette(link); text-decoration: "
                                        "underline; text-align: left; padding: 2px 4px; }"));
        m_c->help->add(b, QString::fromLatin1(link.hint));
        const QString id = QString::fromLatin1(link.menuId);
        connect(b, &QPushButton::clicked, this, [this, id] {
            if (m_services.openPage)
                m_services.openPage(id);
        });
        links->addWidget(b);
    }
    links->addStretch();
    row->addLayout(links, 1);
    row->addWidget(image, 0, Qt::AlignTop);
    layout->addLayout(row);
    return page;
}

QWidget* SettingsWindow::buildAbout()
{
    auto* page = named(new QWidget, "mAbout");
    auto* layout = new QVBoxLayout(page);
    auto* picture = named(new QLabel, "aboutPicture");
    picture->setPixmap(QIcon(QStringLiteral(":/icons/101.png")).pixmap(64, 64));
    picture->setAlignment(Qt::AlignCenter);
    auto* text = named(new QLabel(QStringLiteral("Orvane 1.6\nA desktop e-mail notifier.\n"
                                                 "It counts your mail; it never downloads it.")),
                       "aboutText");
    text->setAlignment(Qt::AlignCenter);
    auto* license = named(new QPushButton(QStringLiteral("License")), "cmdLicense");
    layout->addStretch();
    layout->addWidget(picture);
    layout->addWidget(text);
    layout->addWidget(license, 0, Qt::AlignHCenter);
    layout->addStretch();
    connect(license, &QPushButton::clicked, this, [this] {
        if (m_license)
            return;
        m_license = new FLicense(m_window);
        m_license->open();
    });
    return page;
}

} // namespace orvane
