#pragma once
// Keyboard use of the windows: Return presses the window's OK.

class QPushButton;
class QWidget;

namespace kalemir::ui {

/// Return and Enter press `button` (when it is shown and enabled) wherever the focus is in
/// `window`, in a field, a list or on an option; a focused button takes them itself, as
/// Space. Call once the window's buttons exist.
void MakeDefaultButton(QWidget* window, QPushButton* button);

/// A focused button presses on Return as on Space (for windows without a default button).
void LetButtonsPressOnReturn(QWidget* window);

} // namespace kalemir::ui
