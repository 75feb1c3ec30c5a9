// SPDX-License-Identifier: MIT
// The report window: the one read-only window that shows the model's
// reports (creatable and hidden objects, all members, library statistics),
// the object frequency table, and lines or texts other windows prepare
// (find results, the constant search, generated code, help texts).
//
// A caller makes one window, gives it one thing to show with one of the Set
// calls, and shows it modally (exec). A report of the DAT file runs once,
// when the window is first shown; a window activated again (as it is after
// every message box) never runs it a second time.
#pragma once

#include "platform/prompt.h"
#include "reports/reports.h"

#include <QDialog>

#include <filesystem>
#include <string>
#include <vector>

class QAction;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace arbolith {

enum class ReportMode {
    None,         // nothing set yet: an empty window
    Lines,        // lstReport, filled by the caller
    Frequencies,  // lvReport, the object frequency table
    HelpText,     // txtReport, a text to read
    Code,         // txtReport, generated code that File > Copy puts on the clipboard
    Report,       // lstReport, filled from the model's DAT file when shown
};

class frmReport : public QDialog {
public:
    // `prompt` shows a failed report's message. The window takes 90 % of the
    // screen `parent` is on.
    explicit frmReport(Prompt& prompt, QWidget* parent = nullptr);
    ~frmReport() override;

    // Lines under a caption, as they are given.
    void SetLines(const std::string& caption, const std::vector<std::string>& lines);
    // The frequency table: one row per object, counts shown with at least
    // three digits. A click on a column header sorts by that column's texts,
    // the direction alternating with every click.
    void SetFrequencies(const std::string& caption, const std::vector<reports::FrequencyRow>& rows);
    // A text to read, such as a window's help.
    void SetHelpText(const std::string& caption, const std::string& text);
    // Generated code under the caption "Enum Select Code"; File > Copy Text
    // to Clipboard copies it.
    void SetCode(const std::string& code);
    // One of the DAT file's reports, run when the window is shown. A report
    // that stops on an error says why in a message box and leaves what it
    // had read in the window.
    void SetReport(reports::ReportKind kind, const std::filesystem::path& datFile, const std::string& modelKey);

    ReportMode Mode() const { return m_mode; }

    QListWidget* lstReport() const { return m_lstReport; }
    QTreeWidget* lvReport() const { return m_lvReport; }
    QPlainTextEdit* txtReport() const { return m_txtReport; }
    QAction* mnuCopy() const { return m_mnuCopy; }
    QAction* mnuClose() const { return m_mnuClose; }
    QPushButton* cmdFlash() const { return m_cmdFlash; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void SetMode(ReportMode mode);
    void PlaceWindow();
    void PlaceContent();
    void RunReport();
    void SortByColumn(int column);
    void CopyCode();

    Prompt& m_prompt;
    ReportMode m_mode = ReportMode::None;
    reports::ReportKind m_kind = reports::ReportKind::Creatables;
    std::filesystem::path m_datFile;
    std::string m_modelKey;
    std::string m_code;  // the generated code, line ends as made
    bool m_shown = false;
    bool m_ascending = true;

    QWidget* m_client = nullptr;  // the area under the menu bar the content sits in
    QListWidget* m_lstReport = nullptr;
    QTreeWidget* m_lvReport = nullptr;
    QPlainTextEdit* m_txtReport = nullptr;
    QPushButton* m_cmdFlash = nullptr;
    QAction* m_mnuCopy = nullptr;
    QAction* m_mnuLine1 = nullptr;
    QAction* m_mnuClose = nullptr;
};

}  // namespace arbolith
