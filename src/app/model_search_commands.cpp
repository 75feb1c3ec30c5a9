// SPDX-License-Identifier: MIT
// Find > Find in All Models: asks for the words, brings the index over every
// model up to date and searches it on a worker thread (the window repaints
// and shows each model being indexed in the status box meanwhile), lists the
// matches in a modal report window, and opens the model of a double-clicked
// match at its object.
#include "app/browser_hooks.h"
#include "app/main_window.h"
#include "dialogs/background_task.h"
#include "reports/report_window.h"
#include "search/model_index.h"

#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>

#include <optional>
#include <string>
#include <vector>

namespace arbolith {
namespace {

// The first node of the object of that name, in node-array order: exact
// spelling first, then letter case aside.
std::optional<std::int32_t> FirstNodeOf(const browser::ObjectBrowser& b, const std::string& name)
{
    const auto nodes = b.Nodes();
    const auto& objects = b.Model().objects;
    for (const Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            const std::int32_t object = nodes[i].object;
            if (object < 0 || static_cast<std::size_t>(object) >= objects.size()) continue;
            if (QString::fromStdString(objects[object].name).compare(QString::fromStdString(name), cs) == 0)
                return static_cast<std::int32_t>(i);
        }
    }
    return std::nullopt;
}

}  // namespace

void ObjectBrowserHooks::FindInAllModels(frmZVMain& window)
{
    Prompt& prompt = window.UserPrompt();
    static std::string lastAnswer;  // proposed again, as the other finds do
    const auto answer = prompt.Input(std::string(search::kFindInAllModelsQuestion),
                                     std::string(search::kFindInAllModelsTitle), lastAnswer);
    if (!answer) return;
    const search::SearchRequest request = search::ParseSearchAnswer(*answer);
    if (request.text.empty() && !request.rebuild) return;
    lastAnswer = *answer;
    if (search::FtsQuery(request.text).empty() && !request.text.empty()) {
        prompt.Ask({"There is no word to look for in \"" + request.text + "\".", PromptIcon::Exclamation,
                    PromptButtons::Ok, PromptAnswer::Ok, std::string(search::kFindInAllModelsTitle)});
        return;
    }

    // The index is made and searched on a worker thread; the window stays
    // painted but takes no input until the work is done.
    const std::filesystem::path models = window.Folders().modelsFolder;
    std::optional<Result<search::SearchOutcome>> outcome;
    QueuedProgress progress(&window, [&window](const std::string& caption) {
        window.txtStatus()->setPlainText(QString::fromStdString(caption));
    });
    BackgroundTask task;
    window.setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    task.Start([&] {
        if (request.text.empty()) {
            // "/r" alone: the index made anew, nothing searched.
            auto index = search::ModelIndex::Open(models, true);
            if (!index) {
                outcome = Result<search::SearchOutcome>(index.error());
                return;
            }
            auto refreshed = index->Refresh(&progress);
            if (!refreshed)
                outcome = Result<search::SearchOutcome>(refreshed.error());
            else
                outcome = Result<search::SearchOutcome>(search::SearchOutcome{{}, std::move(*refreshed)});
            return;
        }
        outcome = search::SearchModels(models, request.text, request.rebuild, &progress);
    });
    task.WaitForFinished();
    QApplication::restoreOverrideCursor();
    window.setEnabled(true);
    window.txtStatus()->clear();

    const std::string title(search::kFindInAllModelsTitle);
    if (!outcome || !*outcome) {
        const std::string why = outcome ? outcome->error().description : "the search did not run";
        prompt.Ask({"The models could not be searched: " + why, PromptIcon::Critical, PromptButtons::Ok,
                    PromptAnswer::Ok, title});
        return;
    }
    const search::SearchOutcome& found = **outcome;
    std::string notes;
    if (!found.refresh.unreadable.empty()) {
        notes = "These models could not be read and were left out:";
        for (const std::string& line : found.refresh.unreadable) notes += "\n" + line;
    }
    if (request.text.empty()) {
        prompt.Ask({"The search index was made anew: " + std::to_string(found.refresh.models) + " models." +
                        (notes.empty() ? "" : "\n\n" + notes),
                    PromptIcon::Information, PromptButtons::Ok, PromptAnswer::Ok, title});
        return;
    }
    if (!notes.empty()) prompt.Ask({notes, PromptIcon::Exclamation, PromptButtons::Ok, PromptAnswer::Ok, title});
    if (found.hits.empty()) {
        prompt.Ask(
            {"No match to " + request.text, PromptIcon::Information, PromptButtons::Ok, PromptAnswer::Ok, title});
        return;
    }

    std::vector<std::string> lines;
    lines.reserve(found.hits.size());
    for (const search::SearchHit& hit : found.hits) lines.push_back(search::HitLine(hit));
    frmReport report(prompt, &window);
    report.SetLines("Find in All Models: " + request.text + " (" + std::to_string(found.hits.size()) + " matches)",
                    lines);
    std::optional<std::size_t> chosen;
    QObject::connect(report.lstReport(), &QListWidget::itemDoubleClicked, &report, [&](QListWidgetItem* item) {
        const int row = report.lstReport()->row(item);
        if (row < 0 || static_cast<std::size_t>(row) >= found.hits.size()) return;
        chosen = static_cast<std::size_t>(row);
        report.accept();
    });
    report.exec();
    if (!chosen) return;

    const search::SearchHit& hit = found.hits[*chosen];
    m_browser->flatView = false;
    if (!OpenModel(window, hit.model, false)) return;  // the opening told why
    if (const auto node = FirstNodeOf(*m_browser, hit.object)) {
        SelectFoundNode(window, *node);
        return;
    }
    prompt.Ask({hit.object + " is not shown in the tree of " + hit.model + ".", PromptIcon::Information,
                PromptButtons::Ok, PromptAnswer::Ok, title});
}

}  // namespace arbolith
