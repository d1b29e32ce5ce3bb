// Reads, and with a choice first writes, one user's start-at-log-on choice in
// a program folder; the test runs it as another system user.
// Usage: CompanionTool <folder/> <log-on name> [True|False]
#include "core/CompanionConfig.h"

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 3)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString logon = QString::fromLocal8Bit(argv[2]);
    bool written = true;
    if (argc > 3)
        written = orvane::WriteCompanionConfig(folder, logon, qstrcmp(argv[3], "True") == 0);
    std::puts(orvane::ReadCompanionConfig(folder, logon) ? "True" : "False");
    return written ? 0 : 1;
}
