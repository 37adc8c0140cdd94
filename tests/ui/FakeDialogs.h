#pragma once
// Dialogs answered by the test: queued answers, and a record of every question.

#include "ui/DialogService.h"

#include <QStringList>
#include <deque>

namespace kalemir::ui::testing {

class FakeDialogs : public DialogService {
public:
    /// Answers in order; a null QString() cancels the dialog, QString("") is empty text.
    QStringList textAnswers;
    std::deque<bool> yesNoAnswers;
    QStringList prompts;
    QStringList titles;
    QStringList defaults;
    QStringList questions;
    QStringList messages;

    std::optional<QString> AskText(QWidget*, const QString& prompt, const QString& title,
                                   const QString& defaultText) override {
        prompts << prompt;
        titles << title;
        defaults << defaultText;
        if (textAnswers.empty()) {
            return defaultText; // nobody left to answer: accept the default
        }
        const QString answer = textAnswers.takeFirst();
        if (answer.isNull()) {
            return std::nullopt;
        }
        return answer;
    }
    bool AskYesNo(QWidget*, const QString&, const QString& question) override {
        questions << question;
        if (yesNoAnswers.empty()) {
            return true;
        }
        const bool answer = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return answer;
    }
    /// Answered from yesNoAnswers too; with none left, the default No.
    bool AskYesNoDefaultNo(QWidget*, const QString&, const QString& question) override {
        questions << question;
        if (yesNoAnswers.empty()) {
            return false;
        }
        const bool answer = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return answer;
    }
    /// Answers of AskChoice in order (indexes); none left closes the dialog (-1).
    std::deque<int> choiceAnswers;
    QList<QStringList> choices;
    int AskChoice(QWidget*, const QString&, const QString& question,
                  const QStringList& answers) override {
        questions << question;
        choices << answers;
        if (choiceAnswers.empty()) {
            return -1;
        }
        const int answer = choiceAnswers.front();
        choiceAnswers.pop_front();
        return answer;
    }
    void Inform(QWidget*, const QString&, const QString& message) override { messages << message; }

    /// Folder answers in order; none left cancels.
    QStringList folderAnswers;
    std::optional<QString> AskFolder(QWidget*, const QString&, const QString&) override {
        if (folderAnswers.empty()) {
            return std::nullopt;
        }
        return folderAnswers.takeFirst();
    }
    QStringList pageTitles;
    QStringList pages;
    void ShowText(QWidget*, const QString& title, const QString& markdown) override {
        pageTitles << title;
        pages << markdown;
    }
};

} // namespace kalemir::ui::testing
