#pragma once

#include "platform/PlatformLoader.h"

#include <QMessageBox>

namespace monctl {

// The About box: the icon, the version, the licence (its whole text in the details) and the
// backends in use, in the interface language; it relabels itself when the language changes.
// Main thread only.
class AboutBox final : public QMessageBox {
    Q_OBJECT

public:
    // The box also lists the desktop backends in use, one line each.
    explicit AboutBox(DesktopBackends backends, QWidget* parent = nullptr);

    // What the box says.
    QString aboutText() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    QStringList backendLines() const;

    DesktopBackends m_backends;
};

} // namespace monctl
