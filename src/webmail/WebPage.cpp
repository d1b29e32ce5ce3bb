#include "WebPage.h"

namespace orvane {

qsizetype PageForm::findField(const QString& field, Qt::CaseSensitivity cs) const
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (fields.at(i).compare(field, cs) == 0)
            return i;
    }
    return -1;
}

qsizetype WebPage::findForm(const QString& name, Qt::CaseSensitivity cs) const
{
    for (qsizetype i = 0; i < forms.size(); ++i) {
        if (forms.at(i).name.compare(name, cs) == 0)
            return i;
    }
    return -1;
}

} // namespace orvane
