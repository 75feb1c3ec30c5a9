// SPDX-License-Identifier: MIT
// From a type library file to a complete model data (DAT) file:
//   1. the library walk: load the library, collect objects, members,
//      coclasses and enum constants;
//   2. ReplaceWithCoClassNames: give interfaces the names of their coclasses;
//   3. ProcessTables: pseudo-objects, object keys, access letters, pointers;
//   4. CreateEdges: one edge per (parent, child) pair with its label;
//   5. SaveOMD: store the finished rows in the DAT tables.
// Steps 2 to 4 rework the walk's rows in memory, so every row is written to
// the file once, in its final form, and the file's pages are encrypted once.
// ExtractFromTypeLib runs them in that order.
#pragma once

#include "platform/database.h"
#include "platform/progress.h"
#include "platform/prompt.h"
#include "platform/result.h"
#include "typelib/typelib.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith {

// The extraction error log (errorlog.txt in the application folder): opened
// for appending by each run, one line per problem. Also carries the run's
// error flag, set by every step that logged a failure.
class ExtractionLog {
public:
    explicit ExtractionLog(std::filesystem::path file) : m_file(std::move(file)) {}

    // Appends one line (the line ending is added). A log that cannot be
    // written must not stop an extraction: the line is kept in Lines() anyway.
    void Append(std::string_view line);
    // "Error in <step>: " + domain and code + "- " + description, and sets the flag.
    void StepFailed(std::string_view step, const Error& error);

    bool errorFlag = false;
    const std::vector<std::string>& Lines() const { return m_lines; }  // this run's lines
    const std::filesystem::path& File() const { return m_file; }

private:
    std::filesystem::path m_file;
    std::vector<std::string> m_lines;
};

// What one extraction is asked to do.
struct ExtractOptions {
    bool inclInterfaces = false;         // interface-kind types become objects too
    bool inclModules = false;            // module-kind types become objects too
    std::filesystem::path modelsFolder;  // where <base>.DAT is written
    std::filesystem::path errorLog;      // errorlog.txt, appended to
    LoadOptions load;                    // how imported libraries are found
    bool keepRows = false;               // hand the stored rows back in ExtractionResult::rows
};

// ---------------------------------------------------------------------------
// The work lists the library walk fills and SaveOMD stores. Field meanings
// are those of the DAT tables of the same names.

struct ObjectRecord {
    std::int64_t key = 0;
    std::string name;
    std::string rawName;
    std::string memberName;     // element type of a collection, "" otherwise
    std::string rawMemberName;  // memberName as extracted, before coclass names replace it
    std::string helpId;
    std::string docString;
    bool isCollection = false;
    std::int64_t cFunctions = 0;  // every member of the type, before filtering
    std::string defaultName;      // "" until a member with id 0 is met
    std::string hiddenState;
    std::int64_t flagsVal = 0;
    std::string flags;
    std::string guid;
    std::string typeKind;            // "dis", "int", "mod"
    std::int64_t cChildObjects = 0;  // set by CreateEdges
    std::int64_t cChildObjectsNotHid = 0;
    // A root object added by ProcessTables ("<interfaces>", "<modules>"):
    // stored with its few fields only, the others Null.
    bool pseudo = false;
};

struct MemberRecord {
    std::int64_t key = 0;
    std::string name;
    std::string objectName;
    std::string invokeType;
    std::string returnType;
    bool isPointer = false;
    bool wasPointer = false;
    std::string helpId;
    std::string declaration;
    std::string hiddenState;
    std::int64_t flags = 0;
    std::string docString;
    bool isDefault = false;
    std::string extTypeLibName;
    std::string typeKind;
    bool isExternal = false;
    bool retTypeIsObject = false;
    std::int64_t ownerKey = 0;   // key of the object the walk found the member in (not stored)
    std::int64_t objectKey = 0;  // set by ProcessTables; -1: no such object
    std::int64_t returnTypeKey = 0;
    std::optional<std::string> access = std::string();  // nullopt is stored as Null
    // A member added by ProcessTables that makes an interface (module)
    // object a child of its root; stored with its few fields only.
    bool pseudo = false;
};

struct CoClassRecord {
    std::string name;
    std::int64_t cInterfaces = 0;
    std::string docString;
    std::string helpId;
    std::int64_t flagsVal = 0;
    std::string flags;
    std::string defInterface;     // "" when there is none
    std::string sourceInterface;  // "" when there is none
    std::string guid;
    bool event = false;                         // the name holds "Events"
    std::optional<std::string> forReplacement;  // "d" or "s" once chosen by ReplaceWithCoClassNames
};

struct EnumConstantRecord {
    std::string enumName;
    std::int64_t cConstants = 0;
    std::string constant;
    std::optional<std::int32_t> value;  // nullopt (stored as Null) when not a 32-bit integer
};

// Counters of the walk. 64-bit: a large library passes 32,767 members.
struct ExtractionCounters {
    std::int64_t objects = 0, coclasses = 0, members = 0, enums = 0, constants = 0, collections = 0, propPuts = 0,
                 propGets = 0, methods = 0;
    // No step counts these; they are stored as 0.
    std::int64_t interfaces = 0, modules = 0;
};

struct EdgeRecord {
    std::int64_t parentKey = 0;
    std::string parentName;
    std::int64_t childKey = 0;
    std::string childName;
    std::string label;
};

struct WorkLists {
    std::vector<ObjectRecord> objects;
    std::vector<MemberRecord> members;
    std::vector<CoClassRecord> coclasses;
    std::vector<EnumConstantRecord> constants;
    std::vector<EdgeRecord> edges;
    ExtractionCounters counters;
};

// The seven methods every automation interface inherits; never stored.
bool IsInheritedAutomationMethod(std::string_view memberName);

// Walks the library's types in order and fills the work lists. Calls
// progress.Yield() before each type.
WorkLists WalkTypeLib(const TypeLib& lib, bool inclInterfaces, bool inclModules, ProgressSink& progress);
// The same walk, letting go of each type's functions, variables and
// interface view once its rows are made (names, kinds, counts and the
// coclasses' interfaces stay): the extraction driver's walk, which keeps
// peak memory near the larger of the reader's model and the rows rather
// than their sum.
WorkLists WalkAndReleaseTypeLib(TypeLib& lib, bool inclInterfaces, bool inclModules, ProgressSink& progress);

// The single row of the Library table.
struct LibraryRow {
    std::string library;                 // file name, lower case
    std::string fqLibName;               // the path as given
    std::optional<std::string> libDate;  // "YYYY-MM-DD HH:MM:SS", local time; nullopt when unreadable
    std::optional<std::int64_t> libSize;
    std::string resource;
    bool inclInterfaces = false;
    bool inclModules = false;
    std::string tlName, tlDocString, tlHelpFile, tlVersion, tlGuid;
    std::int64_t tlCTypeDesc = 0, cAliases = 0, cUnions = 0, cRecords = 0;
    ExtractionCounters counters;
};
LibraryRow MakeLibraryRow(const TypeLib& lib, const WorkLists& work, const std::string& path,
                          const std::string& resource, bool inclInterfaces, bool inclModules);
// Adds the row to the Library table of a file made by CreateDatFile.
Result<void> WriteLibraryRow(Database& db, const LibraryRow& row);

// Step 2: each default interface and each event interface takes the name
// of the one coclass chosen for it, in its object row and in every member
// row that names it. RawName and RawMemberName keep the names as extracted.
void ReplaceWithCoClassNames(WorkLists& work);

// A library file's modification time as the Library row's LibDate holds it:
// local time to the second, "2024-03-01 17:05:09". Nothing when the time
// cannot be shown.
std::optional<std::string> LibraryFileDate(std::time_t modified);

// Step 3: the pseudo-objects and pseudo-members of the included interfaces
// and modules, object keys on every member, Access letters, and the pointer
// flag withdrawn where owner or return type is no object of the model.
// Shows the "Assigning object keys ..." and "Fixing Access field ..." captions.
void ProcessTables(WorkLists& work, bool inclInterfaces, bool inclModules, ProgressSink& progress);

// Step 4: the edges and the parents' child counts. Illegal edges are
// reported into `log` (with its header line before the first report of a
// run when the flag is still clear) and set its flag.
void CreateEdges(WorkLists& work, ExtractionLog& log, std::string_view libraryPath);

// Step 5: creates Edges, CoClasses, Objects, Functions and Enums and copies
// the work lists into them, in one transaction (all tables and rows, or
// nothing). Shows the "Storing ..." captions.
Result<void> SaveOMD(Database& db, const WorkLists& work, ProgressSink& progress);

// ---------------------------------------------------------------------------
// The driver.

struct ExtractionResult {
    bool ok = false;                // false: empty path, or the library could not be loaded or stored
    std::filesystem::path datFile;  // the finished file (when ok)
    std::string windowTitle;        // "Create Model Wizard - " + library file name (when ok)
    std::string failure;            // why it failed (when !ok and the path was not empty)
    bool errorsLogged = false;      // a step logged an error (the "Some errors" message was shown)
    ExtractionCounters counters;    // of the walk
    std::int64_t edges = 0;         // rows in Edges at the end
    std::int64_t milliseconds = 0;  // the whole run
    // The rows as the file holds them, when ExtractOptions::keepRows asked
    // for them: a caller that shows the new model at once need not read the
    // file back.
    std::optional<WorkLists> rows;
};

// Turns one library file into its DAT file in options.modelsFolder: walk,
// ReplaceWithCoClassNames, ProcessTables, CreateEdges, SaveOMD. A resource
// that is not a number becomes "1" (also in the caller's variable). The new
// file is built beside the old one as "<base>.DAT.partial" and replaces it
// (platform/files.h) only when every table is stored and the file is on
// disk. Any failure to load, store, commit, flush or rename fails the run
// (a failed SaveOMD is logged as its step's), removes the partial file and
// leaves an existing DAT file as it was, byte for byte.
ExtractionResult ExtractFromTypeLib(const std::string& path, std::string& resource, const ExtractOptions& options,
                                    ProgressSink& progress, Prompt& prompt);

}  // namespace arbolith
