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

bool QtMessageBoxes::askYesNo(const QString& title, const QString& text)
{
    QMessageBox box;
    box.setWindowTitle(title);
    box.setText(text);
    box.setIcon(QMessageBox::Question);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    m_open.append(&box);
    const int answer = box.exec();
    m_open.removeAll(&box);
    return answer == QMessageBox::Yes;
}

void QtMessageBoxes::closeOpenBoxes()
{
    for (const QPointer<QMessageBox>& box : std::as_const(m_open)) {
        if (box)
            box->done(box->standardButtons().testFlag(QMessageBox::Ok) ? QMessageBox::Ok
                                                                       : QMessageBox::No);
    }
}

} // namespace orvane
