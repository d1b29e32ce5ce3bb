// POP3 replies as the checker reads them: the STAT count and STLS in the
// CAPA answer, within the checker's cap on a reply.
#include "FuzzSupport.h"
#include "checkers/POP3.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (qsizetype(size) > POP3::MaxPendingText)
        return 0;
    // Replies are read as Latin-1, every byte one character.
    const QString reply = QString::fromLatin1(fuzz::bytesOf(data, size));
    const std::optional<qint32> count = POP3::StatCount(reply);
    FUZZ_CHECK(!count || *count >= 0);
    POP3::OffersStls(reply);
    return 0;
}
