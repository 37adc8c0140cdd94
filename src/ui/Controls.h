#pragma once
// The controls the windows of all programs are built from. Each carries an object name
// saying its role ("okButton"; the window's member is `okButton_`), by which the tests and
// the window tour find it; texts are single-byte, as the engines write them.

#include <QAbstractItemView>

#include <initializer_list>
#include <utility>

class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QWidget;

namespace kalemir::ui {

QLabel* NamedLabel(QWidget* parent, const char* name, const char* text);

/// An entry field for a number, no wider than `maxWidth` pixels, holding `text`.
QLineEdit* NamedField(QWidget* parent, const char* name, int maxWidth, const char* text = "");

QPushButton* NamedButton(QWidget* parent, const char* name, const char* text);

QRadioButton* NamedOption(QWidget* parent, const char* name, const char* text);

QListWidget* NamedList(QWidget* parent, const char* name,
                       QAbstractItemView::SelectionMode selection);

/// Lays out each label with its field on one row of `grid`, from `row` on, in `column`
/// and the column after it; returns the row after the last.
int AddFieldRows(QGridLayout* grid, int row, int column,
                 std::initializer_list<std::pair<QLabel*, QWidget*>> rows);

/// Shows a label as the notice of a stopped analysis: wrapped, bold and dark red.
void MarkAsStopNotice(QLabel* label);

/// Moves the user from one window of a flow to the next: `from` is hidden and deleted
/// once control returns to the event loop, `to` shown.
void HandOverWindow(QWidget* from, QWidget* to);

/// HandOverWindow, leaving the flow's pointer to the window handed over null.
template <typename Window> void HandOver(Window*& from, QWidget* to) {
    HandOverWindow(from, to);
    from = nullptr;
}

} // namespace kalemir::ui
