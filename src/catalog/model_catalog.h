// SPDX-License-Identifier: MIT
// The catalog of models: every model that has a DAT or an INF file in the
// Models folder, grouped by category, as the Open Model dialog and
// `arbolith-cli models` show it. Nothing here writes a file except
// DeleteModelFiles, and only after the user said yes.
#pragma once

#include "platform/prompt.h"
#include "platform/result.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith::catalog {

// A model with the files it has. Its key is the base name its files share,
// spelled as the first of them in name order.
struct CatalogModel {
    std::string key;
    std::string library;    // the library's description
    std::string modelName;  // "" without an INF file
    std::string category;   // "[Default]" when none is set
    bool hasInf = false;
    bool hasDat = false;
    // Why the DAT file of a model without an INF file gave no description
    // (a damaged, empty or locked file); "" when it did, or was not asked.
    std::string datProblem;
};

struct Catalog {
    std::vector<CatalogModel> models;     // by key, without regard to case
    std::vector<std::string> categories;  // in order of first appearance, each once in any case
};

inline constexpr std::string_view kDefaultCategory = "[Default]";

// Reads the Models folder. A folder that cannot be listed is an error; a
// model file that cannot be read is listed with what could be read of it.
// Files are only read: a DAT file is opened read-only.
Result<Catalog> GetModelInfo(const std::filesystem::path& modelsFolder);

// The picture of a model node, by the files the model has.
enum class ModelImage { Both, InfOnly, DatOnly };
ModelImage ImageOf(const CatalogModel& model);
// "ModelID", "ModelI", "ModelD".
std::string_view ImageKey(ModelImage image);
// "ModelCat" when expanded, else "ModelCatClosed" with children and
// "ModelCatGray" without.
std::string_view CategoryImageKey(bool hasChildren, bool expanded);

// "<model name> - <library>".
std::string NodeText(const CatalogModel& model);

// The tree: one entry per category, in the catalog's order, with the
// indexes of its models sorted by node text without regard to case.
struct CategoryBranch {
    std::string name;
    std::vector<std::size_t> models;
};
std::vector<CategoryBranch> CatalogTree(const Catalog& catalog);

// What a click on a model node tells the user instead of opening it: the
// message for a model that lacks one of its files, nothing for one that
// has both.
std::optional<std::string> MissingFileMessage(ModelImage image);

// Asks about the DAT file, then the INF file, of the model, and deletes each
// the user agrees to. The two questions are independent. A key that names
// no file asks nothing. Stops at the first file that cannot be deleted and
// returns why; `deleted` then says what was gone before.
struct DeleteOutcome {
    bool datDeleted = false;
    bool infDeleted = false;
    std::optional<Error> error;
    bool AnyDeleted() const { return datDeleted || infDeleted; }
};
DeleteOutcome DeleteModelFiles(const std::filesystem::path& modelsFolder, std::string_view key, Prompt& prompt);

// The dialog's help, its paragraphs separated by an empty line.
std::string HelpText();
extern const char* const kChangeCategoryAdvice;

}  // namespace arbolith::catalog
