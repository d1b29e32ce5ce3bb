#include "frmPopup.h"

#include "DesktopPopup.h"
#include "core/ProgramWindows.h"
#include "platform/Clock.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPalette>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace orvane {

namespace {

constexpr int kSpanSeconds = 10;

bool canPlaceItself()
{
    return QGuiApplication::platformName() != QLatin1String("wayland");
}

// A screen reader announces the popup as a notification when it opens: the
// role is enough, the window's showing is the announcement.
QAccessibleInterface* popupAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("orvane::PopupWindow") && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
    return nullptr;
}

} // namespace

// The popup's face; a click anywhere on it, labels included, reports back.
// It is laid out from its texts and the user's font, never smaller than
// designed: a larger font makes it larger rather than cutting its words.
class PopupWindow final : public QFrame
{
    Q_OBJECT
public:
    explicit PopupWindow(std::function<void()> clicked) : m_clicked(std::move(clicked))
    {
        static const bool registered = [] {
            QAccessible::installFactory(popupAccessible);
            return true;
        }();
        Q_UNUSED(registered);
        setObjectName(QStringLiteral("frmPopup"));
        setWindowTitle(QStringLiteral("Orvane"));
        setAccessibleName(QStringLiteral("Orvane - You have new mail."));
        // A tool window stays out of the task bar and the window switcher;
        // it must not take the focus from what the user is typing in.
        setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                       Qt::WindowDoesNotAcceptFocus);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setFrameShape(QFrame::Box);
        setCursor(Qt::PointingHandCursor);
        setAutoFillBackground(true);
        // Colours through the palette: a style sheet on this window has
        // brought the program down at exit.
        QLinearGradient shade(0, 0, 0, 1);
        shade.setCoordinateMode(QGradient::ObjectMode);
        shade.setColorAt(0, QColor(0xf7, 0xfa, 0xff));
        shade.setColorAt(1, QColor(0xdb, 0xe6, 0xf5));
        QPalette colours = palette();
        colours.setBrush(QPalette::Window, shade);
        colours.setColor(QPalette::WindowText, QColor(0x10, 0x20, 0x3a));
        setPalette(colours);

        heading = label(QStringLiteral("Label1"), QStringLiteral("You have new mail."));
        info = label(QStringLiteral("lblInfo"), QStringLiteral("Information"));
        info->setAccessibleName(QStringLiteral("Accounts with new mail"));
        info->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        info->setTextFormat(Qt::PlainText);
        product = label(QStringLiteral("Label2"), QStringLiteral("Orvane"));
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        QPalette muted = product->palette();
        muted.setColor(QPalette::WindowText, QColor(0x5b, 0x73, 0x93));
        product->setPalette(muted);

        // The designed places: the heading 24 px down, the list 56 px down
        // and 98 px high, the product name along the bottom.
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(8, 24, 8, 0);
        layout->setSpacing(0);
        layout->addWidget(heading);
        layout->addSpacing(15);
        layout->addWidget(info, 1);
        layout->addSpacing(4);
        layout->addWidget(product);
        info->setMinimumHeight(98);
        product->setMinimumHeight(17);
    }

    /// Shows the lines, each name shortened as needed so that its count
    /// always shows whole, and sizes the window to them.
    void setLines(const QString& caption)
    {
        const QFontMetrics metrics(info->font());
        // Room for the designed list, or for about 32 characters of the
        // user's font, whichever is wider.
        const int width = std::max(
            {frmPopup::kWidth - 18, metrics.averageCharWidth() * 32, heading->sizeHint().width()});
        QStringList shown;
        const QStringList lines = caption.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        for (const QString& line : lines)
            shown << frmPopup::ElideLine(line, metrics, width);
        info->setText(shown.join(QLatin1Char('\n')));
        info->setAccessibleDescription(lines.join(QLatin1Char('\n')));
        info->setMinimumWidth(width);
        layout()->activate();
        setFixedSize(sizeHint().expandedTo(QSize(frmPopup::kWidth, frmPopup::kHeight)));
    }

    QLabel* heading = nullptr;
    QLabel* info = nullptr;
    QLabel* product = nullptr;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            m_clicked();
    }

private:
    QLabel* label(const QString& name, const QString& text)
    {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setAccessibleName(text);
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
        return l;
    }

    std::function<void()> m_clicked;
};

namespace {

QRect primaryWorkArea()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace

frmPopup::frmPopup(Clock& clock, ProgramWindows& windows, std::function<bool()> showPopupWindow,
                   std::function<QRect()> workArea, DesktopPopup* desktop)
    : m_clock(clock), m_windows(windows), m_showPopupWindow(std::move(showPopupWindow)),
      m_workArea(workArea ? std::move(workArea) : primaryWorkArea), m_desktop(desktop),
      m_closeTimer(clock.createTimer())
{
    m_closeTimer->setSingleShot(true);
    QObject::connect(m_closeTimer.get(), &Timer::timeout, m_closeTimer.get(), [this] { hide(); });
    // A click on the notification is a click on the popup.
    if (m_desktop) {
        QObject::connect(m_desktop, &DesktopPopup::quickViewRequested, m_closeTimer.get(),
                         [this] { m_windows.ShowQuickViewWindow(); });
        QObject::connect(m_desktop, &DesktopPopup::notShown, m_closeTimer.get(),
                         [this] { showWindow(); });
    }
}

frmPopup::~frmPopup()
{
    delete m_window.data();
}

void frmPopup::Display(const QString& text, qint32 count)
{
    addEntry(text, count);
    if (m_showPopupWindow && !m_showPopupWindow())
        return;
    if (m_desktop && m_desktop->isWanted()) {
        hide();
        m_desktop->Announce(infoText().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts));
        return;
    }
    showWindow();
}

void frmPopup::showWindow()
{
    if (isVisible())
        m_closeTimer->stop();
    else
        show();
    m_closeTimer->start(kCloseMs);
}

void frmPopup::Unload()
{
    hide();
    if (m_desktop)
        m_desktop->Unload();
}

QWidget* frmPopup::window() const
{
    return m_window.data();
}

bool frmPopup::isVisible() const
{
    return m_window && m_window->isVisible();
}

bool frmPopup::isShowing() const
{
    return isVisible() || (m_desktop && m_desktop->isShowing());
}

QString frmPopup::infoText() const
{
    QString caption;
    for (auto e = m_entries.rbegin(); e != m_entries.rend(); ++e) {
        caption +=
            e->Text + QStringLiteral(" - ") + QString::number(e->Count) +
            (e->Count == 1 ? QStringLiteral(" new message") : QStringLiteral(" new messages")) +
            QStringLiteral("\r\n");
    }
    return caption;
}

void frmPopup::addEntry(const QString& text, qint32 count)
{
    const QDateTime now = m_clock.now();
    const bool opensAnew = !isShowing();
    std::erase_if(m_entries, [&](const MessageCountInfo& e) {
        return e.Text == text || (opensAnew && e.Time.secsTo(now) > kSpanSeconds);
    });
    m_entries.push_back({count, text, now});
    if (m_window) {
        m_window->setLines(infoText());
        place();
    }
}

QString frmPopup::ElideLine(const QString& line, const QFontMetrics& metrics, int width)
{
    const qsizetype dash = line.lastIndexOf(QStringLiteral(" - "));
    if (dash < 0 || metrics.horizontalAdvance(line) <= width)
        return line;
    const QString count = line.mid(dash);
    const int room = std::max(0, width - metrics.horizontalAdvance(count));
    return metrics.elidedText(line.left(dash), Qt::ElideRight, room) + count;
}

void frmPopup::show()
{
    if (!m_window) {
        m_window = new PopupWindow([this] { clicked(); });
        m_window->setLines(infoText());
    }
    // The bottom-right corner on the work area's, above the panel; a list
    // that grows while open grows up and to the left from there.
    const QRect area = m_workArea();
    m_corner = area.bottomRight();
    place();
    m_window->show();
    m_window->raise();
}

void frmPopup::place()
{
    // On Wayland the compositor decides where the popup goes (see README).
    if (!m_window || !canPlaceItself())
        return;
    const QSize size = m_window->size();
    m_window->move(m_corner.x() + 1 - size.width(), m_corner.y() + 1 - size.height());
}

// The window is kept between showings, so a popup that comes often does not
// build it anew each time.
void frmPopup::hide()
{
    m_closeTimer->stop();
    if (!m_window)
        return;
    m_window->hide();
}

void frmPopup::clicked()
{
    hide();
    m_windows.ShowQuickViewWindow();
}

} // namespace orvane

#include "frmPopup.moc"
