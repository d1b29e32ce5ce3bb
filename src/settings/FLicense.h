#pragma once

#include <QDialog>

namespace orvane {

/// The licence the program ships under, shown from the About page.
class FLicense : public QDialog
{
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Orvane License";
    explicit FLicense(QWidget* parent = nullptr);
    /// The notice text: the LICENSE file built into the program.
    static QString noticeText();
};

} // namespace orvane
