// SPDX-License-Identifier: MIT
// The desktop program's prompt: message boxes and input boxes as Qt dialogs,
// modal over the window given as parent.
#pragma once

#include "platform/prompt.h"

#include <QPointer>
#include <QWidget>

namespace arbolith {

class QtPrompt : public Prompt {
public:
    explicit QtPrompt(QWidget* parent = nullptr) : m_parent(parent) {}

    // The window the dialogs belong to (centred over it, modal to it).
    void SetParent(QWidget* parent) { m_parent = parent; }

    PromptAnswer Ask(const PromptMessage& message) override;
    std::optional<std::string> Input(const std::string& text, const std::string& title,
                                     const std::string& defaultText) override;

private:
    QPointer<QWidget> m_parent;
};

}  // namespace arbolith
