#include "SkinDriver.h"

#include "SkinFiles.h"
#include "SkinSurface.h"
#include "TrayPicture.h"
#include "defaultSkin.h"
#include "platform/AnsiText.h"
#include "platform/Clock.h"
#include "skin.h"

#include <QDir>
#include <algorithm>

namespace orvane {

namespace {

// The driver of a program part that shows no tray: it never fires and
// paints nowhere.
class StillTimer final : public Timer
{
public:
    void setSingleShot(bool) override {}
    void start(int) override { m_active = true; }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

private:
    bool m_active = false;
};

class NoPicture final : public TrayPicture
{
public:
    void SetTrayIconFromResource(int) override {}
    void SetTrayIconFromFile(const QString&) override {}
    void ForgetFiles() override {}
};

} // namespace

template <typename F> void SkinDriver::withActive(F&& f)
{
    if (!m_builtIn)
        return;
    if (m_active > int(m_skins.size()))
        m_active = 0;
    if (m_active == 0)
        f(*m_builtIn);
    else
        f(*m_skins[size_t(m_active) - 1]);
}

SkinDriver::SkinDriver()
    : m_animator(std::make_unique<StillTimer>()), m_ownPicture(std::make_unique<NoPicture>()),
      m_surface(std::make_unique<SkinSurface>(*m_ownPicture, *m_animator, nullptr))
{}

SkinDriver::SkinDriver(Clock& clock, TrayPicture& tray, std::function<bool()> animateOn,
                       QStringList skinFolders)
    : m_animator(clock.createTimer()),
      m_surface(std::make_unique<SkinSurface>(tray, *m_animator, std::move(animateOn))),
      m_skinFolders(std::move(skinFolders))
{
    QObject::connect(m_animator.get(), &Timer::timeout, m_animator.get(), [this] { tick(); });
}

SkinDriver::~SkinDriver() = default;

bool SkinDriver::ReadYourselfIn(const QString& /*version*/, AnsiLineReader& in)
{
    m_choiceRead = true;
    QString line;
    if (!in.readText(line))
        return false;
    UseSkin(line.trimmed());
    return true;
}

void SkinDriver::WriteYourself(AnsiLineWriter& out)
{
    out.writeText(activeSkinName());
}

void SkinDriver::Create()
{
    m_skins.clear();
    m_active = 0;
    m_builtIn = std::make_unique<defaultSkin>(*m_surface);
    m_builtIn->CreateSkin();
    m_state = kIdle;
    m_animator->stop();
    ScanSkins();
}

void SkinDriver::Unload()
{
    m_animator->stop();
    m_builtIn.reset();
}

bool SkinDriver::Created() const
{
    return m_builtIn != nullptr;
}

void SkinDriver::ScanSkins()
{
    if (!m_builtIn)
        return;
    for (const auto& found : SkinFiles::Scan(m_skinFolders, QString::fromLatin1(kSkinFile))) {
        auto loaded = std::make_unique<skin>(*m_surface);
        if (!loaded->CreateSkin(found.name, found.path, found.file, *m_builtIn))
            continue;
        // Equal names keep their scan order: the new one goes after.
        const QString key = found.name.toUpper();
        auto at = std::find_if(m_skins.begin(), m_skins.end(),
                               [&](const auto& listed) { return listed->name().toUpper() > key; });
        m_skins.insert(at, std::move(loaded));
    }
}

void SkinDriver::RescanSkins()
{
    // The user may have edited a skin's pictures: they are read anew.
    m_surface->tray().ForgetFiles();
    m_skins.clear();
    m_active = 0;
    if (m_builtIn) {
        // The built-in skin starts its view afresh: the timer may still run
        // at the frame time of the skin that was active.
        m_builtIn->Reset();
        if (m_state == kFound)
            m_builtIn->DoAnimate();
        else if (m_state == kChecking)
            m_builtIn->DoCheck();
        else
            m_builtIn->DoIdle();
    }
    ScanSkins();
}

void SkinDriver::CheckShowStartup()
{
    if (!m_choiceRead)
        UseSkin(QString::fromLatin1(kFirstRunSkin));
}

void SkinDriver::Update()
{
    if (m_builtIn)
        m_builtIn->Reset();
    for (const auto& listed : m_skins)
        listed->Reset();
    show();
}

QStringList SkinDriver::GetSkinNames() const
{
    QStringList names{QString::fromLatin1(kNoSkin)};
    for (const auto& listed : m_skins)
        names << listed->name();
    return names;
}

int SkinDriver::GetActiveSkinIndex() const
{
    return m_active <= int(m_skins.size()) ? m_active : 0;
}

void SkinDriver::UseSkin(const QString& name)
{
    m_active = 0;
    if (name != QLatin1String(kNoSkin)) {
        for (size_t i = 0; i < m_skins.size(); ++i) {
            if (m_skins[i]->name().compare(name, Qt::CaseInsensitive) == 0) {
                m_active = int(i) + 1;
                break;
            }
        }
    }
    Update();
}

void SkinDriver::UseSkinIndex(int index)
{
    if (index < 0 || index > int(m_skins.size()))
        return;
    m_active = index;
    Update();
}

void SkinDriver::DoCheck()
{
    request(kChecking);
}

void SkinDriver::DoIdle()
{
    request(kIdle);
}

void SkinDriver::DoFound()
{
    request(kFound);
}

QString SkinDriver::activeSkinName() const
{
    const int index = GetActiveSkinIndex();
    return index == 0 ? QString::fromLatin1(kNoSkin) : m_skins[size_t(index) - 1]->name();
}

bool SkinDriver::isAnimating() const
{
    return m_animator->isActive();
}

void SkinDriver::request(int state)
{
    // A skin hands the situations it does not define to the built-in one,
    // and the two share the timer: a skin must not take the timer for its
    // own after the other switched it off or set another frame time, so a
    // new situation starts every view afresh.
    if (state != m_state) {
        if (m_builtIn)
            m_builtIn->Reset();
        for (const auto& listed : m_skins)
            listed->Reset();
    }
    m_state = state;
    show();
}

void SkinDriver::show()
{
    switch (m_state) {
    case kChecking:
        withActive([](auto& s) { s.DoCheck(); });
        break;
    case kIdle:
        withActive([](auto& s) { s.DoIdle(); });
        break;
    default:
        withActive([](auto& s) { s.DoAnimate(); });
        break;
    }
}

void SkinDriver::tick()
{
    switch (m_state) {
    case kChecking:
        withActive([](auto& s) { s.DoCheck(); });
        break;
    case kFound:
        withActive([](auto& s) { s.DoAnimate(); });
        break;
    default:
        withActive([](auto& s) { s.DoIdle(); });
        break;
    }
}

} // namespace orvane
