// SPDX-License-Identifier: MIT
#include "catalog/model_catalog.h"

#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text_encoding.h"
#include "store/dat_schema.h"

#include <algorithm>
#include <system_error>

namespace arbolith::catalog {

namespace fs = std::filesystem;

namespace {

// A DAT or INF file of the folder.
struct ModelFile {
    std::string name;
    std::string baseName;
    bool isInf = false;
};

std::vector<ModelFile> ListModelFiles(const fs::path& folder, std::error_code& ec)
{
    std::vector<ModelFile> files;
    fs::directory_iterator it(folder, ec);
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;  // folders and broken links hold no model
        const std::string name = it->path().filename().string();
        const std::size_t dot = name.rfind('.');
        if (dot == std::string::npos) continue;
        const std::string_view extension = std::string_view(name).substr(dot + 1);
        const bool isInf = EqualsNoCase(extension, kInfExtension);
        if (isInf || EqualsNoCase(extension, kDatExtension)) files.push_back({name, name.substr(0, dot), isInf});
    }
    return files;
}

void ReadInf(const fs::path& infFile, CatalogModel& model)
{
    // An INF file that cannot be read lists its model with empty texts: the
    // model is still there to be deleted or remade.
    auto doc = ProfileDocument::Load(infFile);
    if (!doc) return;
    model.library = GetIniString(*doc, "Main", "Library", "");
    model.modelName = GetIniString(*doc, "Main", "ModelName", "");
    model.category = GetIniString(*doc, "Main", "Category", kDefaultCategory);
}

}  // namespace

Result<Catalog> GetModelInfo(const fs::path& modelsFolder)
{
    std::error_code ec;
    std::vector<ModelFile> files = ListModelFiles(modelsFolder, ec);
    if (ec)
        return Error::FileSystem(ec.value(),
                                 "cannot list the models in " + modelsFolder.string() + ": " + ec.message());
    // Names equal but for case go by their bytes, so which of Foo.DAT and
    // foo.INF spells the key does not depend on the folder's listing order.
    std::sort(files.begin(), files.end(), [](const ModelFile& a, const ModelFile& b) {
        const int order = CompareNoCase(a.baseName, b.baseName);
        return order != 0 ? order < 0 : a.name < b.name;
    });

    Catalog catalog;
    for (const ModelFile& file : files) {
        if (catalog.models.empty() || !EqualsNoCase(catalog.models.back().key, file.baseName)) {
            catalog.models.emplace_back();
            catalog.models.back().key = file.baseName;
        }
        // Each file sets the flag of its own kind only: Foo.DAT and foo.DAT
        // are one DAT file twice over, not a model with both files.
        (file.isInf ? catalog.models.back().hasInf : catalog.models.back().hasDat) = true;
    }

    for (CatalogModel& model : catalog.models) {
        if (model.hasInf) {
            ReadInf(GetInfFileName(model.key, modelsFolder), model);
        } else {
            auto library = ReadLibraryFacts(GetDatFileName(model.key, modelsFolder));
            if (library)
                model.library = std::move(library->library);
            else
                model.datProblem = library.error().description;
        }
        if (model.category.empty()) model.category = kDefaultCategory;
        const bool known = std::any_of(catalog.categories.begin(), catalog.categories.end(),
                                       [&](const std::string& c) { return EqualsNoCase(c, model.category); });
        if (!known) catalog.categories.push_back(model.category);
    }
    return catalog;
}

ModelImage ImageOf(const CatalogModel& model)
{
    if (model.hasInf && model.hasDat) return ModelImage::Both;
    return model.hasInf ? ModelImage::InfOnly : ModelImage::DatOnly;
}

std::string_view ImageKey(ModelImage image)
{
    switch (image) {
        case ModelImage::Both:
            return "ModelID";
        case ModelImage::InfOnly:
            return "ModelI";
        case ModelImage::DatOnly:
            break;
    }
    return "ModelD";
}

std::string_view CategoryImageKey(bool hasChildren, bool expanded)
{
    if (expanded) return "ModelCat";
    return hasChildren ? "ModelCatClosed" : "ModelCatGray";
}

std::string NodeText(const CatalogModel& model)
{
    return model.modelName + " - " + model.library;
}

std::vector<CategoryBranch> CatalogTree(const Catalog& catalog)
{
    std::vector<CategoryBranch> tree;
    tree.reserve(catalog.categories.size());
    for (const std::string& category : catalog.categories) tree.push_back({category, {}});
    std::vector<std::string> texts;
    texts.reserve(catalog.models.size());
    for (std::size_t i = 0; i < catalog.models.size(); ++i) {
        texts.push_back(NodeText(catalog.models[i]));
        const auto branch = std::find_if(tree.begin(), tree.end(), [&](const CategoryBranch& b) {
            return EqualsNoCase(b.name, catalog.models[i].category);
        });
        if (branch != tree.end()) branch->models.push_back(i);
    }
    for (CategoryBranch& branch : tree)
        std::stable_sort(branch.models.begin(), branch.models.end(),
                         [&](std::size_t a, std::size_t b) { return CompareNoCase(texts[a], texts[b]) < 0; });
    return tree;
}

std::optional<std::string> MissingFileMessage(ModelImage image)
{
    switch (image) {
        case ModelImage::Both:
            return std::nullopt;
        case ModelImage::InfOnly:
            return "This library has no data file. Please use the Create Model Wizard on the File Menu to create a "
                   "model using the object library.";
        case ModelImage::DatOnly:
            break;
    }
    return "This model has no information file. Please use the Create Model Wizard on the File Menu to open the DAT "
           "file for this model. Then you can assign a model name and top object.";
}

DeleteOutcome DeleteModelFiles(const fs::path& modelsFolder, std::string_view key, Prompt& prompt)
{
    DeleteOutcome outcome;
    if (key.empty()) return outcome;
    struct Question {
        fs::path file;
        const char* title;
        const char* text;
        bool DeleteOutcome::*deleted;
    };
    const Question questions[] = {
        {GetDatFileName(key, modelsFolder), "Delete DAT File",
         "If you delete the DAT file, in order to view the model again you will need to recreate the model from the "
         "object library. Proceed?",
         &DeleteOutcome::datDeleted},
        {GetInfFileName(key, modelsFolder), "Delete INF File",
         "Deleting the INF file will delete all custom Wizard settings for this library. Proceed?",
         &DeleteOutcome::infDeleted},
    };
    for (const Question& q : questions) {
        if (!FileExists(q.file)) continue;
        const PromptAnswer answer =
            prompt.Ask(PromptMessage{q.text, PromptIcon::Exclamation, PromptButtons::YesNo, PromptAnswer::No, q.title});
        if (answer != PromptAnswer::Yes) continue;
        std::error_code ec;
        if (!fs::remove(q.file, ec) && ec) {
            outcome.error = Error::FileSystem(ec.value(), "cannot delete " + q.file.string() + ": " + ec.message());
            return outcome;
        }
        outcome.*q.deleted = true;
    }
    return outcome;
}

std::string HelpText()
{
    return "This dialog shows you all models for which there is an information (INF) and/or a data (DAT) file.\n\n"
           "An INF file contains model settings for the Create Model Wizard and is created when you use the Wizard. "
           "Also, some versions of ARL may include predefined INF files for certain models.\n\n"
           "A DAT file contains object library data and is created by the Wizard from the original object library. "
           "Of course, the library must be installed on your system in order to extract the data. ARL does not ship "
           "with predefined DAT files.\n\n"
           "If you select a model for which one of the files is missing, ARL will prompt you to start the Create "
           "Model Wizard in order to create the missing file.\n\n"
           "For more information, see the main help documentation (under the ARL main Help menu).";
}

const char* const kChangeCategoryAdvice =
    "To change the category for a model, open the Create Model Wizard, load (or create) the DAT file for the model, "
    "and then select the new category on the Model tab.";

}  // namespace arbolith::catalog
