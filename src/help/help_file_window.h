// SPDX-License-Identifier: MIT
// The Set Help File dialog, frmHelpFile: shows the help file the library
// names and lets the user choose another for the model, or switch its help
// off with "<disable>". OK keeps the choice in the model's INF file
// (section Main, key HelpFile) so that later openings use it too.
#pragma once

#include "platform/prompt.h"

#include <QDialog>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

class QLineEdit;
class QPushButton;

namespace arbolith::help {

// The setting that switches a model's help off, in any case.
inline constexpr std::string_view kHelpDisabled = "<disable>";
bool IsHelpDisabled(std::string_view setting);
// The help file in effect for a model's setting: the setting, or the
// library's own help file when the setting is empty.
std::string EffectiveHelpFile(std::string_view setting, std::string_view libraryHelpFile);

class frmHelpFile : public QDialog {
public:
    // `libraryHelpFile`: what the library names; `currentHelpFile`: the
    // help file in effect now; `infFile`: the model's INF file.
    frmHelpFile(std::string libraryHelpFile, const std::string& currentHelpFile, std::filesystem::path infFile,
                Prompt& prompt, QWidget* parent = nullptr);

    QLineEdit* txtTL_Help() const { return m_tlHelp; }
    QLineEdit* txtNew() const { return m_new; }
    QPushButton* cmdOK() const { return m_ok; }
    QPushButton* cmdCancel() const { return m_cancel; }

    // After OK: the help file now in effect (EffectiveHelpFile of what was
    // written). Nothing after Cancel.
    const std::optional<std::string>& ChosenHelpFile() const { return m_chosen; }

private:
    void Accept();

    std::string m_libraryHelpFile;
    std::filesystem::path m_infFile;
    Prompt& m_prompt;
    std::optional<std::string> m_chosen;
    QLineEdit* m_tlHelp = nullptr;
    QLineEdit* m_new = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace arbolith::help
