// The command-line splitter: any text splits, and the arguments it gives,
// quoted again and joined, split back to the same arguments.
#include "FuzzSupport.h"
#include "platform/CommandLine.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(fuzz::bytesOf(data, size));
    const QStringList arguments = splitArguments(text);
    QStringList quoted;
    for (const QString& argument : arguments)
        quoted << quoteArgument(argument);
    FUZZ_CHECK(splitArguments(quoted.join(QLatin1Char(' '))) == arguments);
    // A desktop entry's Exec line escapes two more characters.
    const QStringList exec = splitArguments(text, u"\"\\`$");
    FUZZ_CHECK(exec.size() <= text.size());
    return 0;
}
