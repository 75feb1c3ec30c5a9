// SPDX-License-Identifier: MIT
// Reading a model's facts from a library (in memory) or from its DAT file.
#include "diff/model_facts.h"

#include "store/dat_schema.h"

#include <algorithm>
#include <exception>

namespace arbolith::diff {

namespace {

// The five tables a DAT file holds besides Library, with the fields read here.
constexpr std::string_view kObjectsQuery =
    "SELECT Name, DocString, HiddenState, TypeKind, MemberName, DefaultName, IsCollection, IsCustom FROM Objects";
// Pseudo-members (no name) only carry an edge; the panes never show them.
constexpr std::string_view kMembersQuery =
    "SELECT ObjectName, Name, InvokeType, Declaration, Access, HiddenState, DocString, IsCustom FROM Functions"
    " WHERE Name IS NOT NULL AND Name <> ''";
constexpr std::string_view kConstantsQuery = "SELECT Enum, Constant, Value FROM Enums";
constexpr std::string_view kEdgesQuery = "SELECT ParentObjectName, ChildObjectName, Label, IsCustom FROM Edges";

// Runs the query and hands each row to `take`; a failure names the file.
template <class Take>
Result<void> ReadRows(Database& db, std::string_view sql, const std::filesystem::path& file, Take take)
{
    auto stmt = db.Prepare(sql);
    if (!stmt) return stmt.error().In("read " + file.string());
    for (;;) {
        auto row = stmt->Step();
        if (!row) return row.error().In("read " + file.string());
        if (!*row) return Ok();
        take(*stmt);
    }
}

}  // namespace

ModelFacts FactsFromWorkLists(const WorkLists& work)
{
    // The values SaveOMD stores, so that a library and its own model compare equal.
    ModelFacts facts;
    facts.objects.reserve(work.objects.size());
    for (const ObjectRecord& o : work.objects) {
        ObjectFacts& f = facts.objects.emplace_back();
        f.name = o.name;
        f.docString = o.docString;
        if (o.pseudo) continue;
        f.hiddenState = o.hiddenState;
        f.typeKind = o.typeKind;
        f.memberName = o.memberName;
        f.defaultName = o.defaultName.empty() ? "None" : o.defaultName;
        f.isCollection = o.isCollection;
    }
    facts.members.reserve(work.members.size());
    for (const MemberRecord& m : work.members) {
        if (m.pseudo || m.name.empty()) continue;
        facts.members.push_back(MemberFacts{m.objectName, m.name, m.invokeType, m.declaration, m.access.value_or(""),
                                            m.hiddenState, m.docString, false});
    }
    facts.constants.reserve(work.constants.size());
    for (const EnumConstantRecord& c : work.constants) {
        std::optional<std::int64_t> value;
        if (c.value) value = *c.value;
        facts.constants.push_back(ConstantFacts{c.enumName, c.constant, value});
    }
    facts.edges.reserve(work.edges.size());
    for (const EdgeRecord& e : work.edges) facts.edges.push_back(EdgeFacts{e.parentName, e.childName, e.label, false});
    return facts;
}

Result<ModelFacts> ReadLibraryModel(const std::string& pathWithResource, const LibraryReading& reading,
                                    ProgressSink& progress)
{
    try {
        progress.Caption("Reading " + pathWithResource + " ...");
        progress.Yield();
        auto lib = LoadTypeLib(pathWithResource, reading.load);
        if (!lib) {
            // The reader's errors mostly name the file already.
            if (lib.error().description.find(pathWithResource) != std::string::npos) return lib.error();
            return lib.error().In("read library " + pathWithResource);
        }
        // The library row is made before the walk lets go of the types.
        WorkLists work = WalkTypeLib(*lib, reading.inclInterfaces, reading.inclModules, progress);
        ReplaceWithCoClassNames(work);
        ProcessTables(work, reading.inclInterfaces, reading.inclModules, progress);
        // Illegal edges are left out of the model as in an extraction; the
        // lines that would go to the error log are not kept.
        ExtractionLog log{std::filesystem::path()};
        CreateEdges(work, log, pathWithResource);

        ModelFacts facts = FactsFromWorkLists(work);
        const LibraryRow row =
            MakeLibraryRow(*lib, work, pathWithResource, "", reading.inclInterfaces, reading.inclModules);
        facts.source = pathWithResource;
        facts.libraryName = row.tlName;
        facts.version = row.tlVersion;
        facts.inclInterfaces = reading.inclInterfaces;
        facts.inclModules = reading.inclModules;
        return facts;
    } catch (const std::exception& e) {
        return Error::TypeLibrary(0, "read library " + pathWithResource + ": " + e.what());
    }
}

void DropCustomRows(ModelFacts& facts)
{
    std::erase_if(facts.objects, [](const ObjectFacts& o) { return o.custom; });
    std::erase_if(facts.members, [](const MemberFacts& m) { return m.custom; });
    std::erase_if(facts.edges, [](const EdgeFacts& e) { return e.custom; });
}

Result<ModelFacts> ReadModelFile(const std::filesystem::path& datFile)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(datFile, ec))
        return Error::FileSystem(ENOENT, "read " + datFile.string() + ": no such model file");
    auto db = OpenDatFile(datFile, /*readOnly=*/true);
    if (!db) return db.error().In("open model " + datFile.string());
    for (const std::string_view table : {kObjectsTable, kFunctionsTable, kEnumsTable, kEdgesTable}) {
        const TableDef* def = FindDatTable(table);
        auto checked = CheckDatTable(*db, *def);
        if (!checked) return checked.error().In("model " + datFile.string() + " is damaged");
    }

    ModelFacts facts;
    facts.source = datFile.string();
    auto library = db->Prepare("SELECT TL_Name, TL_Version, InclInterfaces, InclModules FROM Library");
    if (library) {
        auto row = library->Step();
        if (row && *row) {
            facts.libraryName = library->Text(0);
            facts.version = library->Text(1);
            facts.inclInterfaces = library->Bool(2);
            facts.inclModules = library->Bool(3);
        }
    }
    auto read = ReadRows(*db, kObjectsQuery, datFile, [&](Statement& s) {
        facts.objects.push_back(
            ObjectFacts{s.Text(0), s.Text(1), s.Text(2), s.Text(3), s.Text(4), s.Text(5), s.Bool(6), s.Bool(7)});
    });
    if (!read) return read.error();
    read = ReadRows(*db, kMembersQuery, datFile, [&](Statement& s) {
        facts.members.push_back(
            MemberFacts{s.Text(0), s.Text(1), s.Text(2), s.Text(3), s.Text(4), s.Text(5), s.Text(6), s.Bool(7)});
    });
    if (!read) return read.error();
    read = ReadRows(*db, kConstantsQuery, datFile, [&](Statement& s) {
        std::optional<std::int64_t> value;
        if (!s.IsNull(2)) value = s.Integer(2);
        facts.constants.push_back(ConstantFacts{s.Text(0), s.Text(1), value});
    });
    if (!read) return read.error();
    read = ReadRows(*db, kEdgesQuery, datFile, [&](Statement& s) {
        facts.edges.push_back(EdgeFacts{s.Text(0), s.Text(1), s.Text(2), s.Bool(3)});
    });
    if (!read) return read.error();
    return facts;
}

}  // namespace arbolith::diff
