#include "LogonName.h"

#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace orvane {

QString PosixLogonName::logonName() const
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_name)
        return {};
    return QString::fromLocal8Bit(found->pw_name);
}

} // namespace orvane
