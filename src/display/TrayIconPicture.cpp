#include "TrayIconPicture.h"

#include "core/stForm.h"
#include "platform/TrayIcon.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>

namespace orvane {

void TrayIconPicture::SetTrayIconFromResource(int id)
{
    // The same icon object every time: Qt caches what it paints under the
    // icon's identity, and a new object per frame left a new entry behind at
    // every paint for as long as the checks ran.
    auto found = m_resources.constFind(id);
    if (found == m_resources.constEnd())
        found = m_resources.insert(id, QIcon(stForm::ResourcePath(id)));
    m_tray.setIcon(*found);
}

void TrayIconPicture::SetTrayIconFromFile(const QString& path)
{
    auto found = m_files.constFind(path);
    if (found == m_files.constEnd()) {
        const QIcon icon = loadIcon(path);
        if (icon.isNull())
            return; // the previous picture stays; the file may be fixed later
        found = m_files.insert(path, icon);
    }
    m_tray.setIcon(*found);
}

QIcon TrayIconPicture::loadIcon(const QString& path)
{
    QIcon icon;
    if (!QFileInfo(path).isFile())
        return icon;
    QImageReader reader(path);
    // An icon file holds one image per size; the tray picks the one that
    // fits its panel.
    for (int i = 0; i < qMax(1, reader.imageCount()); ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        const QImage image = reader.read();
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

} // namespace orvane
