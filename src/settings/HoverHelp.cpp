#include "HoverHelp.h"

#include <QEvent>
#include <QStatusBar>
#include <QVariant>
#include <QWidget>

namespace orvane {

namespace {
constexpr const char* kHintProperty = "orvaneHint";
}

HoverHelp::HoverHelp(QStatusBar& bar, QObject* parent) : QObject(parent), m_bar(bar)
{
    add(&bar, {});
}

void HoverHelp::add(QWidget* widget, const QString& text)
{
    widget->setProperty(kHintProperty, text);
    if (!text.isEmpty())
        widget->setAccessibleDescription(text);
    widget->setAttribute(Qt::WA_Hover);
    widget->installEventFilter(this);
}

QString HoverHelp::textOf(const QWidget* widget)
{
    return widget->property(kHintProperty).toString();
}

bool HoverHelp::eventFilter(QObject* watched, QEvent* event)
{
    // Going back from a control to its page sends the page no Enter.
    if (event->type() == QEvent::Enter || event->type() == QEvent::Leave) {
        const QString text = event->type() == QEvent::Enter
                                 ? watched->property(kHintProperty).toString()
                                 : QString();
        if (text.isEmpty()) {
            m_bar.clearMessage();
        } else {
            m_bar.showMessage(text);
            // A line longer than the bar is cut there: the control then shows
            // it whole as its tool tip.
            auto* widget = qobject_cast<QWidget*>(watched);
            // The bar draws its line a few pixels in from each side.
            const int room = m_bar.contentsRect().width() - 8;
            const bool fits = m_bar.fontMetrics().horizontalAdvance(text) <= room;
            if (widget && widget->toolTip() != (fits ? QString() : text))
                widget->setToolTip(fits ? QString() : text);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace orvane
