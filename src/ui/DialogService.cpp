#include "ui/DialogService.h"

#include <QInputDialog>
#include <QMessageBox>

namespace kalemir::ui {

std::optional<QString> QtDialogService::AskText(QWidget* parent, const QString& prompt,
                                                const QString& title, const QString& defaultText) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok) {
        return std::nullopt;
    }
    return text;
}

bool QtDialogService::AskYesNo(QWidget* parent, const QString& title, const QString& question) {
    return QMessageBox::question(parent, title, question) == QMessageBox::Yes;
}

bool QtDialogService::AskYesNoDefaultNo(QWidget* parent, const QString& title,
                                        const QString& question) {
    return QMessageBox::question(parent, title, question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void QtDialogService::Inform(QWidget* parent, const QString& title, const QString& message) {
    QMessageBox::information(parent, title, message);
}

} // namespace kalemir::ui
