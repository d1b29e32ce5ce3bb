#pragma once

#include "core/Indicators.h"

#include <QDateTime>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QFontMetrics;
class QWidget;

namespace orvane {

class Clock;
class DesktopPopup;
class PopupWindow;
class ProgramWindows;
class Timer;

/// The new-mail popup: a small borderless window on top of the others in
/// the bottom-right corner of the work area, listing the accounts with new
/// mail, newest first. It closes itself 10 seconds after the last account
/// was added, or when clicked, which opens Quick View.
///
/// Old entries: an account reported again replaces its line. When the
/// popup opens anew (it was closed, or is not shown at all), entries older
/// than the popup's 10 seconds are dropped first: they were shown already,
/// and the count of an old line may no longer be true. While the window is
/// open, every line it shows stays.
///
/// When the user prefers the desktop's notifications, the same lines go to
/// the desktop's server instead of the window; its notification counts as
/// the open popup until the server closes it. Without a server to show
/// them, the window does.
class frmPopup final : public Indicators
{
public:
    static constexpr int kCloseMs = 10000;
    /// The window's smallest size: as designed, in pixels at 96 dpi (3375
    /// by 2625 twips); a larger font makes it larger.
    static constexpr int kWidth = 225;
    static constexpr int kHeight = 175;

    struct MessageCountInfo
    {
        qint32 Count = 0;
        QString Text;
        QDateTime Time;
    };

    /// `showPopupWindow` is the user's choice, read at each announcement;
    /// `workArea` the primary screen's work area (the screen's available
    /// geometry when not given); `desktop` the desktop's notification, when
    /// there is one to choose.
    frmPopup(Clock& clock, ProgramWindows& windows, std::function<bool()> showPopupWindow,
             std::function<QRect()> workArea = {}, DesktopPopup* desktop = nullptr);
    ~frmPopup() override;

    /// Records `count` new messages of the account `text` and, when the
    /// user wants the popup, shows it (or keeps it open 10 seconds more).
    void Display(const QString& text, qint32 count);
    void PopupDisplay(const QString& name, qint32 count) override { Display(name, count); }
    /// Closes the window and the desktop's notification; the entries stay.
    void Unload();

    bool isVisible() const;
    /// The window once it was first shown (hidden between showings), else
    /// null.
    QWidget* window() const;
    /// `lblInfo`'s caption: newest first, each line ended by CR LF.
    QString infoText() const;
    const std::vector<MessageCountInfo>& entries() const { return m_entries; }

    /// A line "name - N new messages" as it fits `width`: the name is
    /// shortened with an ellipsis, the count always shows whole.
    static QString ElideLine(const QString& line, const QFontMetrics& metrics, int width);

private:
    void addEntry(const QString& text, qint32 count);
    bool isShowing() const;
    void showWindow();
    void show();
    void place();
    void hide();
    void clicked();

    Clock& m_clock;
    ProgramWindows& m_windows;
    std::function<bool()> m_showPopupWindow;
    std::function<QRect()> m_workArea;
    DesktopPopup* m_desktop;
    std::unique_ptr<Timer> m_closeTimer;
    std::vector<MessageCountInfo> m_entries;
    QPointer<PopupWindow> m_window;
    /// The work area's bottom-right corner when the popup opened.
    QPoint m_corner;
};

} // namespace orvane
