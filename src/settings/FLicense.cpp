#include "FLicense.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace orvane {

FLicense::FLicense(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FLicense"));
    setWindowTitle(QString::fromLatin1(kCaption));
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_DeleteOnClose);

    auto* notice = new QLabel(noticeText());
    notice->setObjectName(QStringLiteral("lblNotice"));
    notice->setWordWrap(true);
    notice->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    notice->setMargin(8);
    auto* scroll = new QScrollArea;
    scroll->setWidget(notice);
    scroll->setWidgetResizable(true);
    scroll->setMinimumSize(560, 360);
    auto* close = new QPushButton(QStringLiteral("Close"));
    close->setObjectName(QStringLiteral("bClose"));
    close->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll);
    layout->addWidget(close, 0, Qt::AlignRight);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

QString FLicense::noticeText()
{
    QFile file(QStringLiteral(":/license/LICENSE"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Paragraphs flow; the line breaks of the file are only its layout.
    QString text = QString::fromUtf8(file.readAll()).trimmed();
    text.replace(QStringLiteral("\n\n"), QStringLiteral("\u2029"));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QChar(0x2029), QStringLiteral("\n\n"));
    return text;
}

} // namespace orvane
