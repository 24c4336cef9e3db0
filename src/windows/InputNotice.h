#pragma once

#include <QCoreApplication>
#include <string>

class QWidget;

namespace monctl {

// Tells the user, once per run, why the monitor's buttons do nothing on this desktop. Said at
// the first press that goes nowhere rather than at start: where input needs uinput, giving it
// is each user's choice (it lets every program of theirs type into any window), and one who
// declined should not hear of it at every start.
// Main thread only.
class InputNotice final {
    Q_DECLARE_TR_FUNCTIONS(InputNotice)

public:
    explicit InputNotice(QWidget* parent) : m_parent(parent) {}

    // Shows why, beside the parent and without blocking it; nothing once it was shown.
    void pressDropped(const std::string& whyNoInput);

private:
    QWidget* m_parent;
    bool m_shown = false;
};

} // namespace monctl
