// SPDX-License-Identifier: MIT
// The enum viewer: the enumerations of one enum table in a tree, the
// constants of the selected one in a list, and the Options menu's commands
// (find a constant, copy an enumeration or a constant as comment lines,
// generate a Select Case function). Shown modally and maximised; it keeps
// its table open while it is shown.
#pragma once

#include "enums/enum_source.h"
#include "platform/prompt.h"
#include "platform/result.h"

#include <QDialog>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QListWidget;
class QPushButton;
class QSplitter;
class QTreeWidget;

namespace arbolith {

// The reads the viewer makes of its enum table. TableOf binds them to an
// open EnumSource (kept open as long as a copy of the table lives); tests
// give their own.
struct EnumTable {
    std::function<Result<std::vector<std::string>>()> enumNames;
    std::function<Result<std::vector<enums::EnumConstant>>(std::string_view enumName)> constants;
    std::function<Result<std::vector<enums::ConstantMatch>>(std::string_view text)> findConstants;
};
EnumTable TableOf(enums::EnumSource source);

// The "EnumForm" settings' rules. A stored font size outside 4..36 is 10.
std::int16_t CheckedEnumFontSize(std::int32_t stored);
// The answer to "Change Font Size": its leading number rounded to an
// integer; a size outside 4..36 or an answer that is no number gives 10.
// Cancel (nothing) changes nothing: nothing is returned.
std::optional<std::int16_t> FontSizeFromAnswer(const std::optional<std::string>& answer);
// The split position is at least 1000 twips.
inline constexpr std::int32_t kMinPaneTwips = 1000;

class frmEnums : public QDialog {
public:
    // `iniFile`: ZV.INI, read afresh when the window loads and written when
    // the font size changes and when the window closes.
    frmEnums(Prompt& prompt, std::filesystem::path iniFile, QWidget* parent = nullptr);
    ~frmEnums() override;

    // Sets the caption, reads the settings and shows the enumerations of
    // `table`. A table that could not be opened gives "Error loading enums
    // form. " and the reason, and false: the caller then does not show the
    // window.
    bool Load(const std::string& caption, Result<EnumTable> table);

    // The split position in twips, as it is written as TreeWidth.
    std::int32_t SplitTwips() const { return m_splitTwips; }
    std::int16_t FontSize() const { return m_fontSize; }

    QTreeWidget* trvEnums() const { return m_trvEnums; }
    QListWidget* lstConstants() const { return m_lstConstants; }
    QSplitter* splitter() const { return m_splitter; }
    QPushButton* cmdFlash() const { return m_cmdFlash; }
    QAction* MenuAction(std::string_view name) const;

    // How long flash messages stay, in seconds (tests shorten it).
    void SetFlashSeconds(double seconds) { m_flashSeconds = seconds; }

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    enum class Pane { None, Tree, List };

    void CreateControls();
    void ApplyFont();
    void DisplayEnums();
    void DisplayConstants();
    void FindConstant();
    void CopyEnumOrConstant();
    void CreateEnumSelect();
    void ChangeFontSize();
    std::vector<std::string> ConstantItems() const;
    int TwipsToPixels(std::int32_t twips) const;
    std::int32_t PixelsToTwips(int pixels) const;

    Prompt& m_prompt;
    std::filesystem::path m_iniFile;
    std::optional<EnumTable> m_table;
    std::int32_t m_splitTwips = 500;
    std::int16_t m_fontSize = 10;
    double m_flashSeconds = 1.0;
    bool m_saved = false;
    Pane m_lastPane = Pane::None;  // the pane that had the focus last

    QTreeWidget* m_trvEnums = nullptr;
    QListWidget* m_lstConstants = nullptr;
    QSplitter* m_splitter = nullptr;
    QPushButton* m_cmdFlash = nullptr;
    std::vector<QAction*> m_actions;
};

}  // namespace arbolith
