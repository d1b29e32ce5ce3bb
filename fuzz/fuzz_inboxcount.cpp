// The web-mail count readers: the inbox page with each checker's marker.
#include "FuzzSupport.h"
#include "webmail/InboxCount.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString markers[] = {QStringLiteral("Inbox<font style=\"FONT-WEIGHT: normal\"> ("),
                                      QStringLiteral("><b>Inbox ("), QStringLiteral("Inbox (")};
    const QString html = QString::fromUtf8(fuzz::bytesOf(data, size));
    for (const QString& marker : markers) {
        const std::optional<qint32> count = readInboxCount(html, marker);
        FUZZ_CHECK(!count || *count >= 0);
    }
    return 0;
}
