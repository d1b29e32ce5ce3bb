#pragma once

#include <QObject>
#include <QString>

class QStatusBar;
class QWidget;

namespace orvane {

/// The one-line help of a window: the status bar shows a control's text
/// while the mouse is over it, and nothing over the background.
class HoverHelp : public QObject
{
    Q_OBJECT
public:
    explicit HoverHelp(QStatusBar& bar, QObject* parent = nullptr);
    /// `text` empty: the widget is background and clears the line.
    void add(QWidget* widget, const QString& text);
    /// What the line shows for `widget` (for tests and screen readers, the
    /// controls also get the text as their accessible description).
    static QString textOf(const QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStatusBar& m_bar;
};

} // namespace orvane
