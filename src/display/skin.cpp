#include "skin.h"

#include "Point.h"
#include "SkinFiles.h"
#include "SkinSurface.h"
#include "TrayPicture.h"
#include "defaultSkin.h"
#include "platform/AnsiText.h"
#include "platform/Clock.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orvane {

namespace {

// The next line that holds something: comments cut, blanks trimmed. Empty
// at the end of the file.
QString readNextLine(AnsiLineReader& in)
{
    QString text;
    QString line;
    while (text.isEmpty() && in.readLine(line)) {
        const qsizetype comment = line.indexOf(QLatin1Char(';'));
        if (comment >= 0)
            line.truncate(comment);
        text = line.trimmed();
    }
    return text;
}

// A 16-bit number, written as the bar skins write theirs (decimal, or
// hexadecimal after "&H").
std::optional<qint16> readShort(AnsiLineReader& in)
{
    double value = 0;
    if (!Point::ToNumber(readNextLine(in), value))
        return std::nullopt;
    const double whole = std::round(value);
    if (whole < std::numeric_limits<qint16>::min() || whole > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(whole);
}

} // namespace

bool skin::CreateSkin(const QString& skinName, const QString& skinPath, const QString& skinFile,
                      defaultSkin& builtIn)
{
    m_builtIn = &builtIn;
    m_name = skinName;
    m_path = skinPath;
    m_animation = {};
    m_checking = {};
    m_mailIcon.clear();
    m_idleIcon.clear();
    m_hasMail = false;
    m_hasIdle = false;
    m_state = defaultSkin::kIdle;
    m_frame = 1;
    m_backwards = false;

    auto in = AnsiLineReader::open(m_path + skinFile);
    if (!in)
        return false;
    while (!in->atEnd()) {
        if (!readSection(*in, readNextLine(*in)))
            return false;
    }
    return !in->failed();
}

bool skin::readSection(AnsiLineReader& in, const QString& line)
{
    const QString section = line.toUpper();
    if (section.isEmpty())
        return true; // the end of the file
    if (section == QLatin1String("[ANIMATION]"))
        return readFrames(in, m_animation);
    if (section == QLatin1String("[CHECKING]"))
        return readFrames(in, m_checking);
    if (section == QLatin1String("[IDLE]")) {
        if (m_hasIdle)
            return false;
        m_hasIdle = readIcon(in, m_idleIcon);
        return m_hasIdle;
    }
    if (section == QLatin1String("[MAILFOUND]")) {
        if (m_hasMail)
            return false;
        m_hasMail = readIcon(in, m_mailIcon);
        return m_hasMail;
    }
    return false;
}

bool skin::readFrames(AnsiLineReader& in, Frames& frames)
{
    if (frames.defined)
        return false;
    const auto interval = readShort(in);
    if (!interval)
        return false;
    const auto count = readShort(in);
    if (!count || *count < 1)
        return false;
    const QString order = readNextLine(in).toUpper();
    int mode = kNormal;
    if (order == QLatin1String("REVERSE"))
        mode = kReverse;
    else if (order != QLatin1String("NORMAL"))
        return false;
    QStringList paths;
    for (int i = 0; i < *count; ++i) {
        const auto path = iconPath(readNextLine(in));
        if (!path)
            return false;
        paths << *path;
    }
    frames.interval = *interval < 1 || *interval > kMaxInterval ? kMaxInterval : *interval;
    frames.mode = mode;
    frames.paths = paths;
    frames.defined = true;
    return true;
}

bool skin::readIcon(AnsiLineReader& in, QString& path)
{
    const auto found = iconPath(readNextLine(in));
    if (!found)
        return false;
    path = *found;
    return true;
}

std::optional<QString> skin::iconPath(const QString& line) const
{
    return SkinFiles::Inside(m_path, line);
}

void skin::DoAnimate()
{
    if (!m_surface.animateOn() || !m_animation.defined) {
        DoFound();
        return;
    }
    enter(defaultSkin::kAnimating, m_animation);
    step(m_animation);
}

void skin::DoCheck()
{
    if (!m_checking.defined) {
        m_builtIn->DoCheck();
        return;
    }
    enter(defaultSkin::kChecking, m_checking);
    step(m_checking);
}

void skin::DoIdle()
{
    if (!m_hasIdle) {
        m_builtIn->DoIdle();
        return;
    }
    m_state = defaultSkin::kIdle;
    m_surface.animator().stop();
    m_surface.tray().SetTrayIconFromFile(m_idleIcon);
}

void skin::DoFound()
{
    if (!m_hasMail) {
        m_builtIn->DoFound();
        return;
    }
    m_state = defaultSkin::kStill;
    m_surface.animator().stop();
    m_surface.tray().SetTrayIconFromFile(m_mailIcon);
}

void skin::Reset()
{
    m_frame = 1;
    m_state = defaultSkin::kIdle;
}

void skin::enter(int state, const Frames& frames)
{
    if (m_state == state)
        return;
    m_state = state;
    // The file may ask for 1 ms; frames that fast cost a good part of a core
    // for as long as mail waits, and no eye tells them from 20 ms.
    m_surface.animator().start(std::max(frames.interval, kMinFrameMs));
    m_frame = 1;
}

void skin::step(const Frames& frames)
{
    const int count = int(frames.paths.size());
    m_surface.tray().SetTrayIconFromFile(frames.paths.at(qBound(1, m_frame, count) - 1));
    m_frame += m_backwards ? -1 : 1;
    if (m_frame > count) {
        if (frames.mode == kReverse) {
            m_backwards = true;
            m_frame -= 2;
        } else {
            m_frame = 1;
        }
    }
    if (m_frame < 1) {
        m_backwards = false;
        m_frame = count >= 2 ? 2 : 1;
    }
}

} // namespace orvane
