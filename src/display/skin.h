#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace orvane {

class AnsiLineReader;
class SkinSurface;
class defaultSkin;

/// A tray skin read from its folder's "Skin.txt": icons for idle, mail
/// found, checking frames and mail animation frames. Whatever the file does
/// not define is handed to the built-in look.
///
/// The file: ";" starts a comment anywhere on a line, lines are trimmed and
/// blank lines skipped. Section names ([IDLE], [MAILFOUND], [CHECKING],
/// [ANIMATION]) are read without regard to case, each at most once. [IDLE]
/// and [MAILFOUND] name one icon; [CHECKING] and [ANIMATION] give the frame
/// time in ms (outside 1..1000 it is 1000), the number of frames, NORMAL or
/// REVERSE, then one icon per frame. Icon names are relative to the folder
/// and must name existing files. Anything else makes the skin unusable.
class skin
{
public:
    static constexpr int kNormal = 0;
    static constexpr int kReverse = 1;
    static constexpr int kMaxInterval = 1000;
    /// The shortest frame time shown, whatever the file says.
    static constexpr int kMinFrameMs = 20;

    explicit skin(SkinSurface& surface) : m_surface(surface) {}

    /// `skinPath` is the folder and ends with a slash; `skinFile` is the
    /// file name within it. True when the skin is usable.
    bool CreateSkin(const QString& skinName, const QString& skinPath, const QString& skinFile,
                    defaultSkin& builtIn);

    /// Mail found: the animation frames, or the still mail icon when
    /// animation is switched off or not defined.
    void DoAnimate();
    void DoCheck();
    void DoIdle();
    void DoFound();
    /// Back to idle with the first frame; the tray is not touched.
    void Reset();

    QString name() const { return m_name; }
    int state() const { return m_state; }
    int animationInterval() const { return m_animation.interval; }
    int checkingInterval() const { return m_checking.interval; }

private:
    struct Frames
    {
        bool defined = false;
        int interval = 0;
        int mode = kNormal;
        QStringList paths;
    };

    bool readSection(AnsiLineReader& in, const QString& line);
    bool readFrames(AnsiLineReader& in, Frames& frames);
    bool readIcon(AnsiLineReader& in, QString& path);
    std::optional<QString> iconPath(const QString& line) const;
    void enter(int state, const Frames& frames);
    void step(const Frames& frames);

    SkinSurface& m_surface;
    defaultSkin* m_builtIn = nullptr;
    QString m_name;
    QString m_path;
    Frames m_animation;
    Frames m_checking;
    QString m_mailIcon;
    QString m_idleIcon;
    bool m_hasMail = false;
    bool m_hasIdle = false;
    int m_state = 1;
    int m_frame = 1;
    /// Set while a REVERSE list is walked backwards; shared by both lists.
    bool m_backwards = false;
};

} // namespace orvane
