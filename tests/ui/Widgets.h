#pragma once
// Finds a window's controls by their object names, the roles the windows give them
// ("okButton", "minPropertyR2Field"), as the user finds them on the screen.

#include <QObject>
#include <QPushButton>
#include <QString>
#include <QTest>

#include <stdexcept>
#include <string>

namespace kalemir::ui::testing {

/// The control of `window` named `name`. Throws when there is none of that type, so that a
/// test fails naming the control instead of crashing on a null pointer.
template <typename Control> Control* Child(const QObject* window, const char* name) {
    auto* control = window->findChild<Control*>(QString::fromLatin1(name));
    if (control == nullptr) {
        throw std::logic_error(std::string("no control named ") + name);
    }
    return control;
}

/// Clicks the button of `window` named `name`.
inline void Press(const QObject* window, const char* name) {
    QTest::mouseClick(Child<QPushButton>(window, name), Qt::LeftButton);
}

} // namespace kalemir::ui::testing
