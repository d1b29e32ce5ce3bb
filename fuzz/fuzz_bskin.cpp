// bSkin.txt in a folder holding the bitmaps the shipped skin names, then
// every placement the Quick Bar asks of it.
#include "FuzzSupport.h"
#include "display/BarSkin.h"

#include <QDir>
#include <QFile>

using namespace orvane;

namespace {

QString skinFolder()
{
    const QString folder = fuzz::scratchFolder() + QStringLiteral("/bar/");
    QDir().mkpath(folder);
    for (const char* bitmap : {"idle.bmp", "idlemail.bmp", "check.bmp", "checkmail.bmp"})
        QFile(folder + QLatin1String(bitmap)).open(QIODevice::WriteOnly);
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString folder = skinFolder();
    fuzz::writeScratchFile(QStringLiteral("bar/bSkin.txt"), fuzz::bytesOf(data, size));
    BarSkin bar;
    if (!bar.CreateSkin(QStringLiteral("Fuzzed"), folder, QLatin1String(BarSkin::kSkinFile)))
        return 0;
    bar.SetupPixels(15, 15);
    const BarPlacement main = bar.DrawMAIN();
    FUZZ_CHECK(main.width >= 15 && main.width <= BarSkin::kMaxSide * 15);
    FUZZ_CHECK(main.height >= 15 && main.height <= BarSkin::kMaxSide * 15);
    bar.FitsWithin(QSize(1920, 1080));
    for (const BarPlacement& control :
         {bar.DrawBar(), bar.DrawClose(), bar.DrawSettings(), bar.DrawQuickView(), bar.DrawCheck(),
          bar.DrawRun(), bar.DrawExit(), bar.DrawClear(), bar.DrawViewList(), bar.DrawNumber()}) {
        // A control never reaches outside the bar; the default button is
        // the one placed where the skin says, bar or not.
        if (control.visible)
            FUZZ_CHECK(control.left >= 0 && control.top >= 0 &&
                       control.left + control.width <= main.width &&
                       control.top + control.height <= main.height);
    }
    FUZZ_CHECK(bar.numberSize() >= BarSkin::kMinNumberSize &&
               bar.numberSize() <= BarSkin::kMaxNumberSize);
    bar.DrawDefault();
    bar.NumberLook();
    return 0;
}
