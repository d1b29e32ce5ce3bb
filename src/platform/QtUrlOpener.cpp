#include "QtUrlOpener.h"

#include <QDesktopServices>

namespace orvane {

bool QtUrlOpener::open(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

} // namespace orvane
