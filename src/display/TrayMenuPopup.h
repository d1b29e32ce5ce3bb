#pragma once

#include <QObject>
#include <QPoint>

namespace orvane {

class TrayIcon;
class stForm;

/// Opens the tray menu somewhere other than the tray (the Quick Bar's right
/// click): the tray form describes it as it would open now, and a chosen
/// item goes to the form just as a choice in the tray's own menu does.
class TrayMenuPopup : public QObject
{
    Q_OBJECT
public:
    TrayMenuPopup(stForm& form, TrayIcon& tray, QObject* parent = nullptr)
        : QObject(parent), m_form(form), m_tray(tray)
    {}
    /// At the mouse pointer; returns when the menu has closed.
    void DoPopup();
    void DoPopupAt(const QPoint& globalPos);

private:
    stForm& m_form;
    TrayIcon& m_tray;
};

} // namespace orvane
