#include "QtFileDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QPointer>

namespace orvane {

std::optional<QString> QtFileDialogs::openFile(const QString& title, const QString& start,
                                               const QString& filter)
{
    // Not on the stack: the window it belongs to may be deleted while the
    // dialog runs its event loop (a shutdown), and takes the dialog with it.
    const QPointer<QFileDialog> dialog =
        new QFileDialog(QApplication::activeWindow(), title, start, filter);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    const int result = dialog->exec();
    if (!dialog)
        return std::nullopt;
    const QStringList chosen = dialog->selectedFiles();
    delete dialog;
    if (result != QDialog::Accepted || chosen.isEmpty() || chosen.first().isEmpty())
        return std::nullopt;
    return chosen.first();
}

} // namespace orvane
