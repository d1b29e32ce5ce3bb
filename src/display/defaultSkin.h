#pragma once

#include <QString>

namespace orvane {

class SkinSurface;

/// The built-in look, listed as "<No Skin>": picture 101 when idle, 102 when
/// mail was found (it never animates mail), and 103 to 107 in turn every
/// 100 ms while checking. Skins hand it every situation they do not define.
class defaultSkin
{
public:
    static constexpr const char* kName = "<No Skin>";
    static constexpr int kIdleIcon = 101;
    static constexpr int kFoundIcon = 102;
    static constexpr int kFirstCheckIcon = 103;
    static constexpr int kCheckFrames = 5;
    static constexpr int kFrameMs = 100;

    // The states every skin moves between.
    static constexpr int kAnimating = 0;
    static constexpr int kIdle = 1;
    static constexpr int kStill = 2;
    static constexpr int kChecking = 3;

    explicit defaultSkin(SkinSurface& surface) : m_surface(surface) {}

    bool CreateSkin();
    void DoAnimate();
    void DoCheck();
    void DoFound();
    void DoIdle();
    /// Back to idle with the first frame; the tray is not touched.
    void Reset();

    QString name() const { return QString::fromLatin1(kName); }
    int state() const { return m_state; }

private:
    SkinSurface& m_surface;
    int m_state = kIdle;
    int m_frame = 1;
};

} // namespace orvane
