// Skin.txt in a folder holding the icons the shipped skin names, then the
// skin driven through every situation.
#include "FuzzSupport.h"
#include "display/SkinSurface.h"
#include "display/TrayPicture.h"
#include "display/defaultSkin.h"
#include "display/skin.h"
#include "platform/SystemClock.h"

#include <QDir>
#include <QFile>

using namespace orvane;

namespace {

class NoTray final : public TrayPicture
{
public:
    void SetTrayIconFromResource(int) override {}
    void SetTrayIconFromFile(const QString&) override {}
    void ForgetFiles() override {}
};

QString skinFolder()
{
    const QString folder = fuzz::scratchFolder() + QStringLiteral("/skin/");
    QDir().mkpath(folder);
    for (const char* icon : {"idle.ico", "mail.ico", "check1.ico", "check2.ico", "check3.ico",
                             "check4.ico", "flash1.ico", "flash2.ico", "flash3.ico", "flash4.ico"})
        QFile(folder + QLatin1String(icon)).open(QIODevice::WriteOnly);
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString folder = skinFolder();
    static SystemClock clock;
    static const std::unique_ptr<Timer> animator = clock.createTimer();
    static NoTray picture;
    static SkinSurface surface(picture, *animator, [] { return true; });

    fuzz::writeScratchFile(QStringLiteral("skin/Skin.txt"), fuzz::bytesOf(data, size));
    defaultSkin builtIn(surface);
    skin tray(surface);
    if (!tray.CreateSkin(QStringLiteral("Fuzzed"), folder, QStringLiteral("Skin.txt"), builtIn))
        return 0;
    FUZZ_CHECK(tray.animationInterval() >= 0 && tray.animationInterval() <= skin::kMaxInterval);
    FUZZ_CHECK(tray.checkingInterval() >= 0 && tray.checkingInterval() <= skin::kMaxInterval);
    tray.DoCheck();
    for (int frame = 0; frame < 10; ++frame)
        tray.DoCheck();
    tray.DoFound();
    for (int frame = 0; frame < 10; ++frame)
        tray.DoAnimate();
    tray.DoIdle();
    tray.Reset();
    animator->stop();
    return 0;
}
