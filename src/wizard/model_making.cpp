// SPDX-License-Identifier: MIT
// The non-window part of MakeModel: the INF settings applied to the DAT file.
#include "wizard/model_making.h"

#include "platform/database.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text_encoding.h"
#include "store/dat_schema.h"

#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace arbolith {
namespace {

struct FoundObject {
    std::int64_t rowid = 0;
    std::int64_t key = 0;
    std::string name;
};

// Applies the INF settings to an open DAT file, inside the caller's
// transaction. Lookups by name go through the Name index: without regard to
// case, the first row of that name.
class Maker {
public:
    Maker(Database& db, const InfData& inf) : m_db(db), m_inf(inf) {}

    Result<MadeModel> Run()
    {
        // Steps 1-3: back to the extracted rows. An element type keeps the
        // coclass name extraction gave it: RawMemberName holds the interface
        // name, and the object of that raw name tells what it is called now
        // (restoring the raw name itself would name an object the model no
        // longer has).
        for (const char* sql :
             {"DELETE FROM Objects WHERE IsCustom = True",
              "UPDATE Objects SET IsCollection = RawIsCollection, MemberName = coalesce("
              "(SELECT o.Name FROM Objects AS o WHERE o.RawName = Objects.RawMemberName "
              "COLLATE BINARY ORDER BY o.rowid LIMIT 1), RawMemberName)",
              "DELETE FROM Edges WHERE IsCustom = True", "DELETE FROM Functions WHERE IsCustom = True"})
            if (auto done = m_db.Execute(sql); !done) return done.error();

        if (auto top = Top(); !top) return top.error();
        if (m_made.customTopAdded)
            for (const std::string& name : m_inf.connectToTop)
                if (auto connected = ConnectToTop(name); !connected) return connected.error();
        if (m_inf.globalObject)
            if (auto global = GlobalObject(); !global) return global.error();
        if (m_inf.makeEventsObject)
            if (auto events = PseudoObject("<Events>", "Custom events object.",
                                           "SELECT Key, Name FROM Objects WHERE lower(substr(Name, -6)) = 'events' "
                                           "ORDER BY rowid");
                !events)
                return events.error();
        if (m_inf.makeControlsObject)
            if (auto controls = PseudoObject("<Controls>", "Custom controls object.",
                                             "SELECT Key, Name FROM Objects WHERE (FlagsVal & 32) <> 0 ORDER BY rowid");
                !controls)
                return controls.error();
        for (const InfCustomObject& custom : m_inf.customObjects)
            if (auto added = AddObject({{"Name", custom.name},
                                        {"IsCollection", custom.isCollection},
                                        {"MemberName", custom.memberName},
                                        {"DocString", custom.docString}});
                !added)
                return added.error();
        for (const InfExternalEdge& edge : m_inf.externalEdges)
            if (auto added = ExternalEdge(edge); !added) return added.error();
        for (const InfCollection& correction : m_inf.collections)
            if (auto corrected = CorrectCollection(correction); !corrected) return corrected.error();
        for (const InfEdge& edge : m_inf.edges)
            if (auto added = ExtraEdge(edge); !added) return added.error();

        auto objects = Count("Objects");
        auto edges = Count("Edges");
        if (!objects || !edges) return !objects ? objects.error() : edges.error();
        m_made.objects = *objects;
        m_made.edges = *edges;
        return m_made;
    }

private:
    Result<std::int64_t> Count(std::string_view table)
    {
        auto count = m_db.QueryValue("SELECT COUNT(*) FROM " + QuoteIdentifier(table));
        if (!count) return count.error();
        return *count ? (*count)->AsInteger() : 0;
    }

    Result<std::optional<FoundObject>> Find(std::string_view name)
    {
        auto row = FindFirst(m_db, kObjectsTable, "Name", Value(name));
        if (!row) return row.error();
        if (!*row) return std::optional<FoundObject>();
        return std::optional<FoundObject>(
            FoundObject{(*row)->rowid, (**row)["Key"].AsInteger(), (**row)["Name"].AsText()});
    }

    // An added object's key is the number of objects before it.
    Result<std::int64_t> AddObject(std::initializer_list<FieldValue> fields)
    {
        auto key = Count("Objects");
        if (!key) return key.error();
        std::vector<std::string_view> names{"Key", "IsCustom"};
        std::vector<Value> values{*key, true};
        for (const FieldValue& field : fields) {
            names.push_back(field.name);
            values.push_back(field.value);
        }
        auto inserter = Inserter::Prepare(m_db, kObjectsTable, names);
        if (!inserter) return inserter.error();
        if (auto added = inserter->Insert(values); !added) return added.error();
        return *key;
    }

    Result<void> AddEdge(std::int64_t parentKey, std::string_view parentName, std::int64_t childKey,
                         std::string_view childName, const Value& label = Value())
    {
        return m_db.Execute(
            "INSERT INTO Edges (ParentObjectKey, ParentObjectName, ChildObjectKey, ChildObjectName, "
            "Label, IsCustom) VALUES (?, ?, ?, ?, ?, True)",
            {parentKey, parentName, childKey, childName, label});
    }

    // Step 4: the top object is found by name, or added as a custom object.
    Result<void> Top()
    {
        m_topName = Trim(m_inf.topIsCustom ? m_inf.customTopObject : m_inf.builtInTopObject);
        auto objects = Count("Objects");
        if (!objects) return objects.error();
        if (*objects == 0) return Ok();  // TopObjectKey 0, nothing added
        auto found = Find(m_topName);
        if (!found) return found.error();
        if (*found) {
            m_made.topObjectKey = (*found)->key;
            return Ok();
        }
        if (m_topName.empty()) return Ok();
        auto key = AddObject({{"Name", m_topName}, {"DocString", "User-defined custom top object for model."}});
        if (!key) return key.error();
        m_made.topObjectKey = *key;
        m_made.customTopAdded = true;
        return Ok();
    }

    // Step 5: the edge keeps the name as the INF file writes it.
    Result<void> ConnectToTop(const std::string& name)
    {
        auto found = Find(name);
        if (!found || !*found) return found ? Result<void>(Ok()) : Result<void>(found.error());
        return AddEdge(m_made.topObjectKey, m_topName, (*found)->key, name);
    }

    // Step 6: "Global" is made visible and hung under the top object. Its
    // flags lose the word Hid; the string keeps its slashes ("/Hid/Dual/"
    // becomes "/Dual/").
    Result<void> GlobalObject()
    {
        auto found = Find("Global");
        if (!found || !*found) return found ? Result<void>(Ok()) : Result<void>(found.error());
        if (auto updated = m_db.Execute(
                "UPDATE Objects SET HiddenState = '', Flags = replace(Flags, '/Hid/', '/') WHERE rowid = ?",
                {(*found)->rowid});
            !updated)
            return updated.error();
        return AddEdge(m_made.topObjectKey, m_topName, (*found)->key, (*found)->name);
    }

    // Steps 7 and 8: a pseudo-object under the top object, and an edge from
    // it to every object the query (Key, Name) selects.
    Result<void> PseudoObject(std::string_view name, std::string_view docString, std::string_view children)
    {
        auto key = AddObject({{"Name", name}, {"DocString", docString}});
        if (!key) return key.error();
        if (auto edge = AddEdge(m_made.topObjectKey, m_topName, *key, name); !edge) return edge;
        std::vector<std::pair<std::int64_t, std::string>> targets;
        auto stmt = m_db.Prepare(children);
        if (!stmt) return stmt.error();
        for (;;) {
            auto more = stmt->Step();
            if (!more) return more.error();
            if (!*more) break;
            targets.emplace_back(stmt->Integer(0), stmt->Text(1));
        }
        for (const auto& [childKey, childName] : targets)
            if (auto edge = AddEdge(*key, name, childKey, childName); !edge) return edge;
        return Ok();
    }

    // Step 10: the child is added as an external object when the model has
    // no object of that name; the edge needs the parent.
    Result<void> ExternalEdge(const InfExternalEdge& edge)
    {
        auto child = Find(edge.returnType);
        if (!child) return child.error();
        std::int64_t childKey = 0;
        if (*child) {
            childKey = (*child)->key;
        } else {
            auto added = AddObject({{"Name", edge.returnType},
                                    {"NameX", "(" + edge.library + ")"},
                                    {"IsCollection", false},
                                    {"MemberName", ""},
                                    {"DocString", "External object"},
                                    {"IsExternal", true}});
            if (!added) return added.error();
            childKey = *added;
        }
        auto parent = Find(edge.parent);
        if (!parent || !*parent) return parent ? Result<void>(Ok()) : Result<void>(parent.error());
        return AddEdge((*parent)->key, edge.parent, childKey, edge.returnType, Value(edge.memberLabel));
    }

    // Step 11: "Y" makes a collection; "N" and "" a noncollection.
    Result<void> CorrectCollection(const InfCollection& correction)
    {
        auto found = Find(correction.name);
        if (!found || !*found) return found ? Result<void>(Ok()) : Result<void>(found.error());
        return m_db.Execute("UPDATE Objects SET IsCollection = ?, MemberName = ? WHERE rowid = ?",
                            {correction.newFlag == "Y", correction.newMember, (*found)->rowid});
    }

    // Step 12: both ends must exist; an empty label stays Null.
    Result<void> ExtraEdge(const InfEdge& edge)
    {
        auto parent = Find(edge.parent);
        if (!parent || !*parent) return parent ? Result<void>(Ok()) : Result<void>(parent.error());
        auto child = Find(edge.child);
        if (!child || !*child) return child ? Result<void>(Ok()) : Result<void>(child.error());
        const Value label = edge.label.empty() ? Value() : Value("(<" + edge.label + ")");
        return AddEdge((*parent)->key, edge.parent, (*child)->key, edge.child, label);
    }

    Database& m_db;
    const InfData& m_inf;
    std::string m_topName;
    MadeModel m_made;
};

// A second name for `file` beside it, so that it can be put back after it
// was replaced; nullopt when the file system cannot link (or there is no file).
std::optional<std::filesystem::path> LinkBeside(const std::filesystem::path& file)
{
    const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path name = folder / ("." + file.filename().string() + ".old-" + std::to_string(::getpid()) +
                                               "-" + std::to_string(attempt));
        if (::link(file.c_str(), name.c_str()) == 0) return name;
        if (errno != EEXIST) break;
    }
    return std::nullopt;
}

// Puts the finished DAT and INF files in place of the model's, the DAT file
// first. When the INF file cannot follow, the old DAT file is put back, so
// the model's two files always belong together.
Result<void> ReplaceBoth(const std::filesystem::path& datFile, ScratchFile& newDat,
                         const std::filesystem::path& infFile, ScratchFile& newInf)
{
    std::error_code ec;
    const bool hadDat = std::filesystem::exists(datFile, ec);
    const std::optional<std::filesystem::path> oldDat = LinkBeside(datFile);
    ScratchFile oldDatGuard(oldDat.value_or(std::filesystem::path()));
    if (auto replaced = ReplaceFileWith(datFile, newDat.path()); !replaced) return replaced;
    newDat.Keep();
    if (auto replaced = ReplaceFileWith(infFile, newInf.path()); !replaced) {
        newInf.Keep();
        if (oldDat && ::rename(oldDat->c_str(), datFile.c_str()) == 0) oldDatGuard.Keep();
        if (!hadDat) std::filesystem::remove(datFile, ec);
        return replaced;
    }
    newInf.Keep();
    return Ok();
}

// The making itself. Nothing of the model changes until the end: the INF
// file is copied, and the copy saved and read; the rows are made in a copy
// of the DAT file (or in `source` itself when it is a scratch file), which
// is compacted into another scratch file when asked; the copy of the INF
// file takes TopObjectKey; then both replace the model's files.
Result<MadeModel> MakeAside(const std::filesystem::path& source, bool sourceIsScratch,
                            const std::filesystem::path& datFile, const std::filesystem::path& infFile, InfData& data,
                            bool compact)
{
    if (Trim(data.modelName).empty()) data.modelName = GetBaseName(data.library);
    if (Trim(data.category).empty()) data.category = "Misc";
    std::error_code ec;
    auto infCopy = std::filesystem::exists(infFile, ec) ? CopyFileBeside(infFile) : CreateFileBeside(infFile);
    if (!infCopy) return infCopy.error();
    ScratchFile newInf(*infCopy);
    if (auto saved = SaveDataToINF(newInf.path(), data); !saved) return saved.error().In("SaveDataToINF");
    auto inf = GetInfData(newInf.path());
    if (!inf) return inf.error();

    ScratchFile work;
    if (sourceIsScratch) {
        work = ScratchFile(source);
    } else {
        auto copied = CopyFileBeside(source);
        if (!copied) return copied.error();
        work = ScratchFile(*copied);
    }
    ScratchFile compacted;
    MadeModel made;
    {
        auto db = OpenDatFile(work.path());
        if (!db) return db.error();
        // A scratch copy: its rollback journal can stay in memory, and it is
        // flushed once, when it is finished.
        if (auto set = db->ExecuteScript("PRAGMA journal_mode = MEMORY; PRAGMA synchronous = OFF"); !set)
            return set.error();
        auto transaction = db->Begin();
        if (!transaction) return transaction.error();
        auto result = Maker(*db, *inf).Run();
        if (!result) return result.error();
        if (auto committed = transaction->Commit(); !committed) return committed.error();
        made = *result;
        if (compact) {
            // CompactInto makes its file itself: the scratch name is reserved, then freed for it.
            auto reserved = CreateFileBeside(datFile);
            if (!reserved) return reserved.error();
            compacted = ScratchFile(*reserved);
            std::filesystem::remove(compacted.path(), ec);
            if (auto copied = db->CompactInto(compacted.path()); !copied)
                return copied.error().In("compacting " + datFile.string());
        }
    }
    if (auto written = WriteInfTopObjectKey(newInf.path(), static_cast<std::int32_t>(made.topObjectKey)); !written)
        return written.error();

    if (auto replaced = ReplaceBoth(datFile, compact ? compacted : work, infFile, newInf); !replaced)
        return replaced.error();
    return made;
}

}  // namespace

Result<MadeModel> MakeModel(const std::filesystem::path& datFile, const std::filesystem::path& infFile, InfData& data,
                            bool compact)
{
    return MakeAside(datFile, false, datFile, infFile, data, compact);
}

Result<MadeModel> MakeModelFrom(const std::filesystem::path& source, const std::filesystem::path& datFile,
                                const std::filesystem::path& infFile, InfData& data, bool compact)
{
    return MakeAside(source, true, datFile, infFile, data, compact);
}

}  // namespace arbolith
