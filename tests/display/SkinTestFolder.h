#pragma once

#include "FileHelpers.h"
#include "RecordingTrayPicture.h"
#include "VirtualClock.h"
#include "display/SkinSurface.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace orvane::test {

/// A program folder of skins for the tests: each skin folder gets its
/// "Skin.txt" and empty icon files (the recording picture never opens
/// them), and the skins draw on a recording tray with a virtual timer.
struct SkinTestFolder
{
    QTemporaryDir dir;
    VirtualClock clock;
    RecordingTrayPicture tray;
    std::unique_ptr<Timer> animator = clock.createTimer();
    bool animate = true;
    SkinSurface surface{tray, *animator, [this] { return animate; }};

    QString programFolder() const { return dir.path() + QLatin1Char('/'); }
    QString skinFolder(const QString& name) const
    {
        return programFolder() + QStringLiteral("Skins/") + name + QLatin1Char('/');
    }
    /// Writes the skin `name` with `text` as its Skin.txt and `icons`.
    void addSkin(const QString& name, const QByteArray& text, const QStringList& icons)
    {
        writeFile(skinFolder(name) + QStringLiteral("Skin.txt"), text);
        for (const QString& icon : icons)
            writeFile(skinFolder(name) + icon, QByteArray());
    }
};

/// The icons the test skins name.
inline QStringList testIcons()
{
    return {QStringLiteral("idle.ico"), QStringLiteral("mail.ico"), QStringLiteral("c1.ico"),
            QStringLiteral("c2.ico"),   QStringLiteral("a1.ico"),   QStringLiteral("a2.ico"),
            QStringLiteral("a3.ico"),   QStringLiteral("a4.ico")};
}

} // namespace orvane::test
