// SPDX-License-Identifier: MIT
// File > Compare With...: the current model against another library or
// model, read and compared on a worker thread while the window stays
// responsive (its menus and controls disabled meanwhile), the result shown
// in the report window.
#include "app/browser_hooks.h"
#include "app/main_window.h"
#include "dialogs/background_task.h"
#include "diff/diff_inputs.h"
#include "diff/diff_report.h"
#include "reports/report_window.h"
#include "typelib/typelib_loader.h"

#include <QMenuBar>
#include <QPlainTextEdit>

#include <memory>

namespace arbolith {

namespace {

constexpr const char* kTaskName = "compareTask";

constexpr const char* kAskText =
    "Compare the current model with which library or model? Enter a library file's path (\"path\\N\" for its "
    "resource N), a model's DAT file, or the key of a model in the Models folder.";
constexpr const char* kAskTitle = "Compare With";

// Menus and controls off while the comparison runs, back on after.
void SetBusy(frmZVMain& window, bool busy)
{
    window.menuBar()->setEnabled(!busy);
    if (QWidget* central = window.centralWidget()) central->setEnabled(!busy);
}

}  // namespace

void ObjectBrowserHooks::CompareWith(frmZVMain& window)
{
    Prompt& prompt = window.UserPrompt();
    const browser::CurrentModel& current = m_browser->Current();
    if (!current.IsOpen()) {
        prompt.Tell("Please choose a library first.", PromptIcon::Information);
        return;
    }
    auto* task = window.findChild<BackgroundTask*>(kTaskName);
    if (!task) {
        task = new BackgroundTask(&window);
        task->setObjectName(kTaskName);
    }
    if (task->IsRunning()) return;
    const std::optional<std::string> other = prompt.Input(kAskText, kAskTitle, "");
    if (!other || other->empty()) return;

    diff::DiffRequest request;
    request.before = current.datPath.string();
    request.after = *other;
    request.modelsFolder = window.Folders().modelsFolder;
    request.load = RegistryLoadOptions();
    const std::string caption = "Differences from " + current.modelName + " to " + *other;

    // The status box shows the captions of the work, and its own text again after.
    QPlainTextEdit* status = window.txtStatus();
    const QString statusBefore = status->toPlainText();
    auto progress = std::make_shared<QueuedProgress>(
        &window, [status](const std::string& text) { status->setPlainText(QString::fromStdString(text)); });
    auto outcome = std::make_shared<std::optional<Result<diff::DiffOutcome>>>();
    SetBusy(window, true);
    const bool started = task->Start(
        [request, progress, outcome] {
            try {
                outcome->emplace(diff::RunDiff(request, *progress));
            } catch (const std::exception& e) {
                outcome->emplace(Error::Model(std::string("comparing failed: ") + e.what()));
            }
        },
        [task, &window, &prompt, status, statusBefore, outcome, caption, other = *other] {
            // A window going away cancels the task and waits for it: then
            // nothing of the window may be touched any more.
            if (task->Cancelled()) return;
            SetBusy(window, false);
            status->setPlainText(statusBefore);
            if (!*outcome) return;
            const Result<diff::DiffOutcome>& result = **outcome;
            if (!result) {
                prompt.Tell("Cannot compare the models: " + result.error().description, PromptIcon::Critical);
                return;
            }
            if (result->diff.Empty()) {
                prompt.Tell("No differences: the current model and " + other +
                                " have the same objects, members, enumerations and edges.",
                            PromptIcon::Information);
                return;
            }
            frmReport report(prompt, &window);
            report.SetLines(caption, diff::DiffReportLines(result->diff));
            report.exec();
        });
    if (!started) SetBusy(window, false);
}

}  // namespace arbolith
