// SPDX-License-Identifier: MIT
// The Options window: font sizes, the object tree's indentation, the global
// default branch count, the split-mode scale factor and two switches. It
// edits the values in memory through its host; they reach ZV.INI when the
// main window saves its settings.
#pragma once

#include "dialogs/options_values.h"
#include "dialogs/window_helpers.h"
#include "platform/prompt.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace arbolith {

// What the window changes in the main window.
class OptionsHost {
public:
    virtual ~OptionsHost() = default;
    virtual OptionsState CurrentOptions() const = 0;
    // The indentation buttons act at once.
    virtual void ApplyTreeIndent(std::int16_t indent) = 0;
    // Stores the values and applies them: fonts, the split-mode height, the
    // layout of the panes.
    virtual void ApplyOptions(const OptionsState& state) = 0;
};

class frmOptions : public QDialog {
public:
    frmOptions(OptionsHost& host, Prompt& prompt, ScreenPixels screen, QWidget* parent = nullptr);

    // Takes the values from the boxes, checks them, stores them and applies
    // them to the main window (OK and Apply).
    void Update();

    QLineEdit* txtFontSizeTextbox() const { return m_fontTextbox; }
    QLineEdit* txtFontSizeLabel() const { return m_fontLabel; }
    QLineEdit* txtFontSizeTree() const { return m_fontTree; }
    QLineEdit* txtFontSizeListBox() const { return m_fontListbox; }
    QLineEdit* txtIndent() const { return m_indent; }
    QLineEdit* txtDefaultDepth() const { return m_defaultDepth; }
    QLineEdit* txtScaleFactor() const { return m_scaleFactor; }
    QCheckBox* chkCompactDAT() const { return m_compactDat; }
    QCheckBox* chkOpenDlgAtTop() const { return m_openDlgAtTop; }
    QLabel* lblDefault() const { return m_lblDefault; }
    QPushButton* cmdIndentUp() const { return m_indentUp; }
    QPushButton* cmdIndentDown() const { return m_indentDown; }
    QPushButton* cmdOK() const { return m_ok; }
    QPushButton* cmdApply() const { return m_apply; }
    QPushButton* cmdCancel() const { return m_cancel; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StepIndent(bool up);

    OptionsHost& m_host;
    Prompt& m_prompt;
    std::int16_t m_indentValue = 400;

    QLineEdit* m_fontTextbox = nullptr;
    QLineEdit* m_fontLabel = nullptr;
    QLineEdit* m_fontTree = nullptr;
    QLineEdit* m_fontListbox = nullptr;
    QLineEdit* m_indent = nullptr;
    QLineEdit* m_defaultDepth = nullptr;
    QLineEdit* m_scaleFactor = nullptr;
    QCheckBox* m_compactDat = nullptr;
    QCheckBox* m_openDlgAtTop = nullptr;
    QLabel* m_lblDefault = nullptr;
    QPushButton* m_indentUp = nullptr;
    QPushButton* m_indentDown = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace arbolith
