#pragma once

#include <QWidget>

namespace monctl {

// A child control named after the field that holds it, so that tests and accessibility
// tools find it by that name.
template <class Widget> Widget* namedWidget(QWidget* parent, const char* name) {
    auto* widget = new Widget(parent);
    widget->setObjectName(name);
    return widget;
}

} // namespace monctl
