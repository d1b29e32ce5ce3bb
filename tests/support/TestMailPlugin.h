#pragma once

#include "checkers/MailPluginLoader.h"

#include <QtGlobal>

namespace orvane::test {

/// The mail plugin the build put into the program folder, loaded as the
/// notifier loads it (for tests of the checkers, which link them).
inline MailProtocols* mailPlugin()
{
    static MailPluginLoader loader(
        MailPluginLoader::DefaultPluginPath(qEnvironmentVariable("ORVANE_PROGRAM_DIR") + u'/'));
    return loader.protocols();
}

} // namespace orvane::test
