#include "ui/Controls.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace kalemir::ui {

QLabel* NamedLabel(QWidget* parent, const char* name, const char* text) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setObjectName(name);
    return label;
}

QLineEdit* NamedField(QWidget* parent, const char* name, int maxWidth, const char* text) {
    auto* field = new QLineEdit(QString::fromLatin1(text), parent);
    field->setObjectName(name);
    field->setMaximumWidth(maxWidth);
    return field;
}

QPushButton* NamedButton(QWidget* parent, const char* name, const char* text) {
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setObjectName(name);
    return button;
}

QRadioButton* NamedOption(QWidget* parent, const char* name, const char* text) {
    auto* option = new QRadioButton(QString::fromLatin1(text), parent);
    option->setObjectName(name);
    return option;
}

QListWidget* NamedList(QWidget* parent, const char* name,
                       QAbstractItemView::SelectionMode selection) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setSelectionMode(selection);
    return list;
}

int AddFieldRows(QGridLayout* grid, int row, int column,
                 std::initializer_list<std::pair<QLabel*, QWidget*>> rows) {
    for (const auto& [label, field] : rows) {
        grid->addWidget(label, row, column);
        grid->addWidget(field, row, column + 1);
        ++row;
    }
    return row;
}

void MarkAsStopNotice(QLabel* label) {
    label->setWordWrap(true);
    label->setStyleSheet("color: #b00000; font-weight: bold;");
}

void HandOverWindow(QWidget* from, QWidget* to) {
    from->hide();
    to->show();
    from->deleteLater();
}

} // namespace kalemir::ui
