#pragma once

#include "core/Indicators.h"
#include "core/SavedBlock.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace orvane {

class Clock;
class SkinSurface;
class Timer;
class TrayPicture;
class defaultSkin;
class skin;

/// The tray animation driver: it loads the tray skins of the program
/// folder's "Skins" folder, keeps the user's choice (its block of the list
/// file is that skin's name) and shows the check cycle's situation
/// (checking, idle, mail found) through the active skin. Its timer
/// `Animator` drives every tray animation; the skins switch it on and off,
/// so it runs only while checking or animating.
class SkinDriver : public SavedBlock, public Indicators
{
public:
    static constexpr const char* kNoSkin = "<No Skin>";
    /// The skin a first run shows.
    static constexpr const char* kFirstRunSkin = "XP Style Flash";
    static constexpr const char* kSkinFile = "Skin.txt";

    // The driver's situation.
    static constexpr int kChecking = 0;
    static constexpr int kIdle = 1;
    static constexpr int kFound = 2;

    /// A driver that finds no skins and shows nothing: it only keeps the
    /// saved choice.
    SkinDriver();
    /// `skinFolders` are scanned for skins (`DataFolders::skinFolders`). `animateOn` tells whether
    /// new mail animates (read at each showing).
    SkinDriver(Clock& clock, TrayPicture& tray, std::function<bool()> animateOn,
               QStringList skinFolders);
    ~SkinDriver() override;

    bool ReadYourselfIn(const QString& version, AnsiLineReader& in) override;
    void WriteYourself(AnsiLineWriter& out) override;

    /// Makes the built-in skin, idles and scans the skin folders.
    void Create();
    /// Stops the animation; the skin list and the choice stay.
    void Unload();
    bool Created() const;
    /// Adds every loadable skin folder, sorted by name without regard to case.
    void ScanSkins();
    /// Reads the skin folders anew; the built-in skin is active afterwards.
    void RescanSkins();
    /// On a first run (no saved choice was read), selects the first-run skin.
    void CheckShowStartup();
    /// Resets all skins and shows the current situation anew.
    void Update();
    /// "<No Skin>" followed by the skin names in list order.
    QStringList GetSkinNames() const;
    int GetActiveSkinIndex() const;
    /// Selects a skin by name (without regard to case; "<No Skin>" exactly
    /// is the built-in one); an unknown name selects the built-in one.
    void UseSkin(const QString& name);
    /// Selects by index when it names an entry of GetSkinNames; other values
    /// are ignored.
    void UseSkinIndex(int index);

    // The check cycle's three situations.
    void DoCheck() override;
    void DoIdle() override;
    void DoFound() override;

    QString activeSkinName() const;
    /// A saved choice was read (false on a first run).
    bool choiceRead() const { return m_choiceRead; }
    int state() const { return m_state; }
    bool isAnimating() const;

private:
    void request(int state);
    void show();
    void tick();
    template <typename F> void withActive(F&& f);

    std::unique_ptr<Timer> m_animator;
    std::unique_ptr<TrayPicture> m_ownPicture;
    std::unique_ptr<SkinSurface> m_surface;
    QStringList m_skinFolders;
    std::unique_ptr<defaultSkin> m_builtIn;
    std::vector<std::unique_ptr<skin>> m_skins;
    int m_active = 0;
    int m_state = kIdle;
    bool m_choiceRead = false;
};

} // namespace orvane
