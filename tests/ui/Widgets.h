#pragma once
// Finds a window's controls by their object names, the roles the windows give them
// ("okButton", "minPropertyR2Field"), as the user finds them on the screen.

#include <QObject>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QWidget>

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

/// What is wrong with the object names of the window's controls, "; "-separated: a name
/// given twice (a look-up finds only the first) or one that names no role (capitalised, or
/// numbered as "Text6" was); empty when nothing is. Unnamed widgets and Qt's own parts
/// ("qt_...") are left out.
inline std::string ControlNameProblems(const QWidget* window) {
    static const QRegularExpression role("^[a-z][A-Za-z0-9]*[A-Za-z]$");
    QStringList problems;
    QSet<QString> seen;
    for (const QWidget* control : window->findChildren<QWidget*>()) {
        const QString name = control->objectName();
        if (name.isEmpty() || name.startsWith("qt_")) {
            continue;
        }
        if (!role.match(name).hasMatch()) {
            problems << name + ": no role name";
        }
        if (seen.contains(name)) {
            problems << name + ": given twice";
        }
        seen.insert(name);
    }
    return problems.join("; ").toStdString();
}

} // namespace kalemir::ui::testing
