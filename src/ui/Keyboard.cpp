#include "ui/Keyboard.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

namespace kalemir::ui {

namespace {

/// Return keys that no control of the window took reach the window: they press its button.
class ReturnPresses : public QObject {
public:
    ReturnPresses(QWidget* window, QPushButton* button) : QObject(window), button_(button) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) {
            return QObject::eventFilter(watched, event);
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool returnKey = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (!returnKey || key->modifiers() & ~Qt::KeypadModifier || button_.isNull() ||
            !button_->isVisible() || !button_->isEnabled()) {
            return QObject::eventFilter(watched, event);
        }
        button_->click();
        return true;
    }

private:
    QPointer<QPushButton> button_;
};

} // namespace

void LetButtonsPressOnReturn(QWidget* window) {
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        button->setAutoDefault(true);
    }
}

void MakeDefaultButton(QWidget* window, QPushButton* button) {
    LetButtonsPressOnReturn(window);
    button->setDefault(true);
    window->installEventFilter(new ReturnPresses(window, button));
}

} // namespace kalemir::ui
