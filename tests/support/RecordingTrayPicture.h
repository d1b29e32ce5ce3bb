#pragma once

#include "display/TrayPicture.h"

#include <QFileInfo>
#include <QStringList>

namespace orvane::test {

/// Records each picture the skins show: "101" for a built-in picture, the
/// file name (without its folder) for a skin's icon.
class RecordingTrayPicture final : public TrayPicture
{
public:
    void SetTrayIconFromResource(int id) override { shown << QString::number(id); }
    void SetTrayIconFromFile(const QString& path) override { shown << QFileInfo(path).fileName(); }
    void ForgetFiles() override { ++forgotten; }
    QString last() const { return shown.isEmpty() ? QString() : shown.last(); }

    QStringList shown;
    int forgotten = 0;
};

} // namespace orvane::test
