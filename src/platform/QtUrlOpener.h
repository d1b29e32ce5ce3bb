#pragma once

#include "platform/UrlOpener.h"

namespace orvane {

/// Hands the address to the desktop (QDesktopServices, xdg-open underneath).
class QtUrlOpener final : public UrlOpener
{
public:
    bool open(const QUrl& url) override;
};

} // namespace orvane
