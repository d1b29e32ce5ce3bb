#pragma once

#include <QString>

namespace orvane {

/// The picture of the tray icon as the skins set it: one of the built-in
/// pictures (101 to 107) or an icon file of a skin folder. A file that
/// cannot be read leaves the previous picture.
class TrayPicture
{
public:
    virtual ~TrayPicture() = default;
    virtual void SetTrayIconFromResource(int id) = 0;
    virtual void SetTrayIconFromFile(const QString& path) = 0;
    /// Pictures read from files before are read anew from now on.
    virtual void ForgetFiles() = 0;
};

} // namespace orvane
