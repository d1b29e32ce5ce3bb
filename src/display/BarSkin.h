#pragma once

#include "Box.h"

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>
#include <array>
#include <optional>

namespace orvane {

/// Where a control of the Quick Bar goes, in twips from the bar's corner.
struct BarPlacement
{
    bool visible = false;
    qint64 left = 0;
    qint64 top = 0;
    qint64 width = 0;
    qint64 height = 0;
    bool operator==(const BarPlacement&) const = default;
};

/// The font and colour a skin gives the mail-count label.
struct BarNumberLook
{
    QString font;
    int size = 8;
    QColor colour;
};

/// A Quick Bar skin folder: "bSkin.txt" with the bar's size, its four
/// background bitmaps and the rectangles of the buttons and the count.
/// Coordinates are pixels; the Draw operations give twips, through the
/// pixel factors set by SetupPixels.
class BarSkin
{
public:
    enum BoxId
    {
        BarBox,
        CloseBox,
        SettingsBox,
        QuickViewBox,
        CheckBox,
        RunBox,
        ExitBox,
        ClearBox,
        ViewListBox,
        NumberBox,
        DefaultBox,
        BoxCount
    };
    static constexpr const char* kSkinFile = "bSkin.txt";
    static constexpr qint32 kMaxColour = 0xFFFFFF;
    static constexpr int kMinNumberSize = 4;
    static constexpr int kMaxNumberSize = 50;
    /// No screen is wider or taller (pixels): a bar beyond this is damage.
    static constexpr int kMaxSide = 16384;

    virtual ~BarSkin() = default;

    QString name;
    /// Full paths of the backgrounds: Idle or Checking, No mail or Mail.
    QString fileIN, fileIM, fileCN, fileCM;

    /// Loads `skinPath` + `skinFile`; `skinPath` ends with a slash. False
    /// when the skin is not usable (then nothing of it is to be shown).
    bool CreateSkin(const QString& skinName, const QString& skinPath, const QString& skinFile);
    void SetupPixels(qint32 intppx, qint32 intppy);
    /// The bar is no wider and no taller than `screen` (pixels).
    bool FitsWithin(const QSize& screen) const;

    /// The window's width and height in twips (as a placement at 0,0).
    BarPlacement DrawMAIN() const;
    /// The background's place; it is always shown.
    BarPlacement DrawBar() const;
    BarPlacement DrawClose() const { return place(CloseBox); }
    BarPlacement DrawSettings() const { return place(SettingsBox); }
    BarPlacement DrawQuickView() const { return place(QuickViewBox); }
    BarPlacement DrawCheck() const { return place(CheckBox); }
    BarPlacement DrawRun() const { return place(RunBox); }
    BarPlacement DrawExit() const { return place(ExitBox); }
    BarPlacement DrawClear() const { return place(ClearBox); }
    BarPlacement DrawViewList() const { return place(ViewListBox); }
    BarPlacement DrawDefault() const { return place(DefaultBox); }
    BarPlacement DrawNumber() const { return place(NumberBox); }
    /// The count's font and colour; none when the label keeps its own.
    virtual std::optional<BarNumberLook> NumberLook() const;

    /// The background for a state: `check` 0 while checking, `mail` 1
    /// while mail waits. A null image when the file cannot be read.
    virtual QImage Background(int check, int mail) const;

    const Box& box(BoxId id) const { return m_boxes[size_t(id)]; }
    QString numberFont() const { return m_numberFont; }
    int numberSize() const { return m_numberSize; }
    /// Red in the lowest byte, then green, then blue.
    qint32 numberColour() const { return m_numberColour; }

protected:
    BarPlacement place(BoxId id) const;
    std::array<Box, BoxCount> m_boxes;

private:
    class LineSource;
    bool readSection(LineSource& in);
    bool readBitmap(LineSource& in, QString& path) const;
    static bool readBox(LineSource& in, Box& box);

    QString m_folder;
    qint32 m_ppx = 15;
    qint32 m_ppy = 15;
    qint32 m_numberColour = 0;
    int m_numberSize = 8;
    QString m_numberFont = QStringLiteral("MS Sans Serif");
};

} // namespace orvane
