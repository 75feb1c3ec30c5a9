// SPDX-License-Identifier: MIT
#include "cli/cli_catalog.h"

#include "catalog/model_catalog.h"
#include "cli/cli_output.h"
#include "cli/cli_support.h"

#include <cstdio>
#include <string>

namespace arbolith::cli {

namespace {

int PrintJson(const std::filesystem::path& folder, const catalog::Catalog* read)
{
    JsonWriter json = BeginJsonDocument("models");
    json.Field("folder", folder.string());
    json.Key("models").BeginArray();
    if (read) {
        for (const catalog::CategoryBranch& branch : catalog::CatalogTree(*read)) {
            for (const std::size_t index : branch.models) {
                const catalog::CatalogModel& model = read->models[index];
                json.BeginObject()
                    .Field("category", branch.name)
                    .Field("key", model.key)
                    .Field("modelName", model.modelName)
                    .Field("library", model.library)
                    .Field("hasInf", model.hasInf)
                    .Field("hasDat", model.hasDat);
                if (!model.datProblem.empty()) {
                    json.Field("datProblem", model.datProblem);
                    Complain("warning: " + model.key + ": " + model.datProblem);
                }
                json.EndObject();
            }
        }
    }
    json.EndArray();
    return FinishJsonDocument(json);
}

}  // namespace

int ModelsCommand(const std::filesystem::path& modelsFolder, bool json)
{
    const auto found = ExistingModelsFolder(modelsFolder);
    if (!found) return 1;
    const std::filesystem::path& folder = *found;
    // Before the first model is made there is no folder and no model.
    if (modelsFolder.empty() && !std::filesystem::exists(folder)) return json ? PrintJson(folder, nullptr) : 0;
    auto read = catalog::GetModelInfo(folder);
    if (!read) {
        Complain(read.error().description);
        return 1;
    }
    if (json) return PrintJson(folder, &*read);
    std::string text;
    for (const catalog::CategoryBranch& branch : catalog::CatalogTree(*read)) {
        for (const std::size_t index : branch.models) {
            const catalog::CatalogModel& model = read->models[index];
            for (const std::string* field : {&branch.name, &model.key, &model.modelName, &model.library}) {
                AppendPrintable(text, *field);
                text += '\t';
            }
            text += model.hasInf && model.hasDat ? "INF DAT" : model.hasInf ? "INF" : "DAT";
            text += '\n';
            if (!model.datProblem.empty()) Complain("warning: " + model.key + ": " + model.datProblem);
        }
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace arbolith::cli
