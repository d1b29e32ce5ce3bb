// Address lines: a line that parses as valid is written back as a line
// that parses to the same address.
#include "FuzzSupport.h"
#include "core/ServerAddress.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString line = QString::fromUtf8(fuzz::bytesOf(data, size));
    const ServerAddress address = ServerAddress::parse(line);
    FUZZ_CHECK(address.protocol != ServerAddress::Protocol::Other ||
               !ServerAddress::namesProtocol(line));
    if (!address.valid)
        return 0;
    FUZZ_CHECK(address.port > 0 && address.port < 65536);
    const ServerAddress again = ServerAddress::parse(address.toString());
    FUZZ_CHECK(again.valid);
    FUZZ_CHECK(again.protocol == address.protocol && again.security == address.security);
    FUZZ_CHECK(again.host == address.host && again.port == address.port);
    // INBOX is one folder in any case, and written as no folder at all.
    const auto inbox = [](const QString& folder) {
        return folder.compare(QLatin1String("INBOX"), Qt::CaseInsensitive) == 0;
    };
    FUZZ_CHECK(again.folder == address.folder || (inbox(again.folder) && inbox(address.folder)));
    // What the account dialog shows is what it composes the line from.
    const ServerAddress typed = ServerAddress::compose(
        address.protocol, address.security, address.hostAndPortAsTyped(), address.folder);
    FUZZ_CHECK(typed.valid && typed.toString() == address.toString());
    return 0;
}
