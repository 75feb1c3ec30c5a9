// SPDX-License-Identifier: MIT
#include "cli/cli_search.h"

#include "cli/cli_output.h"
#include "cli/cli_support.h"
#include "platform/json_writer.h"
#include "search/model_index.h"

#include <cstdio>
#include <string>

namespace arbolith::cli {
namespace {

void WriteJson(const std::string& text, const search::SearchOutcome& outcome)
{
    JsonWriter json;
    json.BeginObject().Field("schema", "arbolith-cli/search/1").Field("text", text);
    json.Key("hits").BeginArray();
    for (const search::SearchHit& hit : outcome.hits) {
        json.BeginObject()
            .Field("model", hit.model)
            .Field("object", hit.object)
            .Field("member", hit.member)
            .Field("declaration", hit.declaration)
            .Field("kind", search::HitKindName(hit.kind))
            .EndObject();
    }
    json.EndArray();
    const search::RefreshSummary& r = outcome.refresh;
    json.Key("index").BeginObject();
    json.Key("models").UInt(r.models).Key("read").UInt(r.read).Key("removed").UInt(r.removed);
    json.Field("rebuilt", r.rebuilt);
    json.Key("unreadable").BeginArray();
    for (const std::string& line : r.unreadable) json.String(line);
    json.EndArray().EndObject().EndObject();
    const std::string out = json.Take();
    std::fwrite(out.data(), 1, out.size(), stdout);
}

}  // namespace

int ModelSearchCommand(const ModelSearchOptions& options)
{
    if (search::FtsQuery(options.text).empty()) {
        Complain("the search text has no word to look for (see: arbolith-cli search --help)");
        return 2;
    }
    const auto found = ExistingModelsFolder(options.modelsFolder);
    if (!found) return 1;
    const std::filesystem::path& folder = *found;
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        Complain(folder.string() + ": no such models folder");
        return 1;
    }
    auto outcome = search::SearchModels(folder, options.text, options.rebuild);
    if (!outcome) {
        Complain(outcome.error().description);
        return 1;
    }
    if (!outcome->refresh.discarded.empty())
        Complain("note: the search index was made anew (" + outcome->refresh.discarded + ")");
    for (const std::string& line : outcome->refresh.unreadable) Complain("warning: not indexed: " + line);
    if (options.json) {
        WriteJson(options.text, *outcome);
    } else {
        std::string text;
        for (const search::SearchHit& hit : outcome->hits) {
            for (const std::string* field : {&hit.model, &hit.object, &hit.member}) {
                AppendPrintable(text, *field);
                text += '\t';
            }
            AppendPrintable(text, hit.declaration);
            text += '\n';
        }
        std::fwrite(text.data(), 1, text.size(), stdout);
        if (outcome->hits.empty()) Complain("No match to " + options.text);
    }
    if (std::fflush(stdout) != 0) return 1;
    return outcome->hits.empty() ? 1 : 0;
}

}  // namespace arbolith::cli
