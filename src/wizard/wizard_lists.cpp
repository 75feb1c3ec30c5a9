// SPDX-License-Identifier: MIT
// The wizard's lists: read from the model's DAT file, marked with the INF
// file's selections, and turned back into the settings that are saved.
#include "wizard/wizard_session.h"

#include "platform/database.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text_encoding.h"
#include "store/dat_schema.h"

#include <algorithm>
#include <functional>

namespace arbolith {

namespace {

bool EndsInEvents(std::string_view name)
{
    return name.size() >= 6 && AsciiLower(name.substr(name.size() - 6)) == "events";
}

// One object, into every list that shows objects, counted for the Special tab.
void AddObject(ModelLists& lists, ModelObjectRow object, bool rawIsCollection, std::string rawMemberName)
{
    if (AsciiLower(object.name) == "global") lists.hasGlobal = true;
    if (object.control) ++lists.controlsCount;
    if (EndsInEvents(object.name)) ++lists.eventsCount;
    lists.objectNames.push_back(object.name);
    lists.collections.push_back({object.name, rawIsCollection, std::move(rawMemberName), "", ""});
    lists.inModel.push_back(std::move(object));
}

// A property get or method whose return type leaves the library or is
// generic: a row of the external-edge list, the return-type list or both.
struct MemberFacts {
    std::string objectName, invokeType, name, returnType, library, docString;
    bool external = false;
    bool genericReturn = false;  // returns Object or Variant
};
void AddMember(ModelLists& lists, const MemberFacts& m)
{
    if (m.external) {
        const std::string letter = m.invokeType.empty() ? "" : AsciiUpper(m.invokeType.substr(0, 1));
        lists.externalEdges.push_back(
            {false, m.objectName, "(<" + letter + ":" + m.name + ")", m.returnType, m.library});
    }
    if (m.genericReturn && m.name != "Parent" && m.name != "Application")
        lists.returnTypes.push_back({m.objectName, m.name, m.returnType, m.docString});
}

}  // namespace

Result<ModelLists> ReadModelLists(const std::filesystem::path& datFile)
{
    auto db = OpenDatFile(datFile, true);
    if (!db) return db.error();
    ModelLists lists;
    // Name compares without regard to case; rows of one name keep their order.
    auto objects = db->ForEachRow(
        "SELECT Name, HiddenState, cChildObjects, FlagsVal, Key, IsCustom, RawIsCollection, RawMemberName "
        "FROM Objects ORDER BY Name, rowid",
        [&](const Statement& row) {
            ModelObjectRow object;
            object.name = row.Text(0);
            object.hidden = AsciiLower(row.Text(1)) == "h";
            object.childCount = row.Integer(2);
            object.control = (row.Integer(3) & 32) != 0;
            object.key = row.Integer(4);
            object.custom = row.Bool(5);
            AddObject(lists, std::move(object), row.Bool(6), row.Text(7));
        });
    if (!objects) return objects.error();
    auto prolific = db->ForEachRow(
        "SELECT Name, cChildObjects FROM Objects WHERE NOT coalesce(IsCustom, False) "
        "ORDER BY cChildObjects DESC, rowid",
        [&](const Statement& row) {
            lists.prolific.push_back({row.Text(0), row.Integer(1)});
        });
    if (!prolific) return prolific.error();
    // The external edges and the generic return types come from one pass
    // over Functions, its largest table, in the order both lists show.
    auto members = db->ForEachRow(
        "SELECT ObjectName, InvokeType, Name, ReturnType, ExtTypeLibName, DocString, IsExternal = True, "
        "RetTypeIsObject = True OR upper(ReturnType) = 'VARIANT' FROM Functions "
        "WHERE (InvokeType = 'propget' OR InvokeType = 'method') "
        "AND (IsExternal = True OR RetTypeIsObject = True OR upper(ReturnType) = 'VARIANT') "
        "ORDER BY ObjectName, Name, rowid",
        [&](const Statement& row) {
            AddMember(lists, {row.Text(0), row.Text(1), row.Text(2), row.Text(3), row.Text(4), row.Text(5), row.Bool(6),
                              row.Bool(7)});
        });
    if (!members) return members.error();
    auto edges =
        db->ForEachRow("SELECT ParentObjectName, ChildObjectName FROM Edges ORDER BY rowid", [&](const Statement& row) {
            lists.allEdges.push_back({row.Text(0), row.Text(1)});
        });
    if (!edges) return edges.error();
    return lists;
}

ModelLists ModelListsFromRows(const WorkLists& rows)
{
    // Row numbers in the order a query on the stored table returns them:
    // by the NOCASE text order of `key`, ties in storing order.
    const auto ordered = [](std::size_t count, const auto& less) {
        std::vector<std::size_t> order(count);
        for (std::size_t i = 0; i < count; ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), less);
        return order;
    };
    ModelLists lists;
    const auto& objects = rows.objects;
    // The few fields a pseudo-object is stored with; the others read as empty.
    for (const std::size_t i : ordered(objects.size(), [&](std::size_t a, std::size_t b) {
             return CompareNoCase(objects[a].name, objects[b].name) < 0;
         })) {
        const ObjectRecord& o = objects[i];
        ModelObjectRow row;
        row.name = o.name;
        row.hidden = !o.pseudo && AsciiLower(o.hiddenState) == "h";
        row.childCount = o.cChildObjects;
        row.control = !o.pseudo && (o.flagsVal & 32) != 0;
        row.key = o.key;
        AddObject(lists, std::move(row), !o.pseudo && o.isCollection, o.pseudo ? "" : o.rawMemberName);
    }
    for (const std::size_t i : ordered(objects.size(), [&](std::size_t a, std::size_t b) {
             return objects[a].cChildObjects > objects[b].cChildObjects;
         }))
        lists.prolific.push_back({objects[i].name, objects[i].cChildObjects});

    const auto& members = rows.members;
    for (const std::size_t i : ordered(members.size(), [&](std::size_t a, std::size_t b) {
             if (const int c = CompareNoCase(members[a].objectName, members[b].objectName)) return c < 0;
             return CompareNoCase(members[a].name, members[b].name) < 0;
         })) {
        const MemberRecord& m = members[i];
        if (m.pseudo || (m.invokeType != "propget" && m.invokeType != "method")) continue;
        AddMember(lists, {m.objectName, m.invokeType, m.name, m.returnType, m.extTypeLibName, m.docString, m.isExternal,
                          m.retTypeIsObject || AsciiUpper(m.returnType) == "VARIANT"});
    }
    for (const EdgeRecord& e : rows.edges) lists.allEdges.push_back({e.parentName, e.childName});
    return lists;
}

void WizardSession::GetOMDData(std::optional<ModelLists> read)
{
    lists = ModelLists{};
    connectSelected.clear();
    const std::filesystem::path dat = DatFile();
    if (dat.empty() || !FileExists(dat)) return;
    if (read) {
        lists = std::move(*read);
    } else if (auto fromFile = ReadModelLists(dat); !fromFile) {
        ReportError("GetOMDData", fromFile.error());
    } else {
        lists = std::move(*fromFile);
    }
    connectSelected.assign(lists.objectNames.size(), false);

    eventsCaption =
        "Add <Events> object and connect " + std::to_string(lists.eventsCount) + " event-related objects to it";
    eventsEnabled = lists.eventsCount >= 1;
    controlsCaption =
        "Add <Controls> object and connect " + std::to_string(lists.controlsCount) + " control-related objects to it";
    controlsEnabled = lists.controlsCount >= 1;
    if (lists.hasGlobal) {
        globalCaption =
            "This library has an object named Global. Check here to add an edge from the top object to Global.";
        globalEnabled = true;
    } else {
        globalCaption = "This library does not have an object named Global.";
        globalEnabled = false;
        settings.globalObject = false;
    }
}

void WizardSession::ApplyListSettings(const InfData& inf)
{
    // Connections: the first list entry of each name, compared as written.
    connectSelected.assign(lists.objectNames.size(), false);
    for (const std::string& name : inf.connectToTop) {
        const auto it = std::find(lists.objectNames.begin(), lists.objectNames.end(), name);
        if (it != lists.objectNames.end())
            connectSelected[static_cast<std::size_t>(it - lists.objectNames.begin())] = true;
    }
    ConnectSelectionChanged();

    for (ExternalEdgeRow& row : lists.externalEdges) row.checked = false;
    for (const InfExternalEdge& edge : inf.externalEdges) {
        const auto it = std::find_if(lists.externalEdges.begin(), lists.externalEdges.end(), [&](const auto& row) {
            return row.parent == edge.parent && row.label == edge.memberLabel && row.child == edge.returnType &&
                   row.library == edge.library;
        });
        if (it != lists.externalEdges.end()) it->checked = true;
    }

    for (CollectionRow& row : lists.collections) row.newColl = row.newMember = "";
    for (const InfCollection& correction : inf.collections) {
        const auto it = std::find_if(lists.collections.begin(), lists.collections.end(),
                                     [&](const auto& row) { return row.object == correction.name; });
        if (it == lists.collections.end()) continue;
        it->newColl = correction.newFlag;
        it->newMember = correction.newMember;
    }
}

InfData WizardSession::SettingsToSave() const
{
    InfData data = settings;
    data.library = m_libraryFileName;
    data.resourceNumber = Trim(resourceNumber);
    data.interfaces = includeInterfaces;
    data.modules = includeModules;
    data.modelName = Trim(settings.modelName);
    data.collections.clear();
    for (const CollectionRow& row : lists.collections)
        if (!row.newColl.empty() || !row.newMember.empty())
            data.collections.push_back({row.object, row.newColl, row.newMember});
    data.externalEdges.clear();
    for (const ExternalEdgeRow& row : lists.externalEdges)
        if (row.checked) data.externalEdges.push_back({row.parent, row.label, row.child, row.library});
    return data;
}

void WizardSession::FillInModelList(const std::set<std::int64_t>& treeKeys)
{
    inColumnShown = true;
    hiddenMissing = visibleMissing = 0;
    for (ModelObjectRow& row : lists.inModel) {
        row.in = treeKeys.contains(row.key);
        if (row.in) continue;
        if (row.hidden)
            ++hiddenMissing;
        else
            ++visibleMissing;
    }
    missingObjectsText =
        "Missing objects: " + std::to_string(visibleMissing) + " nonhid, " + std::to_string(hiddenMissing) + " hid";
}

void WizardSession::FillCategoriesList()
{
    categories.clear();
    std::vector<std::filesystem::path> infFiles;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(m_places.modelsFolder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError) && GetExtension(it->path().filename().string(), true) == "inf")
            infFiles.push_back(it->path());
    }
    // By file name, so the list reads the same on every run.
    std::sort(infFiles.begin(), infFiles.end());
    for (const std::filesystem::path& file : infFiles) {
        auto doc = ProfileDocument::Load(file);
        if (!doc) continue;
        const std::string category = Trim(doc->Get("Main", "Category").value_or("Misc"));
        if (category.empty()) continue;
        const bool known = std::any_of(categories.begin(), categories.end(),
                                       [&](const std::string& kept) { return EqualsNoCase(kept, category); });
        if (!known) categories.push_back(category);
    }
}

}  // namespace arbolith
