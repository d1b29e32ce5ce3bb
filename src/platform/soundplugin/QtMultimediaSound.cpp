#include "QtMultimediaSound.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace orvane {

void QtMultimediaSound::play(const QString& file)
{
    if (!QFileInfo(file).isFile())
        return; // no fallback sound for a missing file
    auto* effect = new QSoundEffect(this);
    connect(effect, &QSoundEffect::statusChanged, effect, [effect] {
        if (effect->status() == QSoundEffect::Error)
            effect->deleteLater();
    });
    connect(effect, &QSoundEffect::playingChanged, effect, [effect] {
        if (!effect->isPlaying() && effect->status() != QSoundEffect::Loading)
            effect->deleteLater();
    });
    effect->setSource(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
    // Played once the file is loaded; play() before that is remembered.
    effect->play();
}

} // namespace orvane
