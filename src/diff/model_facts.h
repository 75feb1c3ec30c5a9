// SPDX-License-Identifier: MIT
// What a user sees of one object model, in a form two models can be compared
// in: its objects, their members, its enumerations with their constants, and
// the edges of its tree. Read either from a library (extracted in memory, no
// file written) or from a model's DAT file (opened read-only).
#pragma once

#include "extract/extraction.h"
#include "platform/progress.h"
#include "platform/result.h"
#include "typelib/typelib.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace arbolith::diff {

struct ObjectFacts {
    std::string name;
    std::string docString;
    std::string hiddenState;
    std::string typeKind;
    std::string memberName;   // the element type of a collection
    std::string defaultName;  // "None" when the object has no default member
    bool isCollection = false;
    bool custom = false;  // added by the model's maker, not read from the library
};

// One row of the member panes: a method, a property accessor, a constant.
struct MemberFacts {
    std::string objectName;
    std::string name;
    std::string invokeType;
    std::string declaration;
    std::string access;
    std::string hiddenState;
    std::string docString;
    bool custom = false;
};

struct ConstantFacts {
    std::string enumName;
    std::string constant;
    std::optional<std::int64_t> value;  // nothing when the library gives no integer
};

struct EdgeFacts {
    std::string parent;
    std::string child;
    std::string label;
    bool custom = false;
};

struct ModelFacts {
    std::string source;       // the library or DAT file read, as given
    std::string libraryName;  // the library's own name (TL_Name)
    std::string version;      // its version
    bool inclInterfaces = false;
    bool inclModules = false;
    std::vector<ObjectFacts> objects;
    std::vector<MemberFacts> members;
    std::vector<ConstantFacts> constants;
    std::vector<EdgeFacts> edges;
};

// How a library is turned into a model for comparing.
struct LibraryReading {
    bool inclInterfaces = false;
    bool inclModules = false;
    LoadOptions load;
};

// The finished rows of an extraction, as the DAT file would hold them.
ModelFacts FactsFromWorkLists(const WorkLists& work);

// Loads the library ("path" or "path\N") and runs the extraction's steps in
// memory. A library that cannot be read fails naming the path.
Result<ModelFacts> ReadLibraryModel(const std::string& pathWithResource, const LibraryReading& reading,
                                    ProgressSink& progress);

// Leaves out the objects, members and edges a model's maker added (custom
// objects such as <Events>): what a library alone cannot hold.
void DropCustomRows(ModelFacts& facts);

// Reads a model's DAT file without changing it. A file that is missing, is
// no DAT file, or lacks a table fails naming the file.
Result<ModelFacts> ReadModelFile(const std::filesystem::path& datFile);

}  // namespace arbolith::diff
