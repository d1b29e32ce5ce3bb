#include "QuickBar.h"

#include "SkinFiles.h"
#include "core/NotifierOptions.h"
#include "core/ProgramWindows.h"
#include "platform/AnsiText.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>

namespace orvane {

namespace {

// The default button's box is the one a skin may put anywhere; a control
// far outside the bar is simply not seen.
int toPixels(qint64 twips, qint32 factor)
{
    const double pixels = std::round(double(twips) / double(std::max(1, factor)));
    return int(std::clamp(pixels, -double(QWIDGETSIZE_MAX), double(QWIDGETSIZE_MAX)));
}

void place(QWidget& control, const BarPlacement& p, qint32 ppx, qint32 ppy, bool touchVisible)
{
    control.setGeometry(toPixels(p.left, ppx), toPixels(p.top, ppy), toPixels(p.width, ppx),
                        toPixels(p.height, ppy));
    if (touchVisible)
        control.setVisible(p.visible);
}

QList<QRect> screenRects()
{
    QList<QRect> rects;
    for (const QScreen* screen : QGuiApplication::screens())
        rects << screen->geometry();
    return rects;
}

QRect primaryRect()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect();
}

QRect inTwips(const QRect& pixels, qint32 ppx, qint32 ppy)
{
    return {pixels.x() * ppx, pixels.y() * ppy, pixels.width() * ppx, pixels.height() * ppy};
}

} // namespace

/// A transparent click area over the background: the background's bitmap
/// draws the button. It runs its command through the bar's mouse rule.
class BarButton : public QAbstractButton
{
public:
    BarButton(QWidget* parent, const QString& objectName, const QString& tip,
              std::function<void()> pressed, std::function<void()> rightReleased)
        : QAbstractButton(parent), m_pressed(std::move(pressed)),
          m_rightReleased(std::move(rightReleased))
    {
        setObjectName(objectName);
        setToolTip(tip);
        setAccessibleName(tip);
        setCursor(Qt::PointingHandCursor);
        // Reachable with Tab, run with Space or Enter, for those who do not
        // use a mouse; a click does not take the focus from elsewhere.
        setFocusPolicy(Qt::TabFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        // The background draws the button; only the keyboard focus is ours.
        if (!hasFocus())
            return;
        QPainter painter(this);
        QStyleOptionFocusRect option;
        option.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
    void keyPressEvent(QKeyEvent* e) override
    {
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            m_pressed();
            click();
            return;
        }
        if (e->key() == Qt::Key_Space)
            m_pressed();
        QAbstractButton::keyPressEvent(e);
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        m_pressed();
        QAbstractButton::mousePressEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::RightButton) {
            m_rightReleased();
            return;
        }
        QAbstractButton::mouseReleaseEvent(e);
    }

private:
    std::function<void()> m_pressed;
    std::function<void()> m_rightReleased;
};

/// The Quick Bar's window: frameless, not in the task bar, the background
/// as drag handle, the buttons and the count above it.
class QuickBarWindow : public QWidget
{
public:
    explicit QuickBarWindow(QuickBar& bar) : m_bar(bar)
    {
        setObjectName(QStringLiteral("QuickBar"));
        setWindowTitle(QStringLiteral("Orvane - Quick Bar"));
        setAccessibleName(QStringLiteral("Quick Bar"));
        setWindowFlags(Qt::Tool | Qt::FramelessWindowHint |
                       (bar.m_onTop ? Qt::WindowStaysOnTopHint : Qt::Widget));
        setAttribute(Qt::WA_ShowWithoutActivating);

        m_background = new QLabel(this);
        m_background->setObjectName(QStringLiteral("iBGround"));
        m_background->setAccessibleName(QStringLiteral("Quick Bar state"));
        m_background->installEventFilter(this);

        const auto button = [this](const char* name, const char* tip, QuickBar::Button id) {
            auto* b = new BarButton(
                this, QString::fromLatin1(name), QString::fromLatin1(tip),
                [this] { m_bar.buttonPressed(); }, [this] { m_bar.buttonRightReleased(); });
            connect(b, &QAbstractButton::clicked, this, [this, id] { m_bar.buttonClicked(id); });
            return b;
        };
        m_close = button("iClose", "Close Quick Bar", QuickBar::Button::Close);
        m_settings = button("iSettings", "Open Settings", QuickBar::Button::Settings);
        m_quickView = button("iQuickView", "Open Status View", QuickBar::Button::QuickView);
        m_check = button("iCheck", "Check All Servers For Mail", QuickBar::Button::Check);
        m_run = button("iRun", "Run E-Mail Program", QuickBar::Button::Run);
        m_exit = button("iExit", "Exit Orvane", QuickBar::Button::Exit);
        m_clear = button("iClear", "Clear Mail Count", QuickBar::Button::Clear);
        m_default = button("iDefault", "Open Default Window", QuickBar::Button::Default);
        // The view-list area has no command of its own.
        m_viewList = new QWidget(this);
        m_viewList->setObjectName(QStringLiteral("iViewList"));
        m_viewList->setAccessibleName(QStringLiteral("View List"));

        m_number = new QLabel(QStringLiteral("000"), this);
        m_number->setObjectName(QStringLiteral("lblNumber"));
        m_number->setToolTip(QStringLiteral("Number of New Messages"));
        m_number->setAccessibleName(QStringLiteral("Number of New Messages"));
        m_number->setAlignment(Qt::AlignCenter);
        m_defaultNumberFont = m_number->font();
        m_defaultNumberPalette = m_number->palette();
    }

    void redraw(const BarSkin& skin, qint32 ppx, qint32 ppy)
    {
        const BarPlacement main = skin.DrawMAIN();
        setFixedSize(toPixels(main.width, ppx), toPixels(main.height, ppy));
        place(*m_background, skin.DrawBar(), ppx, ppy, false);
        place(*m_close, skin.DrawClose(), ppx, ppy, true);
        place(*m_settings, skin.DrawSettings(), ppx, ppy, true);
        place(*m_quickView, skin.DrawQuickView(), ppx, ppy, true);
        place(*m_check, skin.DrawCheck(), ppx, ppy, true);
        place(*m_run, skin.DrawRun(), ppx, ppy, true);
        place(*m_exit, skin.DrawExit(), ppx, ppy, true);
        place(*m_clear, skin.DrawClear(), ppx, ppy, true);
        place(*m_viewList, skin.DrawViewList(), ppx, ppy, true);
        place(*m_number, skin.DrawNumber(), ppx, ppy, true);
        if (const auto look = skin.NumberLook()) {
            QFont font(look->font);
            font.setPointSize(look->size);
            m_number->setFont(font);
            QPalette palette = m_defaultNumberPalette;
            palette.setColor(QPalette::WindowText, look->colour);
            m_number->setPalette(palette);
        } else {
            m_number->setFont(m_defaultNumberFont);
            m_number->setPalette(m_defaultNumberPalette);
        }
        place(*m_default, skin.DrawDefault(), ppx, ppy, true);
        m_number->raise();
    }

    void setBackground(const QImage& image) { m_background->setPixmap(QPixmap::fromImage(image)); }
    void setCount(const QString& text)
    {
        m_number->setText(text);
        // The label's name stays its caption; a screen reader reads the
        // count from its description.
        m_number->setAccessibleDescription(text);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_background)
            return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() != Qt::LeftButton)
                return false;
            if (!m_bar.canPlaceItself()) {
                // The compositor moves the window; its place stays unknown.
                if (windowHandle())
                    windowHandle()->startSystemMove();
                return true;
            }
            m_pressX = e->position().x() * m_bar.m_ppx;
            m_pressY = e->position().y() * m_bar.m_ppy;
            m_dragging = true;
            return true;
        }
        case QEvent::MouseMove: {
            if (!m_dragging)
                return false;
            const QPointF global = static_cast<QMouseEvent*>(event)->globalPosition();
            m_bar.dragTo(qint32(std::lround(global.x() * m_bar.m_ppx - m_pressX)),
                         qint32(std::lround(global.y() * m_bar.m_ppy - m_pressY)));
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() == Qt::LeftButton) {
                m_dragging = false;
                m_bar.dragEnded();
            } else if (e->button() == Qt::RightButton)
                Q_EMIT m_bar.trayMenuRequested();
            return true;
        }
        default:
            return false;
        }
    }

    void closeEvent(QCloseEvent* event) override
    {
        // Closed by the desktop (a key or the task switcher): hidden, as the
        // close button hides it.
        event->ignore();
        m_bar.ShowWindow(false);
    }

private:
    QuickBar& m_bar;
    QLabel* m_background = nullptr;
    BarButton* m_close = nullptr;
    BarButton* m_settings = nullptr;
    BarButton* m_quickView = nullptr;
    BarButton* m_check = nullptr;
    BarButton* m_run = nullptr;
    BarButton* m_exit = nullptr;
    BarButton* m_clear = nullptr;
    BarButton* m_default = nullptr;
    QWidget* m_viewList = nullptr;
    QLabel* m_number = nullptr;
    QFont m_defaultNumberFont;
    QPalette m_defaultNumberPalette;
    double m_pressX = 0;
    double m_pressY = 0;
    bool m_dragging = false;
};

QuickBar::QuickBar(QStringList skinFolders, ProgramWindows& windows, NotifierOptions& options,
                   QObject* parent)
    : QObject(parent), m_skinFolders(std::move(skinFolders)), m_windows(windows), m_options(options)
{}

QuickBar::~QuickBar() = default;

QWidget* QuickBar::window() const
{
    return m_window.get();
}

const BarSkin& QuickBar::activeSkin() const
{
    if (m_active >= 1 && m_active <= int(m_skins.size()))
        return *m_skins[size_t(m_active - 1)];
    return m_builtIn;
}

bool QuickBar::canPlaceItself() const
{
    return QGuiApplication::platformName() != QLatin1String("wayland");
}

void QuickBar::Create()
{
    // Scanning twice must not list every skin twice.
    m_skins.clear();
    ScanSkins();
    m_active = 0;
}

void QuickBar::Unload()
{
    m_window.reset();
}

void QuickBar::ScanSkins()
{
    // A bar larger than every screen could not be seen whole and would
    // cover the desktop, tray included: such a skin is damage.
    QSize largest;
    for (const QRect& screen : screenRects())
        largest = largest.expandedTo(screen.size());
    for (const auto& found :
         SkinFiles::Scan(m_skinFolders, QString::fromLatin1(BarSkin::kSkinFile))) {
        auto skin = std::make_unique<BarSkin>();
        if (!skin->CreateSkin(found.name, found.path, found.file))
            continue;
        if (!largest.isEmpty() && !skin->FitsWithin(largest))
            continue;
        // Sorted as the tray's skins are: by the upper-cased name, equal
        // names after the ones listed already.
        const QString key = found.name.toUpper();
        const auto at = std::find_if(m_skins.begin(), m_skins.end(), [&](const auto& listed) {
            return listed->name.toUpper() > key;
        });
        m_skins.insert(at, std::move(skin));
    }
}

void QuickBar::RescanSkins()
{
    m_skins.clear();
    m_active = 0;
    Update();
    ScanSkins();
}

QStringList QuickBar::GetSkinNames() const
{
    QStringList names{QString::fromLatin1(kDefaultSkin)};
    for (const auto& skin : m_skins)
        names << skin->name;
    return names;
}

void QuickBar::UseSkin(const QString& name)
{
    m_active = 0;
    if (name != QLatin1String(kDefaultSkin)) {
        for (size_t i = 0; i < m_skins.size(); ++i) {
            if (m_skins[i]->name.compare(name, Qt::CaseInsensitive) == 0) {
                m_active = int(i) + 1;
                break;
            }
        }
    }
    Update();
}

void QuickBar::UseSkinIndex(int index)
{
    if (index < 0 || index > int(m_skins.size()))
        return;
    m_active = index;
    Update();
}

void QuickBar::Update()
{
    if (m_window && m_window->isVisible())
        ShowBar();
}

QuickBarWindow& QuickBar::ensureWindow()
{
    if (!m_window) {
        m_window = std::make_unique<QuickBarWindow>(*this);
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            m_ppx = std::max(1, qRound(1440.0 / screen->logicalDotsPerInchX()));
            m_ppy = std::max(1, qRound(1440.0 / screen->logicalDotsPerInchY()));
        }
        m_window->setCount(m_countText);
        moveWindow();
    }
    return *m_window;
}

void QuickBar::ShowBar()
{
    QuickBarWindow& window = ensureWindow();
    // Every skin gets the factors again: the screen may have changed.
    BarSkin& skin = const_cast<BarSkin&>(activeSkin());
    skin.SetupPixels(m_ppx, m_ppy);
    SetState(m_check, m_mail);
    window.redraw(skin, m_ppx, m_ppy);
}

void QuickBar::ShowWindow(bool show)
{
    m_visible = show;
    if (!show) {
        if (m_window)
            m_window->hide();
        return;
    }
    QuickBarWindow& window = ensureWindow();
    ShowBar();
    moveWindow();
    window.show();
}

void QuickBar::moveWindow()
{
    if (!m_window || !canPlaceItself())
        return;
    // A place on a monitor that is gone is kept for when it is back; the
    // bar shows on the primary screen meanwhile.
    const QSize size = m_window->size();
    const QRect saved(toPixels(m_left, m_ppx), toPixels(m_top, m_ppy), size.width(), size.height());
    m_window->move(ShownAt(saved, screenRects(), primaryRect()));
}

void QuickBar::SetState(int check, int mail)
{
    m_check = check;
    m_mail = mail;
    if (!m_window)
        return;
    m_background = activeSkin().Background(check, mail);
    m_window->setBackground(m_background);
}

void QuickBar::SetMailCount(qint64 inNum)
{
    if (inNum < 0)
        return;
    m_countText = QStringLiteral("%1").arg(inNum, 3, 10, QLatin1Char('0'));
    if (m_window)
        m_window->setCount(m_countText);
}

bool QuickBar::SetTopMostWindow(bool topmost)
{
    if (m_window) {
        const bool shown = m_window->isVisible();
        m_window->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
        if (shown)
            m_window->show();
    }
    // Wayland leaves stacking to the compositor: the bar cannot promise it.
    return topmost && canPlaceItself();
}

void QuickBar::ResetSkinPos()
{
    if (!canPlaceItself())
        return;
    const QRect primary = primaryRect();
    m_top = primary.y() * m_ppy;
    m_left = primary.x() * m_ppx;
    moveWindow();
    Q_EMIT changed();
}

qint32 QuickBar::SnapAxis(qint32 wanted, qint32 windowSize, qint32 screenStart, qint32 screenSize,
                          qint32 factor)
{
    const auto inPixels = [factor](qint64 twips) {
        return std::llround(std::abs(double(twips)) / double(factor));
    };
    if (inPixels(qint64(wanted) - screenStart) <= kSnapDistance)
        return screenStart;
    const qint64 farEdge = qint64(screenStart) + screenSize;
    if (inPixels(farEdge - (qint64(windowSize) + wanted)) <= kSnapDistance)
        return qint32(farEdge - windowSize);
    return wanted;
}

int QuickBar::ScreenFor(const QRect& window, const QList<QRect>& screens)
{
    for (int i = 0; i < screens.size(); ++i) {
        if (screens[i].contains(window.center()))
            return i;
    }
    int best = -1;
    qint64 bestArea = 0;
    for (int i = 0; i < screens.size(); ++i) {
        const QRect common = screens[i].intersected(window);
        const qint64 area = qint64(common.width()) * common.height();
        if (area > bestArea) {
            best = i;
            bestArea = area;
        }
    }
    return best;
}

QPoint QuickBar::SnapToScreens(const QPoint& wanted, const QSize& window,
                               const QList<QRect>& screens, qint32 ppx, qint32 ppy)
{
    const QRect shown(toPixels(wanted.x(), ppx), toPixels(wanted.y(), ppy),
                      toPixels(window.width(), ppx), toPixels(window.height(), ppy));
    const int index = ScreenFor(shown, screens);
    if (index < 0)
        return wanted;
    const QRect screen = inTwips(screens[index], ppx, ppy);
    return {SnapAxis(wanted.x(), window.width(), screen.x(), screen.width(), ppx),
            SnapAxis(wanted.y(), window.height(), screen.y(), screen.height(), ppy)};
}

QPoint QuickBar::ShownAt(const QRect& saved, const QList<QRect>& screens, const QRect& primary)
{
    // Enough of the bar to grab it with the mouse and drag it back.
    const int needX = std::min(saved.width(), kSnapDistance);
    const int needY = std::min(saved.height(), kSnapDistance);
    for (const QRect& screen : screens) {
        const QRect common = screen.intersected(saved);
        if (!common.isEmpty() && common.width() >= needX && common.height() >= needY)
            return saved.topLeft();
    }
    if (primary.isEmpty())
        return saved.topLeft();
    return CentreOn(primary, saved.size());
}

QPoint QuickBar::CentreOn(const QRect& screen, const QSize& window)
{
    return {screen.x() + screen.width() / 2 - window.width() / 2,
            screen.y() + screen.height() / 2 - window.height() / 2};
}

void QuickBar::dragTo(qint32 left, qint32 top)
{
    if (!m_window)
        return;
    const QPoint landed =
        SnapToScreens({left, top}, {m_window->width() * m_ppx, m_window->height() * m_ppy},
                      screenRects(), m_ppx, m_ppy);
    m_left = landed.x();
    m_top = landed.y();
    m_moved = true;
    moveWindow();
}

void QuickBar::dragEnded()
{
    if (!m_moved)
        return;
    m_moved = false;
    Q_EMIT changed();
}

void QuickBar::CheckShowStartup()
{
    if (m_settingsRead)
        return;
    UseSkin(QString::fromLatin1(kFirstRunSkin));
    ensureWindow();
    if (canPlaceItself()) {
        BarSkin& skin = const_cast<BarSkin&>(activeSkin());
        skin.SetupPixels(m_ppx, m_ppy);
        const BarPlacement size = skin.DrawMAIN();
        // Twips of the primary screen, whose origin need not be the desktop's.
        const QRect primary = inTwips(primaryRect(), m_ppx, m_ppy);
        const QPoint at = CentreOn(primary, QSize(int(size.width), int(size.height)));
        m_left = at.x();
        m_top = at.y();
    }
    ShowWindow(true);
}

void QuickBar::buttonRightReleased()
{
    m_rightClick = true;
    Q_EMIT trayMenuRequested();
}

void QuickBar::buttonClicked(Button button)
{
    if (m_rightClick) {
        m_rightClick = false;
        return;
    }
    switch (button) {
    case Button::Close:
        ShowWindow(false);
        Q_EMIT changed();
        break;
    case Button::Settings:
        m_windows.ToggleSettings();
        break;
    case Button::QuickView:
        m_windows.ToggleQuickView();
        break;
    case Button::Check:
        Q_EMIT checkAllRequested();
        break;
    case Button::Run:
        Q_EMIT runRequested();
        break;
    case Button::Exit:
        Q_EMIT exitRequested();
        break;
    case Button::Clear:
        Q_EMIT clearRequested();
        break;
    case Button::Default:
        m_options.DoubleClick([this] { Q_EMIT runRequested(); });
        break;
    }
}

bool QuickBar::ReadYourselfIn(const QString& /*version*/, AnsiLineReader& in)
{
    // All five lines are read before any is applied: a damaged block leaves
    // the bar as it was.
    QString skin;
    bool visible = false;
    qint32 top = 0;
    qint32 left = 0;
    bool onTop = false;
    if (!in.readText(skin) || !in.readBool(visible) || !in.readTwips(top) || !in.readTwips(left) ||
        !in.readBool(onTop))
        return false;
    UseSkin(skin.trimmed());
    m_top = top;
    m_left = left;
    moveWindow();
    if (visible)
        ShowWindow(true);
    m_onTop = SetTopMostWindow(onTop);
    m_settingsRead = true;
    return true;
}

void QuickBar::WriteYourself(AnsiLineWriter& out)
{
    out.writeText(activeSkin().name);
    out.writeBool(m_visible);
    out.writeNumber(m_top);
    out.writeNumber(m_left);
    out.writeBool(m_onTop);
}

} // namespace orvane
