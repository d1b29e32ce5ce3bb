#pragma once

#include "TrayPicture.h"

#include <QHash>
#include <QIcon>

namespace orvane {

class TrayIcon;

/// Paints the skins' pictures on the tray icon. Icon files are decoded once
/// (every image size they hold) and kept, so an animation does not read its
/// frames from disk on every tick; each picture, built-in ones too, is one
/// icon object for the whole run, so Qt's paint cache reuses its entries.
class TrayIconPicture final : public TrayPicture
{
public:
    explicit TrayIconPicture(TrayIcon& tray) : m_tray(tray) {}

    void SetTrayIconFromResource(int id) override;
    void SetTrayIconFromFile(const QString& path) override;
    void ForgetFiles() override { m_files.clear(); }

    /// Every image of the file, or a null icon when none can be read.
    static QIcon loadIcon(const QString& path);

private:
    TrayIcon& m_tray;
    QHash<QString, QIcon> m_files;
    QHash<int, QIcon> m_resources;
};

} // namespace orvane
