#include "QtFileDialogs.h"

#include <QApplication>
#include <QFileDialog>

namespace orvane {

std::optional<QString> QtFileDialogs::openFile(const QString& title, const QString& start,
                                               const QString& filter)
{
    const QString chosen =
        QFileDialog::getOpenFileName(QApplication::activeWindow(), title, start, filter);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

} // namespace orvane
