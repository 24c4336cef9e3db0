#pragma once

#include <QMessageBox>

namespace monctl {

// The About box, in the interface language; it relabels itself when the language changes.
// Main thread only.
class AboutBox final : public QMessageBox {
    Q_OBJECT

public:
    explicit AboutBox(QWidget* parent = nullptr);

    // What the box says.
    static QString aboutText();

protected:
    void changeEvent(QEvent* event) override;
};

} // namespace monctl
