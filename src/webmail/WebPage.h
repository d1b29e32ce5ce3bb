#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace orvane {

/// One form of a loaded page: its name and the names of its fields, in
/// document order.
struct PageForm
{
    QString name;
    QStringList fields;

    /// The first field called `field`, or -1.
    qsizetype findField(const QString& field, Qt::CaseSensitivity cs) const;
};

/// What the checkers read of a loaded page, taken in one piece once the
/// browser has settled, since the engine answers questions about a page only
/// asynchronously: the page's address, the HTML text of its root element and
/// its forms. A page whose document could not be read has `hasDocument`
/// false.
struct WebPage
{
    bool hasDocument = false;
    QString url;
    QString html;
    QList<PageForm> forms;

    /// The first form called `name`, or -1.
    qsizetype findForm(const QString& name, Qt::CaseSensitivity cs) const;
};

/// Values for fields of one form, by field index within that form.
using FieldValues = QMap<qsizetype, QString>;

} // namespace orvane
