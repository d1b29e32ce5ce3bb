#pragma once

#include "platform/UrlOpener.h"

#include <QList>

namespace orvane::test {

/// Records the addresses it is asked to open and answers `result`.
class RecordingUrlOpener final : public UrlOpener
{
public:
    bool open(const QUrl& url) override
    {
        opened << url;
        return result;
    }
    QList<QUrl> opened;
    bool result = true;
};

} // namespace orvane::test
