#include "ui/DialogService.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <vector>

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
    return QMessageBox::question(parent, title, question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

bool QtDialogService::AskYesNoDefaultNo(QWidget* parent, const QString& title,
                                        const QString& question) {
    return QMessageBox::question(parent, title, question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

int QtDialogService::AskChoice(QWidget* parent, const QString& title, const QString& question,
                               const QStringList& answers) {
    QMessageBox box(QMessageBox::Question, title, question, QMessageBox::NoButton, parent);
    std::vector<QAbstractButton*> buttons;
    for (const QString& answer : answers) {
        buttons.push_back(box.addButton(answer, QMessageBox::ActionRole));
    }
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Cancel);
    box.setEscapeButton(QMessageBox::Cancel);
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == buttons[i]) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void QtDialogService::Inform(QWidget* parent, const QString& title, const QString& message) {
    QMessageBox::information(parent, title, message);
}

std::optional<QString> QtDialogService::AskFolder(QWidget* parent, const QString& title,
                                                  const QString& start) {
    const QString folder = QFileDialog::getExistingDirectory(parent, title, start);
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return folder;
}

QDialog* MakeTextPage(QWidget* parent, const QString& title, const QString& markdown) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName("TextPage");
    dialog->setWindowTitle(title);
    auto* page = new QTextBrowser(dialog);
    page->setOpenExternalLinks(true);
    page->setMarkdown(markdown);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(page);
    layout->addWidget(buttons);
    dialog->resize(640, 480);
    return dialog;
}

void QtDialogService::ShowText(QWidget* parent, const QString& title, const QString& markdown) {
    QDialog* dialog = MakeTextPage(parent, title, markdown);
    dialog->exec();
    delete dialog;
}

} // namespace kalemir::ui
