#include "BarSkin.h"

#include "SkinFiles.h"
#include "platform/AnsiText.h"

#include <algorithm>
#include <cmath>

namespace orvane {

/// The lines of a skin file as its sections see them: everything from a
/// ";" on is a comment, blanks around are dropped, empty lines skipped; an
/// empty line means the end of the file.
class BarSkin::LineSource
{
public:
    explicit LineSource(AnsiLineReader& in) : m_in(in) {}
    QString next()
    {
        QString line;
        while (m_in.readLine(line)) {
            const qsizetype comment = line.indexOf(QLatin1Char(';'));
            if (comment >= 0)
                line.truncate(comment);
            line = line.trimmed();
            if (!line.isEmpty())
                return line;
        }
        return {};
    }

private:
    AnsiLineReader& m_in;
};

namespace {

// Coordinates are clipped to the bar, and the bar to kMaxSide, before any
// of them is drawn; the clamp only keeps a skin's figures from turning into
// nonsense on their way there.
qint64 pixels(float value)
{
    return std::llround(std::clamp(double(value), -1e15, 1e15));
}

} // namespace

bool BarSkin::CreateSkin(const QString& skinName, const QString& skinPath, const QString& skinFile)
{
    name = skinName;
    m_folder = skinPath;
    for (Box& b : m_boxes)
        b.ClearBox();
    auto file = AnsiLineReader::open(m_folder + skinFile);
    if (!file)
        return false;
    LineSource in(*file);
    while (!file->atEnd()) {
        if (!readSection(in))
            return false;
    }
    if (!m_boxes[BarBox].used)
        return false;
    for (int id = CloseBox; id <= NumberBox; ++id)
        m_boxes[BarBox].ResizeBox(m_boxes[size_t(id)]);
    return true;
}

bool BarSkin::readSection(LineSource& in)
{
    const QString section = in.next().toUpper();
    if (section.isEmpty())
        return true;
    static const QLatin1String boxSections[] = {
        QLatin1String("[BAR]"),       QLatin1String("[CLOSE]"),  QLatin1String("[SETTINGS]"),
        QLatin1String("[QUICKVIEW]"), QLatin1String("[CHECK]"),  QLatin1String("[RUN]"),
        QLatin1String("[EXIT]"),      QLatin1String("[CLEAR]"),  QLatin1String("[VIEWLIST]"),
        QLatin1String("[NUMBER]"),    QLatin1String("[DEFAULT]")};
    if (section == QLatin1String("[BAR]")) {
        if (m_boxes[BarBox].used)
            return false;
        if (!readBitmap(in, fileIN) || !readBitmap(in, fileIM) || !readBitmap(in, fileCN) ||
            !readBitmap(in, fileCM))
            return false;
        Point size;
        if (!size.SetStringPoint(in.next()))
            return false;
        // A bar with no area could not be seen, clicked or dragged back; one
        // larger than any screen would cover the desktop, tray included.
        if (pixels(size.X) < 1 || pixels(size.Y) < 1 || pixels(size.X) > kMaxSide ||
            pixels(size.Y) > kMaxSide)
            return false;
        m_boxes[BarBox].SetupBox(Point(), size);
        return true;
    }
    if (section == QLatin1String("[NUMBERFONT]")) {
        const QString font = in.next();
        if (font.isEmpty())
            return false;
        m_numberFont = font;
        return true;
    }
    for (int id = CloseBox; id < BoxCount; ++id) {
        if (section != boxSections[id])
            continue;
        if (!readBox(in, m_boxes[size_t(id)]))
            return false;
        if (id != NumberBox)
            return true;
        double colour = 0;
        double size = 0;
        if (!Point::ToNumber(in.next(), colour) || !Point::ToNumber(in.next(), size))
            return false;
        m_numberColour = qint32(std::clamp(std::round(colour), 0.0, double(kMaxColour)));
        m_numberSize =
            int(std::clamp(std::round(size), double(kMinNumberSize), double(kMaxNumberSize)));
        return true;
    }
    return false;
}

bool BarSkin::readBox(LineSource& in, Box& box)
{
    const QString line = in.next();
    const qsizetype first = line.indexOf(QLatin1Char(','));
    const qsizetype second = first < 0 ? -1 : line.indexOf(QLatin1Char(','), first + 1);
    if (second < 0)
        return false;
    // A corner that does not read keeps zeros where it failed.
    Point a;
    Point b;
    a.SetStringPoint(line.left(second));
    b.SetStringPoint(line.mid(second + 1));
    box.SetupBox(a, b);
    return true;
}

bool BarSkin::readBitmap(LineSource& in, QString& path) const
{
    const QString line = in.next();
    const qsizetype dot = line.indexOf(QLatin1Char('.'));
    if (line.isEmpty() || dot < 0 ||
        line.mid(dot + 1).compare(QLatin1String("bmp"), Qt::CaseInsensitive) != 0)
        return false;
    const auto file = SkinFiles::Inside(m_folder, line);
    if (!file)
        return false;
    path = *file;
    return true;
}

void BarSkin::SetupPixels(qint32 intppx, qint32 intppy)
{
    m_ppx = intppx;
    m_ppy = intppy;
}

bool BarSkin::FitsWithin(const QSize& screen) const
{
    const Box& bar = m_boxes[BarBox];
    return pixels(bar.Corner2.X) <= screen.width() && pixels(bar.Corner2.Y) <= screen.height();
}

BarPlacement BarSkin::DrawMAIN() const
{
    const Box& bar = m_boxes[BarBox];
    return {true, 0, 0, pixels(bar.Corner2.X) * m_ppx, pixels(bar.Corner2.Y) * m_ppy};
}

BarPlacement BarSkin::DrawBar() const
{
    BarPlacement p = place(BarBox);
    p.visible = true;
    return p;
}

BarPlacement BarSkin::place(BoxId id) const
{
    const Box& b = m_boxes[size_t(id)];
    if (!b.used)
        return {};
    // Both corners round as the bar's own do, so a control on half pixels
    // never reaches a pixel past the bar's edge.
    const qint64 left = pixels(b.Corner1.X);
    const qint64 top = pixels(b.Corner1.Y);
    return {true, left * m_ppx, top * m_ppy, (pixels(b.Corner2.X) - left) * m_ppx,
            (pixels(b.Corner2.Y) - top) * m_ppy};
}

std::optional<BarNumberLook> BarSkin::NumberLook() const
{
    const int c = m_numberColour;
    return BarNumberLook{m_numberFont, m_numberSize,
                         QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF)};
}

QImage BarSkin::Background(int check, int mail) const
{
    const QString& file =
        check == 0 ? (mail == 1 ? fileCM : fileCN) : (mail == 1 ? fileIM : fileIN);
    return QImage(file);
}

} // namespace orvane
