#pragma once

#include "BarSkin.h"
#include "DefaultBarSkin.h"
#include "core/Indicators.h"
#include "core/SavedBlock.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <memory>
#include <vector>

class QWidget;

namespace orvane {

class NotifierOptions;
class ProgramWindows;
class QuickBarWindow;

/// The Quick Bar: a small skinned window floating on the desktop, showing
/// whether a check runs and mail waits, the count, and buttons for the
/// common commands. The object lives for the whole run and keeps the skin
/// list, the state, the place (in twips) and the on-top choice; its window
/// is made when first shown and only hidden until `Unload`.
class QuickBar : public QObject, public SavedBlock, public Indicators
{
    Q_OBJECT
public:
    static constexpr const char* kDefaultSkin = "<Default>";
    /// What a first run shows, when a skin folder of that name loaded.
    static constexpr const char* kFirstRunSkin = "Sublime";
    static constexpr int kSnapDistance = 10;

    /// `skinFolders` are scanned for skins (`DataFolders::skinFolders`).
    QuickBar(QStringList skinFolders, ProgramWindows& windows, NotifierOptions& options,
             QObject* parent = nullptr);
    ~QuickBar() override;

    bool ReadYourselfIn(const QString& version, AnsiLineReader& in) override;
    void WriteYourself(AnsiLineWriter& out) override;

    // The check cycle's redraws.
    void QuickBarSetState(int check, int mail) override { SetState(check, mail); }
    void QuickBarSetMailCount(qint64 count) override { SetMailCount(count); }

    QString activeSkinName() const { return activeSkin().name; }
    bool isVisible() const { return m_visible; }
    qint32 top() const { return m_top; }
    qint32 left() const { return m_left; }
    bool isOnTop() const { return m_onTop; }
    bool settingsRead() const { return m_settingsRead; }

    /// Scans the skins and selects the built-in one.
    void Create();
    /// Destroys the window; the state stays.
    void Unload();
    /// On a first run (no saved block read): "Sublime", centred, shown.
    void CheckShowStartup();
    /// Adds every loadable skin folder to the list, sorted by name.
    void ScanSkins();
    void RescanSkins();
    /// "<Default>", then the skin names in list order.
    QStringList GetSkinNames() const;
    int GetActiveSkinIndex() const { return m_active; }
    /// "<Default>" exactly, else the first skin of that name in any case,
    /// else the built-in one.
    void UseSkin(const QString& name);
    /// Ignores an index that names no entry of GetSkinNames.
    void UseSkinIndex(int index);
    /// Redraws when the window is shown.
    void Update();
    /// Redraws the window with the active skin; does not show it.
    void ShowBar();
    void ShowWindow(bool show);

    /// `check` 0 while a check runs, `mail` 1 while mail waits.
    void SetState(int check, int mail);
    /// Shows the count with at least three digits; a negative one is ignored.
    void SetMailCount(qint64 inNum);
    QString mailCountText() const { return m_countText; }

    /// Puts the window above all others or back; true only when it now
    /// stays on top.
    bool SetTopMostWindow(bool topmost);
    void SetOnTop(bool on)
    {
        m_onTop = SetTopMostWindow(on);
        Q_EMIT changed();
    }
    void SwitchOnTop() { SetOnTop(!m_onTop); }
    bool IsOnTop() const { return m_onTop; }
    /// To the top-left corner of the screen.
    void ResetSkinPos();

    /// Where a dragged edge lands on one axis (twips): flush with the near
    /// or the far side of the screen when within the snap distance, else
    /// where it was dragged.
    static qint32 SnapAxis(qint32 wanted, qint32 windowSize, qint32 screenStart, qint32 screenSize,
                           qint32 factor);
    /// The screen (index into `screens`, pixels) a window at `window` is
    /// on: the one holding its centre, else the one showing most of it; -1
    /// when none shows any of it.
    static int ScreenFor(const QRect& window, const QList<QRect>& screens);
    /// Where a bar dragged to `wanted` lands (twips): its edges snap to the
    /// edges of the screen it is on.
    static QPoint SnapToScreens(const QPoint& wanted, const QSize& window,
                                const QList<QRect>& screens, qint32 ppx, qint32 ppy);
    /// Where a bar saved at `saved` is shown (pixels): there when a screen
    /// shows enough of it to grab, else centred on the primary screen.
    static QPoint ShownAt(const QRect& saved, const QList<QRect>& screens, const QRect& primary);
    static QPoint CentreOn(const QRect& screen, const QSize& window);

    /// The window while it exists (for the program's tests and screenshots).
    QWidget* window() const;
    /// The background the window shows now.
    QImage background() const { return m_background; }

Q_SIGNALS:
    // The buttons' commands that belong to the check cycle and the program.
    void checkAllRequested();
    void clearRequested();
    void runRequested();
    void exitRequested();
    /// A right-button release on the background or a button: the tray menu.
    void trayMenuRequested();
    /// The user moved or closed the bar, set it on top or reset its place:
    /// its saved block is to be written.
    void changed();

private:
    friend class QuickBarWindow;
    enum class Button
    {
        Close,
        Settings,
        QuickView,
        Check,
        Run,
        Exit,
        Clear,
        Default
    };
    const BarSkin& activeSkin() const;
    QuickBarWindow& ensureWindow();
    void moveWindow();
    /// Window events.
    void buttonPressed() { m_rightClick = false; }
    void buttonRightReleased();
    void buttonClicked(Button button);
    void dragTo(qint32 left, qint32 top);
    void dragEnded();
    bool canPlaceItself() const;

    QStringList m_skinFolders;
    ProgramWindows& m_windows;
    NotifierOptions& m_options;
    std::vector<std::unique_ptr<BarSkin>> m_skins;
    DefaultBarSkin m_builtIn;
    int m_active = 0;
    qint32 m_ppx = 15;
    qint32 m_ppy = 15;
    int m_check = 1;
    int m_mail = 0;
    QString m_countText = QStringLiteral("000");
    QImage m_background;
    bool m_visible = false;
    qint32 m_top = 0;
    qint32 m_left = 0;
    bool m_onTop = false;
    bool m_settingsRead = false;
    bool m_rightClick = false;
    bool m_moved = false;
    std::unique_ptr<QuickBarWindow> m_window;
};

} // namespace orvane
