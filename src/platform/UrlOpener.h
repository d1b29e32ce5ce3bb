#pragma once

#include <QUrl>

namespace orvane {

/// Opens a document or folder in the desktop's viewer for it, without
/// waiting. A page that cannot be opened is the caller's to ignore.
class UrlOpener
{
public:
    virtual ~UrlOpener() = default;
    /// False when the desktop could not open it.
    virtual bool open(const QUrl& url) = 0;
};

} // namespace orvane
