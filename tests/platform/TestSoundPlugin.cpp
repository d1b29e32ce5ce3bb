// A sound plugin for tests: it plays nothing and keeps the files it was
// asked to play in its "played" property.
#include "platform/SoundBackend.h"

#include <QObject>
#include <QStringList>

namespace orvane::test {

class TestSoundPlugin final : public QObject, public SoundBackend
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID OrvaneSoundBackend_iid)
    Q_INTERFACES(orvane::SoundBackend)
    Q_PROPERTY(QStringList played MEMBER m_played)
public:
    void play(const QString& file) override { m_played << file; }

private:
    QStringList m_played;
};

} // namespace orvane::test

#include "TestSoundPlugin.moc"
