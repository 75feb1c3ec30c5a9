// SPDX-License-Identifier: MIT
// The library walk: one pass over a loaded library's types that collects the
// objects, members, coclasses and enum constants a DAT file stores, with the
// counters of its Library row.
#include "extract/extraction.h"
#include "extract/extraction_steps_internal.h"
#include "extract/type_naming.h"
#include "platform/paths.h"
#include "store/dat_schema.h"

#include <sys/stat.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <array>
#include <ctime>

namespace arbolith {
namespace {

constexpr std::uint16_t kFuncFlagHidden = 0x40;
constexpr std::uint16_t kFuncFlagNonBrowsable = 0x400;

std::string DescribeType(const TypeDesc& type)
{
    TypeDescriptionInput input;
    input.code = type.code;
    // An imported type whose library was not found has no name to read.
    if (type.ref && type.ref->resolved && !type.ref->name.empty()) {
        input.referenceNameKnown = true;
        input.referenceName = type.ref->name;
    }
    return TypeDescription(input);
}

// The return type refers to a type of some library (possibly an array of it).
bool ReferencesLibraryType(const TypeDesc& type)
{
    return type.BaseCode() == kVtUserDefinedBase && type.ref != nullptr;
}

std::string HiddenStateOf(std::uint16_t flags)
{
    const bool hidden = (flags & kFuncFlagHidden) != 0;
    const bool nonBrowsable = (flags & kFuncFlagNonBrowsable) != 0;
    if (hidden && nonBrowsable) return "B";
    if (nonBrowsable) return "N";
    if (hidden) return "H";
    return "";
}

// Appends "(a As Long, [b] As Variant)".
void AppendParameterList(std::string& text, const std::vector<Parameter>& params)
{
    text += '(';
    bool first = true;
    for (const Parameter& p : params) {
        if (!first) text += ", ";
        first = false;
        if (p.flags & kParamFlagOptional) {
            text += '[';
            text += p.name;
            text += ']';
        } else {
            text += p.name;
        }
        text += " As ";
        text += DescribeType(p.type);
    }
    text += ')';
}

std::string ExternalLibraryName(const TypeRef& ref)
{
    if (!ref.library) return "<unknown>";
    return CutAtNul(ref.library->name) + " " + std::to_string(ref.library->majorVersion) + "." +
           std::to_string(ref.library->minorVersion);
}

class Walker {
public:
    Walker(bool inclInterfaces, bool inclModules) : m_inclInterfaces(inclInterfaces), m_inclModules(inclModules) {}

    // Room for every member the library could give, so the member list of
    // a large library is not copied over and over while it grows.
    void Reserve(const TypeLib& lib)
    {
        std::size_t members = 0;
        for (const TypeInfo& type : lib.types) {
            members += type.functions.size() + type.variables.size();
            if (type.interfaceView && m_inclInterfaces) members += type.interfaceView->functions.size();
        }
        m_work.members.reserve(members);
        m_work.objects.reserve(lib.types.size() + 2);
    }

    void Type(const TypeInfo& type)
    {
        const std::string_view keyword = TypeKindKeyword(type.kind);
        if (keyword == "enum") {
            Enum(type);
        } else if (keyword == "coclass") {
            CoClass(type);
        } else if (keyword == "dispinterface") {
            Object(type, keyword);
            // A dual interface is one type in the file, but it is met twice
            // here: first as its dispinterface (above), then, right after,
            // as its interface view under the same name. That second object
            // exists only when interfaces are included.
            if (type.interfaceView && m_inclInterfaces)
                Object(*type.interfaceView, TypeKindKeyword(TypeKind::Interface));
        } else if ((keyword == "interface" && m_inclInterfaces) || (keyword == "module" && m_inclModules)) {
            Object(type, keyword);
        }
        // Records, unions, aliases and the kinds not included are skipped.
    }

    WorkLists Take() { return std::move(m_work); }

private:
    void Enum(const TypeInfo& type)
    {
        const std::vector<Member> members = Members(type);
        for (const Member& m : members)
            m_work.constants.push_back(
                EnumConstantRecord{type.name, static_cast<std::int64_t>(members.size()), m.name, m.value});
        m_work.counters.constants += static_cast<std::int64_t>(members.size());
        ++m_work.counters.enums;
    }

    void CoClass(const TypeInfo& type)
    {
        CoClassRecord c;
        c.name = type.name;
        c.helpId = std::to_string(type.helpContext);
        c.cInterfaces = static_cast<std::int64_t>(type.implTypes.size());
        c.docString = type.doc;
        c.flagsVal = type.typeFlags;
        c.flags = TypeFlagsString(type.typeFlags);
        if (auto source = DefaultSourceInterface(type)) c.sourceInterface = type.implTypes[*source].ref.name;
        if (auto def = DefaultInterface(type)) c.defInterface = type.implTypes[*def].ref.name;
        c.guid = type.guid.ToString();
        c.event = c.name.find("Events") != std::string::npos;
        m_work.coclasses.push_back(std::move(c));
        ++m_work.counters.coclasses;
    }

    void Object(const TypeInfo& type, std::string_view keyword)
    {
        // Only variables need Members() to make members of them.
        const std::vector<Member> members = Members(type);
        ObjectRecord o;
        o.key = m_work.counters.objects;
        o.name = type.name;
        o.rawName = type.name;
        o.typeKind = std::string(keyword.substr(0, 3));
        o.helpId = std::to_string(type.helpContext);
        o.docString = type.doc;
        o.cFunctions = static_cast<std::int64_t>(members.size());
        o.flagsVal = type.typeFlags;
        o.flags = TypeFlagsString(type.typeFlags);
        o.hiddenState = (type.typeFlags & kTypeFlagHidden) ? "H" : "";
        o.guid = type.guid.ToString();
        for (const Member& m : members)
            if (!IsInheritedAutomationMethod(m.name)) AddMember(o, m);
        o.rawMemberName = o.memberName;
        m_work.objects.push_back(std::move(o));
        ++m_work.counters.objects;
    }

    void AddMember(ObjectRecord& owner, const Member& m)
    {
        ExtractionCounters& n = m_work.counters;
        MemberRecord& r = m_work.members.emplace_back();
        r.returnType = DescribeType(m.returnType);
        r.retTypeIsObject = r.returnType.size() == 6 && extract_steps::CompareNoCase(r.returnType, "object") == 0;
        if (m.returnType.ref && m.returnType.ref->external) {
            r.isExternal = true;
            r.extTypeLibName = ExternalLibraryName(*m.returnType.ref);
        }
        r.key = n.members;
        r.name = m.name;
        r.typeKind = owner.typeKind;
        r.invokeType = InvokeKindName(m.invokeKind);
        r.objectName = owner.name;
        r.ownerKey = owner.key;
        r.helpId = std::to_string(m.helpContext);
        r.docString = m.doc;
        if (ReferencesLibraryType(m.returnType) && (r.invokeType == "propget" || r.invokeType == "method")) {
            r.isPointer = true;
            r.wasPointer = true;
        }
        r.flags = m.flags;
        r.hiddenState = HiddenStateOf(m.flags);

        if (r.invokeType == "method")
            ++n.methods;
        else if (r.invokeType == "propget")
            ++n.propGets;
        else if (r.invokeType == "propput" || r.invokeType == "propputref")
            ++n.propPuts;

        const bool isProperty = r.invokeType.starts_with("prop");
        if (m.memberId == 0) {
            r.isDefault = true;
            owner.defaultName = (isProperty ? "P: " : "M: ") + m.name;  // a later default wins
        }

        // Built in a scratch buffer and copied once, so each row's text
        // takes only the room it needs.
        m_scratch = r.invokeType == "method" ? "Method " : "Property ";
        m_scratch += m.name;
        AppendParameterList(m_scratch, m.params);
        if (!r.returnType.empty() && r.returnType != "Void") {
            m_scratch += " As ";
            m_scratch += r.returnType;
        }
        r.declaration.assign(m_scratch);
        // A put returns nothing, whatever the declaration above says.
        if (r.invokeType.starts_with("propput")) r.returnType = "Void";

        if (m.name == "Count" || m.name == "Item") {
            owner.isCollection = true;
            ++n.collections;
        }
        if (m.name == "Item" && (r.invokeType == "propget" || r.invokeType == "method") && !r.returnType.empty())
            owner.memberName = r.returnType;
        else if ((m.name == "Add" || m.name == "Append") && owner.memberName.empty() && !r.returnType.empty())
            owner.memberName = r.returnType;

        ++n.members;
    }

    bool m_inclInterfaces;
    bool m_inclModules;
    WorkLists m_work;
    std::string m_scratch;
};

// The reader's model is let go of in small pieces scattered between the
// rows the walk makes, so the allocator can seldom give the freed memory
// back on its own; asking it to, now and then, keeps the process's
// footprint near what is live. A few thousand members free some megabytes.
constexpr std::size_t kMembersPerTrim = 20000;

void ReturnFreeMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace

bool IsInheritedAutomationMethod(std::string_view memberName)
{
    static constexpr std::string_view kNames[] = {"QueryInterface", "AddRef",        "Release", "GetTypeInfoCount",
                                                  "GetTypeInfo",    "GetIDsOfNames", "Invoke"};
    for (std::string_view name : kNames)
        if (memberName == name) return true;
    return false;
}

WorkLists WalkTypeLib(const TypeLib& lib, bool inclInterfaces, bool inclModules, ProgressSink& progress)
{
    Walker walker(inclInterfaces, inclModules);
    walker.Reserve(lib);
    for (const TypeInfo& type : lib.types) {
        progress.Yield();
        walker.Type(type);
    }
    return walker.Take();
}

WorkLists WalkAndReleaseTypeLib(TypeLib& lib, bool inclInterfaces, bool inclModules, ProgressSink& progress)
{
    Walker walker(inclInterfaces, inclModules);
    walker.Reserve(lib);
    // Members let go of since memory was last handed back to the system.
    std::size_t released = 0;
    for (TypeInfo& type : lib.types) {
        progress.Yield();
        walker.Type(type);
        // The rows hold all the walk needs; what the reader read for this
        // type goes now, so the reader's model and the rows made from it
        // are not both held whole at once.
        released += type.functions.size() + type.variables.size();
        if (type.interfaceView) released += type.interfaceView->functions.size();
        std::vector<Function>().swap(type.functions);
        std::vector<Variable>().swap(type.variables);
        type.interfaceView.reset();
        if (released >= kMembersPerTrim) {
            ReturnFreeMemory();
            released = 0;
        }
    }
    ReturnFreeMemory();
    return walker.Take();
}

LibraryRow MakeLibraryRow(const TypeLib& lib, const WorkLists& work, const std::string& path,
                          const std::string& resource, bool inclInterfaces, bool inclModules)
{
    LibraryRow row;
    row.fqLibName = path;
    row.library = GetFileNamePart(path, true);
    row.resource = resource;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        row.libDate = LibraryFileDate(st.st_mtime);
        row.libSize = static_cast<std::int64_t>(st.st_size);
    }
    row.inclInterfaces = inclInterfaces;
    row.inclModules = inclModules;
    row.tlName = CutAtNul(lib.name);
    row.tlDocString = CutAtNul(lib.doc);
    row.tlHelpFile = CutAtNul(lib.helpFile);
    row.tlVersion = std::to_string(lib.majorVersion) + "." + std::to_string(lib.minorVersion);
    row.tlCTypeDesc = static_cast<std::int64_t>(lib.TypeCount());
    row.counters = work.counters;
    row.cAliases = static_cast<std::int64_t>(lib.CountOf(TypeKind::Alias));
    row.cUnions = static_cast<std::int64_t>(lib.CountOf(TypeKind::Union));
    row.cRecords = static_cast<std::int64_t>(lib.CountOf(TypeKind::Record));
    row.tlGuid = lib.guid.ToString();
    return row;
}

Result<void> WriteLibraryRow(Database& db, const LibraryRow& row)
{
    auto inserter = Inserter::Prepare(
        db, kLibraryTable,
        {"FQLibName",    "Library",    "Resource",     "LibDate",     "LibSize",     "InclInterfaces", "InclModules",
         "Copyright",    "TL_Name",    "TL_DocString", "TL_HelpFile", "TL_Version",  "TL_cTypeDesc",   "cObjectsRaw",
         "cCollections", "cPropPuts",  "cPropGets",    "cMethods",    "cInterfaces", "cModules",       "cEnums",
         "cConstants",   "cCoClasses", "cAliases",     "cUnions",     "cRecords",    "TL_GUID"});
    if (!inserter) return inserter.error().In("Library table");
    const ExtractionCounters& n = row.counters;
    auto added = inserter->Insert(
        {row.fqLibName,   row.library,   row.resource,  row.libDate,     row.libSize,    row.inclInterfaces,
         row.inclModules, kDatCopyright, row.tlName,    row.tlDocString, row.tlHelpFile, row.tlVersion,
         row.tlCTypeDesc, n.objects,     n.collections, n.propPuts,      n.propGets,     n.methods,
         n.interfaces,    n.modules,     n.enums,       n.constants,     n.coclasses,    row.cAliases,
         row.cUnions,     row.cRecords,  row.tlGuid});
    if (!added) return added.error().In("Library row");
    return Ok();
}

std::optional<std::string> LibraryFileDate(std::time_t modified)
{
    std::tm local{};
    if (!localtime_r(&modified, &local)) return std::nullopt;
    std::array<char, 32> text{};
    if (std::strftime(text.data(), text.size(), "%Y-%m-%d %H:%M:%S", &local) == 0) return std::nullopt;
    return std::string(text.data());
}

}  // namespace arbolith
