// SPDX-License-Identifier: MIT
// A model's INF file: the settings the Create Model Wizard collects for one
// library (name, category, top object, pseudo-objects, corrections), plus a
// few keys the main window keeps there. An INI file; see platform/profile.h.
//
// List sections store one entry per key: the entry's fields joined by "|"
// form the key name and the value is empty ("Obj|False||=" ). The key names
// are the data. Two entries with the same text (in any case) are one key.
#pragma once

#include "platform/result.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace arbolith {

struct InfEdge {
    std::string parent;
    std::string child;
    std::string label;  // may be empty
    bool operator==(const InfEdge&) const = default;
};

struct InfCustomObject {
    std::string name;
    bool isCollection = false;
    std::string memberName;  // empty for a noncollection
    std::string docString;   // may be empty
    bool operator==(const InfCustomObject&) const = default;
};

struct InfCollection {
    std::string name;
    std::string newFlag;    // "Y", "N" or ""
    std::string newMember;  // may be empty
    bool operator==(const InfCollection&) const = default;
};

struct InfExternalEdge {
    std::string parent;
    std::string memberLabel;  // "(<P:Name)" or "(<M:Name)"
    std::string returnType;
    std::string library;  // name of the other library
    bool operator==(const InfExternalEdge&) const = default;
};

// The wizard's settings, with the defaults a missing key reads as.
struct InfData {
    // [Main]
    bool interfaces = false;
    bool modules = false;
    std::string library;  // library file name without folder
    std::string modelName;
    std::string resourceNumber = "1";
    std::string category = "Misc";
    // [TopObject]
    bool topOnlyOnce = true;
    bool topIsCustom = true;
    std::string builtInTopObject;
    std::string customTopObject;
    std::vector<std::string> connectToTop;
    // [Special]
    bool makeEventsObject = false;
    bool makeControlsObject = false;
    bool globalObject = true;
    // List sections, in the order of the wizard's lists.
    std::vector<InfEdge> edges;
    std::vector<InfCustomObject> customObjects;
    std::vector<InfCollection> collections;  // rows whose flag or member is set
    std::vector<InfExternalEdge> externalEdges;

    bool operator==(const InfData&) const = default;
};

// Writes the wizard's keys of [Main], [TopObject] and [Special] one by one
// (other keys of those sections and other sections survive, "TopObjectKey"
// among them), replaces the four list sections with the current rows and
// removes section "ReturnType". An empty resource number is saved as "1" and
// an empty category as "Misc"; `data` is updated to match, so the window
// shows what was saved. Collections rows with neither a flag nor a member are
// not written.
//
// Every entry is checked before anything is written: an entry that an INI
// key name cannot hold (a line break, "=", a leading "[" or ";"), or whose
// field contains "|" (it would split into other fields when read back), is
// refused with an error naming it, and the file is left unchanged. The file
// is rewritten atomically as a whole.
Result<void> SaveDataToINF(const std::filesystem::path& infFile, InfData& data);

// Reads the wizard's settings; absent keys take the defaults of InfData. A
// missing file is an error the caller reports as "No existing INF file to load".
Result<InfData> GetInfData(const std::filesystem::path& infFile);

// The keys the main window keeps in the INF file.
struct InfBrowseKeys {
    std::string modelName;
    std::string library;
    std::string resourceNumber = "1";
    bool interfaces = false;
    bool modules = false;
    bool showHidden = true;
    bool showExternal = true;
    std::string helpFile;
    std::string topObjectName;  // CustomTopObject or BuiltInTopObject, as TopIsCustom (default True) says
    bool topOnlyOnce = false;
    std::optional<std::int32_t> topObjectKey;           // absent until the model is made
    std::map<std::string, std::int32_t> nonleafCounts;  // "<Default>" or an object name -> branch count
};
Result<InfBrowseKeys> ReadInfBrowseKeys(const std::filesystem::path& infFile);

// Single-key writers for the main window and model making.
Result<void> WriteInfShowHidden(const std::filesystem::path& infFile, bool show);
Result<void> WriteInfShowExternal(const std::filesystem::path& infFile, bool show);
Result<void> WriteInfTopObjectKey(const std::filesystem::path& infFile, std::int32_t key);

// Joins list fields with "|" / splits an entry at each "|". Splitting keeps
// empty fields: "a||" gives three fields.
std::string JoinInfFields(const std::vector<std::string>& fields);
std::vector<std::string> SplitInfFields(std::string_view entry);

}  // namespace arbolith
