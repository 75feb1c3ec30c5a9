// SPDX-License-Identifier: MIT
#include "dialogs/qt_prompt.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace arbolith {

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

QString TitleOr(const std::string& title)
{
    return title.empty() ? QApplication::applicationDisplayName() : Text(title);
}

QMessageBox::Icon ToQt(PromptIcon icon)
{
    switch (icon) {
        case PromptIcon::Critical:
            return QMessageBox::Critical;
        case PromptIcon::Question:
            return QMessageBox::Question;
        case PromptIcon::Exclamation:
            return QMessageBox::Warning;
        case PromptIcon::Information:
            return QMessageBox::Information;
        case PromptIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(PromptButtons buttons)
{
    switch (buttons) {
        case PromptButtons::Ok:
            return QMessageBox::Ok;
        case PromptButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case PromptButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case PromptButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case PromptButtons::RetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton ToQt(PromptAnswer answer)
{
    switch (answer) {
        case PromptAnswer::Ok:
            return QMessageBox::Ok;
        case PromptAnswer::Cancel:
            return QMessageBox::Cancel;
        case PromptAnswer::Yes:
            return QMessageBox::Yes;
        case PromptAnswer::No:
            return QMessageBox::No;
        case PromptAnswer::Retry:
            return QMessageBox::Retry;
    }
    return QMessageBox::Ok;
}

PromptAnswer FromQt(int button, PromptAnswer fallback)
{
    switch (button) {
        case QMessageBox::Ok:
            return PromptAnswer::Ok;
        case QMessageBox::Cancel:
            return PromptAnswer::Cancel;
        case QMessageBox::Yes:
            return PromptAnswer::Yes;
        case QMessageBox::No:
            return PromptAnswer::No;
        case QMessageBox::Retry:
            return PromptAnswer::Retry;
        default:
            return fallback;
    }
}

}  // namespace

PromptAnswer QtPrompt::Ask(const PromptMessage& message)
{
    QMessageBox box(ToQt(message.icon), TitleOr(message.title), Text(message.text), ToQt(message.buttons),
                    m_parent.data());
    const QMessageBox::StandardButton defaultButton = ToQt(message.defaultAnswer);
    if (box.standardButtons() & defaultButton) box.setDefaultButton(defaultButton);
    return FromQt(box.exec(), message.defaultAnswer);
}

std::optional<std::string> QtPrompt::Input(const std::string& text, const std::string& title,
                                           const std::string& defaultText)
{
    bool ok = false;
    const QString answer =
        QInputDialog::getText(m_parent.data(), TitleOr(title), Text(text), QLineEdit::Normal, Text(defaultText), &ok);
    if (!ok) return std::nullopt;
    return answer.toStdString();
}

}  // namespace arbolith
