#include "QtMessageBoxes.h"

#include <QMessageBox>

namespace orvane {

void QtMessageBoxes::showMessage(const QString& title, const QString& text, Icon icon)
{
    QMessageBox box;
    box.setWindowTitle(title);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    m_open.append(&box);
    box.exec();
    m_open.removeAll(&box);
}

void QtMessageBoxes::closeOpenBoxes()
{
    for (const QPointer<QMessageBox>& box : std::as_const(m_open)) {
        if (box)
            box->done(QMessageBox::Ok);
    }
}

} // namespace orvane
