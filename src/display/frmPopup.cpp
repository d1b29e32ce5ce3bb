#include "frmPopup.h"

#include "core/ProgramWindows.h"
#include "platform/Clock.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPalette>
#include <QScreen>

namespace orvane {

namespace {

constexpr int kSpanSeconds = 10;

// The popup's face; a click anywhere on it, labels included, reports back.
class PopupWindow final : public QFrame
{
public:
    explicit PopupWindow(std::function<void()> clicked) : m_clicked(std::move(clicked))
    {
        setObjectName(QStringLiteral("frmPopup"));
        setWindowTitle(QStringLiteral("Orvane"));
        setAccessibleName(QStringLiteral("Orvane - You have new mail."));
        // A tool window stays out of the task bar and the window switcher;
        // it must not take the focus from what the user is typing in.
        setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                       Qt::WindowDoesNotAcceptFocus);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setFixedSize(frmPopup::kWidth, frmPopup::kHeight);
        setFrameShape(QFrame::Box);
        setCursor(Qt::PointingHandCursor);
        setAutoFillBackground(true);
        // Colours through the palette: a style sheet on this window has
        // brought the program down at exit.
        QLinearGradient shade(0, 0, 0, frmPopup::kHeight);
        shade.setColorAt(0, QColor(0xf7, 0xfa, 0xff));
        shade.setColorAt(1, QColor(0xdb, 0xe6, 0xf5));
        QPalette colours = palette();
        colours.setBrush(QPalette::Window, shade);
        colours.setColor(QPalette::WindowText, QColor(0x10, 0x20, 0x3a));
        setPalette(colours);

        heading = label(QStringLiteral("Label1"), QStringLiteral("You have new mail."),
                        QRect(8, 24, 145, 17));
        info =
            label(QStringLiteral("lblInfo"), QStringLiteral("Information"), QRect(9, 56, 207, 98));
        info->setAccessibleName(QStringLiteral("Accounts with new mail"));
        info->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        product = label(QStringLiteral("Label2"), QStringLiteral("Orvane"), QRect(8, 158, 209, 17));
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        QPalette muted = product->palette();
        muted.setColor(QPalette::WindowText, QColor(0x5b, 0x73, 0x93));
        product->setPalette(muted);
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
    QLabel* label(const QString& name, const QString& text, const QRect& place)
    {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setAccessibleName(text);
        l->setGeometry(place);
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
        return l;
    }

    std::function<void()> m_clicked;
};

QRect primaryWorkArea()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace

frmPopup::frmPopup(Clock& clock, ProgramWindows& windows, std::function<bool()> showPopupWindow,
                   std::function<QRect()> workArea)
    : m_clock(clock), m_windows(windows), m_showPopupWindow(std::move(showPopupWindow)),
      m_workArea(workArea ? std::move(workArea) : primaryWorkArea),
      m_closeTimer(clock.createTimer())
{
    m_closeTimer->setSingleShot(true);
    QObject::connect(m_closeTimer.get(), &Timer::timeout, m_closeTimer.get(), [this] { hide(); });
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
    if (isVisible())
        m_closeTimer->stop();
    else
        show();
    m_closeTimer->start(kCloseMs);
}

void frmPopup::Unload()
{
    hide();
}

bool frmPopup::isVisible() const
{
    return m_window && m_window->isVisible();
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
    const bool opensAnew = !isVisible();
    std::erase_if(m_entries, [&](const MessageCountInfo& e) {
        return e.Text == text || (opensAnew && e.Time.secsTo(now) > kSpanSeconds);
    });
    m_entries.push_back({count, text, now});
    if (m_window) {
        if (auto* info = m_window->findChild<QLabel*>(QStringLiteral("lblInfo")))
            info->setText(infoText());
    }
}

void frmPopup::show()
{
    if (!m_window) {
        auto* window = new PopupWindow([this] { clicked(); });
        window->info->setText(infoText());
        m_window = window;
    }
    // The bottom-right corner on the work area's, above the panel.
    const QRect area = m_workArea();
    m_window->move(area.x() + area.width() - kWidth, area.y() + area.height() - kHeight);
    m_window->show();
    m_window->raise();
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
