#pragma once

#include "MessageBoxes.h"

#include <QList>
#include <QPointer>

class QMessageBox;

namespace orvane {

class QtMessageBoxes final : public MessageBoxes
{
public:
    void showMessage(const QString& title, const QString& text, Icon icon) override;
    bool askYesNo(const QString& title, const QString& text) override;
    void closeOpenBoxes() override;

private:
    QList<QPointer<QMessageBox>> m_open;
};

} // namespace orvane
