// SPDX-License-Identifier: MIT
// The library walk on a small library of our own: no coclass, no enum, a dual
// interface, several default members.
#include "extract/extraction.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace arbolith {
namespace {

namespace fs = std::filesystem;
const fs::path kWalkLibrary = fs::path(ARBOLITH_TEST_DATA) / "extraction" / "walk.tlb";
const fs::path kWine = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";

TypeLib LoadWalkLibrary(bool resolveImports)
{
    LoadOptions options;
    options.resolveExternal = resolveImports;
    options.searchPaths = {kWine.string()};
    auto lib = LoadTypeLib(kWalkLibrary.string(), options);
    EXPECT_TRUE(lib.ok()) << (lib ? "" : lib.error().description);
    return lib ? std::move(*lib) : TypeLib{};
}

WorkLists Walk(const TypeLib& lib, bool inclInterfaces)
{
    SilentProgress progress;
    return WalkTypeLib(lib, inclInterfaces, false, progress);
}

const MemberRecord* FindMember(const WorkLists& work, std::string_view object, std::string_view name,
                               std::string_view invokeType, std::string_view typeKind = "")
{
    for (const MemberRecord& m : work.members)
        if (m.objectName == object && m.name == name && m.invokeType == invokeType &&
            (typeKind.empty() || m.typeKind == typeKind))
            return &m;
    return nullptr;
}

TEST(ExtractionWalk, ObjectsMembersAndCounters)
{
    const TypeLib lib = LoadWalkLibrary(true);
    const auto objects = [](const WorkLists& work) {
        std::string text;
        for (const ObjectRecord& o : work.objects)
            text += std::to_string(o.key) + o.name + "/" + o.typeKind + "/" + std::to_string(o.cFunctions) + " ";
        return text;
    };
    // The dispinterface view counts the seven inherited methods but never
    // lists them; the interface view, right after it, has its own four. Only
    // with interfaces is the dual interface met twice.
    const WorkLists dispatchOnly = Walk(lib, false);
    EXPECT_EQ(objects(dispatchOnly), "0IWidget/dis/11 1DWidgets/dis/9 ");
    const WorkLists work = Walk(lib, true);
    EXPECT_EQ(objects(work), "0IWidget/dis/11 1IWidget/int/4 2DWidgets/dis/9 ");
    for (std::size_t i = 0; i < work.members.size(); ++i) {
        EXPECT_FALSE(IsInheritedAutomationMethod(work.members[i].name)) << work.members[i].name;
        EXPECT_EQ(work.members[i].key, static_cast<std::int64_t>(i));
    }
    EXPECT_EQ(work.counters.members, static_cast<std::int64_t>(work.members.size()));

    const ObjectRecord& widgets = work.objects[2];
    // Describe (id 0, a method) comes before the property Caption (id 0): the last one wins.
    EXPECT_EQ(widgets.defaultName, "P: Caption");
    EXPECT_TRUE(widgets.isCollection);
    EXPECT_EQ(widgets.memberName, "IWidget");  // from Item, not Add

    // Object.Name:invoke -> return type | declaration | hidden state | flags
    // (d)efault, (p)ointer, (w)as pointer.
    const auto show = [&](std::string_view object, std::string_view name, std::string_view invoke,
                          std::string_view kind) {
        const MemberRecord* m = FindMember(work, object, name, invoke, kind);
        if (!m) return std::string("<missing>");
        return m->returnType + "|" + m->declaration + "|" + m->hiddenState + "|" + (m->isDefault ? "d" : "") +
               (m->isPointer ? "p" : "") + (m->wasPointer ? "w" : "");
    };
    EXPECT_EQ(show("DWidgets", "Add", "method", "dis"),
              "IWidget|Method Add(name As String, [before] As Variant, [after] As Variant) As IWidget||pw");
    EXPECT_EQ(show("DWidgets", "Describe", "method", "dis"), "String|Method Describe(depth As Long) As String||d");
    EXPECT_EQ(show("DWidgets", "Count", "propget", "dis"), "Long|Property Count() As Long||");
    EXPECT_EQ(show("DWidgets", "Caption", "propput", "dis"), "Void|Property Caption(Caption As String)||d");
    EXPECT_EQ(show("DWidgets", "Self", "method", "dis"), "DWidgets|Method Self() As DWidgets|B|pw");  // its own type
    EXPECT_EQ(show("DWidgets", "Shuffle", "method", "dis"), "Void|Method Shuffle()|H|");
    EXPECT_EQ(show("DWidgets", "Names", "method", "dis"), "Array of String|Method Names() As Array of String|N|");
    // The interface view returns HRESULT; the put of a dual interface's
    // property is never a pointer.
    EXPECT_EQ(show("IWidget", "Size", "propget", "int"), "HRESULT|Property Size(Size As Long) As HRESULT||");
    EXPECT_TRUE(show("IWidget", "Size", "propput", "int").ends_with("||"));
    EXPECT_TRUE(show("IWidget", "Size", "propput", "dis").ends_with("||"));

    const ExtractionCounters& n = dispatchOnly.counters;
    EXPECT_EQ(n.collections, 2);  // Count and Item
    EXPECT_EQ(n.propGets, 4);     // Size, Font, Count, Caption
    EXPECT_EQ(n.propPuts, 2);     // Size, Caption
    EXPECT_EQ(n.methods, 7);
    EXPECT_EQ(n.coclasses + n.enums + n.constants, 0);
}

TEST(ExtractionWalk, ExternalReturnTypes)
{
    if (!fs::exists(kWine / "stdole2.tlb"))
        GTEST_SKIP() << "Wine's stdole2.tlb is not installed (apt-get install wine64)";
    const WorkLists found = Walk(LoadWalkLibrary(true), false);
    const MemberRecord* font = FindMember(found, "IWidget", "Font", "propget");
    ASSERT_NE(font, nullptr);
    EXPECT_TRUE(font->isExternal);
    EXPECT_EQ(font->extTypeLibName, "stdole 2.0");
    EXPECT_EQ(font->returnType, "IFontDisp");
    EXPECT_TRUE(font->isPointer);

    const WorkLists missing = Walk(LoadWalkLibrary(false), false);
    font = FindMember(missing, "IWidget", "Font", "propget");
    ASSERT_NE(font, nullptr);
    EXPECT_TRUE(font->isExternal);
    EXPECT_EQ(font->extTypeLibName, "<unknown>");
    EXPECT_EQ(font->returnType, "<Unregistered External Type>");
    // Internal types are not external.
    EXPECT_FALSE(FindMember(missing, "IWidget", "Next", "method")->isExternal);
    EXPECT_EQ(FindMember(missing, "IWidget", "Next", "method")->extTypeLibName, "");
}

// Every field of every row, one line per row.
std::string Rows(const WorkLists& work)
{
    std::string text;
    for (const ObjectRecord& o : work.objects)
        text += std::to_string(o.key) + "|" + o.name + "|" + o.typeKind + "|" + o.helpId + "|" + o.docString + "|" +
                std::to_string(o.cFunctions) + "|" + o.defaultName + "|" + o.memberName + "|" + o.flags + "|" + o.guid +
                "|" + o.hiddenState + "|" + (o.isCollection ? "c" : "") + "\n";
    for (const MemberRecord& m : work.members)
        text += std::to_string(m.key) + "|" + m.objectName + "|" + m.name + "|" + m.invokeType + "|" + m.returnType +
                "|" + m.declaration + "|" + m.docString + "|" + m.helpId + "|" + m.hiddenState + "|" +
                std::to_string(m.flags) + "|" + m.extTypeLibName + "|" + (m.isPointer ? "p" : "") +
                (m.isExternal ? "x" : "") + (m.isDefault ? "d" : "") + (m.retTypeIsObject ? "o" : "") + "\n";
    for (const CoClassRecord& c : work.coclasses)
        text += c.name + "|" + c.defInterface + "|" + c.sourceInterface + "|" + c.guid + "\n";
    for (const EnumConstantRecord& e : work.constants)
        text += e.enumName + "|" + e.constant + "|" + (e.value ? std::to_string(*e.value) : "null") + "\n";
    return text;
}

TEST(ExtractionWalk, WalkingAndReleasingGivesTheSameRowsAndLeavesTheTypesBare)
{
    std::vector<fs::path> libraries = {kWalkLibrary};
    for (const char* name : {"stdole2.tlb", "mshtml.tlb"})
        if (fs::exists(kWine / name)) libraries.push_back(kWine / name);
    for (const fs::path& path : libraries) {
        for (const bool interfaces : {false, true}) {
            auto lib = LoadTypeLib(path.string(), LoadOptions{{kWine.string()}, {}, true});
            ASSERT_TRUE(lib.ok()) << path;
            SilentProgress progress;
            const WorkLists kept = WalkTypeLib(*lib, interfaces, true, progress);
            const WorkLists released = WalkAndReleaseTypeLib(*lib, interfaces, true, progress);
            EXPECT_EQ(Rows(released), Rows(kept)) << path;
            EXPECT_EQ(released.counters.members, kept.counters.members);
            EXPECT_EQ(released.counters.objects, kept.counters.objects);
            for (const TypeInfo& type : lib->types) {
                EXPECT_TRUE(type.functions.empty() && type.variables.empty() && !type.interfaceView) << type.name;
                EXPECT_FALSE(type.name.empty());
            }
            // What the Library row reads of the library is still there.
            EXPECT_EQ(MakeLibraryRow(*lib, released, path.string(), "1", interfaces, true).counters.members,
                      kept.counters.members);
        }
    }
}

}  // namespace
}  // namespace arbolith
