// SPDX-License-Identifier: MIT
#include "store/inf_file.h"

#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text_encoding.h"

#include <cerrno>
#include <charconv>

namespace arbolith {

namespace fs = std::filesystem;

namespace {

constexpr const char* kListSections[] = {"Edges", "CustomObjects", "Collections", "ExternalEdges"};

// "Interfaces" and "Modules" are read as integers: any non-zero number is on.
bool ReadIntegerFlag(const ProfileDocument& doc, const char* section, const char* key)
{
    const auto text = doc.Get(section, key);
    return text && ParseIniNumber(*text).value_or(0) != 0;
}

// A whole decimal number, or nothing.
std::optional<std::int32_t> ParseWholeNumber(std::string_view text)
{
    text = TrimView(text);
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

bool ReadBool(const ProfileDocument& doc, const char* section, const char* key, bool def)
{
    const auto text = doc.Get(section, key);
    return text ? ParseIniBoolean(*text, def) : def;
}

std::string ReadText(const ProfileDocument& doc, const char* section, const char* key, std::string_view def = "")
{
    const auto text = doc.Get(section, key);
    return text ? Trim(*text) : std::string(def);
}

// Entries of a list section, each split into exactly `fieldCount` fields
// (missing trailing fields are empty; extra ones are dropped).
std::vector<std::vector<std::string>> ReadList(const ProfileDocument& doc, const char* section, std::size_t fieldCount)
{
    std::vector<std::vector<std::string>> rows;
    for (const std::string& key : doc.SectionKeys(section)) {
        if (key.empty()) break;
        auto fields = SplitInfFields(key);
        fields.resize(fieldCount);
        rows.push_back(std::move(fields));
    }
    return rows;
}

struct ListEntries {
    const char* section;
    std::vector<std::string> keys;
};

Result<std::vector<ListEntries>> BuildListEntries(const InfData& data)
{
    std::vector<ListEntries> lists = {
        {kListSections[0], {}}, {kListSections[1], {}}, {kListSections[2], {}}, {kListSections[3], {}}};
    auto add = [](ListEntries& list, const std::vector<std::string>& fields) -> Result<void> {
        for (const std::string& field : fields)
            if (field.find('|') != std::string::npos)
                return Error::Model("entry \"" + JoinInfFields(fields) + "\" of section " + list.section +
                                    ": the field \"" + field + "\" contains \"|\"");
        std::string key = JoinInfFields(fields);
        if (std::string why = InvalidKeyNameReason(key); !why.empty())
            return Error::Model("entry \"" + key + "\" of section " + list.section + " cannot be stored: " + why);
        list.keys.push_back(std::move(key));
        return Ok();
    };
    for (const InfEdge& e : data.edges)
        if (auto r = add(lists[0], {e.parent, e.child, e.label}); !r) return r.error();
    for (const InfCustomObject& o : data.customObjects)
        if (auto r = add(lists[1], {o.name, IniBooleanText(o.isCollection), o.memberName, o.docString}); !r)
            return r.error();
    for (const InfCollection& c : data.collections) {
        if (c.newFlag.empty() && c.newMember.empty()) continue;
        if (auto r = add(lists[2], {c.name, c.newFlag, c.newMember}); !r) return r.error();
    }
    for (const InfExternalEdge& x : data.externalEdges)
        if (auto r = add(lists[3], {x.parent, x.memberLabel, x.returnType, x.library}); !r) return r.error();
    return lists;
}

Result<ProfileDocument> LoadExisting(const fs::path& infFile)
{
    if (!FileExists(infFile)) return Error::FileSystem(ENOENT, "no INF file at " + infFile.string());
    return ProfileDocument::Load(infFile);
}

template <class Change>
Result<void> UpdateInf(const fs::path& infFile, Change change)
{
    auto doc = ProfileDocument::Load(infFile);
    if (!doc) return doc.error();
    change(*doc);
    return doc->Save(infFile);
}

}  // namespace

std::string JoinInfFields(const std::vector<std::string>& fields)
{
    std::string joined;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) joined += '|';
        joined += fields[i];
    }
    return joined;
}

std::vector<std::string> SplitInfFields(std::string_view entry)
{
    std::vector<std::string> fields;
    for (;;) {
        const auto bar = entry.find('|');
        fields.emplace_back(entry.substr(0, bar));
        if (bar == std::string_view::npos) return fields;
        entry.remove_prefix(bar + 1);
    }
}

Result<void> SaveDataToINF(const fs::path& infFile, InfData& data)
{
    data.modelName = Trim(data.modelName);
    data.resourceNumber = Trim(data.resourceNumber);
    if (data.resourceNumber.empty()) data.resourceNumber = "1";
    if (Trim(data.category).empty()) data.category = "Misc";

    const std::string connect = JoinInfFields(data.connectToTop);
    for (const std::string& name : data.connectToTop)
        if (name.find('|') != std::string::npos) return Error::Model("top connection \"" + name + "\" contains \"|\"");
    for (const std::string& value : {data.library, data.modelName, data.resourceNumber, data.category,
                                     data.builtInTopObject, data.customTopObject, connect})
        if (value.find_first_of("\r\n") != std::string::npos)
            return Error::Model("the value \"" + value + "\" contains a line break");

    auto lists = BuildListEntries(data);
    if (!lists) return lists.error().In("cannot save " + infFile.string());

    auto saved = UpdateInf(infFile, [&](ProfileDocument& doc) {
        doc.Set("Main", "Interfaces", data.interfaces ? "1" : "0");
        doc.Set("Main", "Modules", data.modules ? "1" : "0");
        doc.Set("Main", "Library", data.library);
        doc.Set("Main", "ModelName", data.modelName);
        doc.Set("Main", "ResourceNumber", data.resourceNumber);
        doc.Set("Main", "Category", data.category);
        doc.Set("TopObject", "TopOnlyOnce", IniBooleanText(data.topOnlyOnce));
        doc.Set("TopObject", "TopIsCustom", IniBooleanText(data.topIsCustom));
        doc.Set("TopObject", "BuiltInTopObject", data.builtInTopObject);
        doc.Set("TopObject", "CustomTopObject", data.customTopObject);
        doc.Set("TopObject", "ConnectToTop", connect);
        doc.Set("Special", "MakeEventsObject", IniBooleanText(data.makeEventsObject));
        doc.Set("Special", "MakeControlsObject", IniBooleanText(data.makeControlsObject));
        doc.Set("Special", "GlobalObject", IniBooleanText(data.globalObject));
        for (const ListEntries& list : *lists) {
            doc.DeleteSection(list.section);
            for (const std::string& key : list.keys) doc.Set(list.section, key, "");
        }
        doc.DeleteSection("ReturnType");
    });
    if (!saved) return saved.error().In("cannot save " + infFile.string());
    return Ok();
}

Result<InfData> GetInfData(const fs::path& infFile)
{
    auto loaded = LoadExisting(infFile);
    if (!loaded) return loaded.error();
    const ProfileDocument& doc = *loaded;

    InfData d;
    d.interfaces = ReadIntegerFlag(doc, "Main", "Interfaces");
    d.modules = ReadIntegerFlag(doc, "Main", "Modules");
    d.library = ReadText(doc, "Main", "Library");
    d.modelName = ReadText(doc, "Main", "ModelName");
    d.resourceNumber = ReadText(doc, "Main", "ResourceNumber", "1");
    d.category = ReadText(doc, "Main", "Category", "Misc");
    d.topOnlyOnce = ReadBool(doc, "TopObject", "TopOnlyOnce", true);
    d.topIsCustom = ReadBool(doc, "TopObject", "TopIsCustom", true);
    d.builtInTopObject = ReadText(doc, "TopObject", "BuiltInTopObject");
    d.customTopObject = ReadText(doc, "TopObject", "CustomTopObject");
    if (const std::string connect = ReadText(doc, "TopObject", "ConnectToTop"); !connect.empty())
        d.connectToTop = SplitInfFields(connect);
    d.makeEventsObject = ReadBool(doc, "Special", "MakeEventsObject", false);
    d.makeControlsObject = ReadBool(doc, "Special", "MakeControlsObject", false);
    d.globalObject = ReadBool(doc, "Special", "GlobalObject", true);

    for (auto& f : ReadList(doc, "Edges", 3)) d.edges.push_back({std::move(f[0]), std::move(f[1]), std::move(f[2])});
    for (auto& f : ReadList(doc, "CustomObjects", 4))
        d.customObjects.push_back({std::move(f[0]), ParseIniBoolean(f[1], false), std::move(f[2]), std::move(f[3])});
    for (auto& f : ReadList(doc, "Collections", 3))
        d.collections.push_back({std::move(f[0]), std::move(f[1]), std::move(f[2])});
    for (auto& f : ReadList(doc, "ExternalEdges", 4))
        d.externalEdges.push_back({std::move(f[0]), std::move(f[1]), std::move(f[2]), std::move(f[3])});
    return d;
}

Result<InfBrowseKeys> ReadInfBrowseKeys(const fs::path& infFile)
{
    auto loaded = LoadExisting(infFile);
    if (!loaded) return loaded.error();
    const ProfileDocument& doc = *loaded;

    InfBrowseKeys k;
    k.modelName = ReadText(doc, "Main", "ModelName");
    k.library = ReadText(doc, "Main", "Library");
    k.resourceNumber = ReadText(doc, "Main", "ResourceNumber", "1");
    k.interfaces = ReadIntegerFlag(doc, "Main", "Interfaces");
    k.modules = ReadIntegerFlag(doc, "Main", "Modules");
    k.showHidden = ReadBool(doc, "Main", "ShowHidden", true);
    k.showExternal = ReadBool(doc, "Main", "ShowExternal", true);
    k.helpFile = ReadText(doc, "Main", "HelpFile");
    const bool topIsCustom = ReadBool(doc, "TopObject", "TopIsCustom", true);
    k.topObjectName = doc.Get("TopObject", topIsCustom ? "CustomTopObject" : "BuiltInTopObject").value_or("");
    k.topOnlyOnce = ReadBool(doc, "TopObject", "TopOnlyOnce", false);
    if (const auto key = doc.Get("TopObject", "TopObjectKey")) k.topObjectKey = ParseWholeNumber(*key);
    for (auto& [name, value] : doc.SectionEntries("NonleafCounts"))
        if (const auto count = ParseWholeNumber(value)) k.nonleafCounts.emplace(std::move(name), *count);
    return k;
}

Result<void> WriteInfShowHidden(const fs::path& infFile, bool show)
{
    return UpdateInf(infFile, [&](ProfileDocument& doc) { doc.Set("Main", "ShowHidden", IniBooleanText(show)); });
}

Result<void> WriteInfShowExternal(const fs::path& infFile, bool show)
{
    return UpdateInf(infFile, [&](ProfileDocument& doc) { doc.Set("Main", "ShowExternal", IniBooleanText(show)); });
}

Result<void> WriteInfTopObjectKey(const fs::path& infFile, std::int32_t key)
{
    return UpdateInf(infFile, [&](ProfileDocument& doc) { doc.Set("TopObject", "TopObjectKey", std::to_string(key)); });
}

}  // namespace arbolith
