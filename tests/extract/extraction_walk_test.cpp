// SPDX-License-Identifier: MIT
// The library walk and SaveOMD on a small library of our own (no coclass, no
// enum, a dual interface, several default members), and on work lists made
// by hand for what a real library rarely holds.
#include "extract/extraction.h"
#include "store/dat_schema.h"
#include "support/temp_dir.h"

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
                               std::string_view invokeType)
{
    for (const MemberRecord& m : work.members)
        if (m.objectName == object && m.name == name && m.invokeType == invokeType)
            return &m;
    return nullptr;
}

TEST(ExtractionWalk, DualInterfaceIsMetTwiceOnlyWithInterfaces)
{
    const TypeLib lib = LoadWalkLibrary(true);

    const WorkLists without = Walk(lib, false);
    ASSERT_EQ(without.objects.size(), 2u);
    EXPECT_EQ(without.objects[0].name, "IWidget");
    EXPECT_EQ(without.objects[0].typeKind, "dis");
    EXPECT_EQ(without.objects[1].name, "DWidgets");
    EXPECT_EQ(without.objects[1].key, 1);

    const WorkLists with = Walk(lib, true);
    ASSERT_EQ(with.objects.size(), 3u);
    EXPECT_EQ(with.objects[0].typeKind, "dis");
    EXPECT_EQ(with.objects[1].name, "IWidget");  // right after its dispinterface
    EXPECT_EQ(with.objects[1].typeKind, "int");
    EXPECT_EQ(with.objects[2].name, "DWidgets");
    EXPECT_EQ(with.objects[2].key, 2);
    EXPECT_EQ(with.counters.objects, 3);
    // Interface-view members carry the interface's kind and HRESULT returns.
    const MemberRecord* size = nullptr;
    for (const MemberRecord& m : with.members)
        if (m.typeKind == "int" && m.name == "Size" && m.invokeType == "propget")
            size = &m;
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(size->returnType, "HRESULT");
    EXPECT_EQ(size->declaration, "Property Size(Size As Long) As HRESULT");
}

TEST(ExtractionWalk, InheritedAutomationMethodsAreCountedButNeverListed)
{
    const WorkLists work = Walk(LoadWalkLibrary(true), true);
    for (const MemberRecord& m : work.members)
        EXPECT_FALSE(IsInheritedAutomationMethod(m.name)) << m.name;
    // The dispinterface view lists the seven inherited methods first; the
    // interface view has only its own four.
    EXPECT_EQ(work.objects[0].cFunctions, 7 + 4);
    EXPECT_EQ(work.objects[1].cFunctions, 4);
    const auto owned = std::count_if(work.members.begin(), work.members.end(),
                                     [](const MemberRecord& m) { return m.objectName == "IWidget"; });
    EXPECT_EQ(owned, 8);
    EXPECT_EQ(work.counters.members, static_cast<std::int64_t>(work.members.size()));
    for (std::size_t i = 0; i < work.members.size(); ++i)
        EXPECT_EQ(work.members[i].key, static_cast<std::int64_t>(i));
}

TEST(ExtractionWalk, MembersOfADispinterface)
{
    const WorkLists work = Walk(LoadWalkLibrary(true), false);
    const ObjectRecord& widgets = work.objects[1];
    // Describe (id 0, a method) comes before the property Caption (id 0): the last one wins.
    EXPECT_EQ(widgets.defaultName, "P: Caption");
    EXPECT_TRUE(widgets.isCollection);
    EXPECT_EQ(widgets.memberName, "IWidget");  // from Item, not Add

    const MemberRecord* add = FindMember(work, "DWidgets", "Add", "method");
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->declaration, "Method Add(name As String, [before] As Variant, [after] As Variant) As IWidget");
    EXPECT_TRUE(add->isPointer);
    EXPECT_TRUE(add->wasPointer);

    const MemberRecord* describe = FindMember(work, "DWidgets", "Describe", "method");
    ASSERT_NE(describe, nullptr);
    EXPECT_TRUE(describe->isDefault);
    EXPECT_FALSE(describe->isPointer);

    const MemberRecord* count = FindMember(work, "DWidgets", "Count", "propget");
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->declaration, "Property Count() As Long");

    const MemberRecord* captionPut = FindMember(work, "DWidgets", "Caption", "propput");
    ASSERT_NE(captionPut, nullptr);
    EXPECT_EQ(captionPut->returnType, "Void");
    EXPECT_EQ(captionPut->declaration, "Property Caption(Caption As String)");
    EXPECT_TRUE(captionPut->isDefault);

    const MemberRecord* self = FindMember(work, "DWidgets", "Self", "method");
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(self->hiddenState, "B");
    EXPECT_TRUE(self->isPointer);  // its own type
    EXPECT_EQ(FindMember(work, "DWidgets", "Shuffle", "method")->hiddenState, "H");
    const MemberRecord* names = FindMember(work, "DWidgets", "Names", "method");
    EXPECT_EQ(names->hiddenState, "N");
    EXPECT_EQ(names->returnType, "Array of String");
    EXPECT_FALSE(names->isPointer);

    // The put of a dual interface's property is never a pointer.
    const MemberRecord* sizePut = FindMember(work, "IWidget", "Size", "propput");
    ASSERT_NE(sizePut, nullptr);
    EXPECT_FALSE(sizePut->isPointer);

    const ExtractionCounters& n = work.counters;
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

// ---------------------------------------------------------------------------
// SaveOMD into a real file.

std::int64_t Count(Database& db, std::string_view table)
{
    auto n = db.QueryValue("SELECT COUNT(*) FROM " + QuoteIdentifier(table));
    return n && *n ? (*n)->AsInteger() : -1;
}

TEST(ExtractionSaveOMD, EmptyTablesForALibraryWithoutCoclassesOrEnums)
{
    test::TempDir dir;
    const TypeLib lib = LoadWalkLibrary(true);
    const WorkLists work = Walk(lib, false);
    auto db = CreateDatFile(dir / "walk.DAT");
    ASSERT_TRUE(db.ok());
    ASSERT_TRUE(WriteLibraryRow(*db, MakeLibraryRow(lib, work, kWalkLibrary.string(), "1", false, false)).ok());
    SilentProgress progress;
    auto saved = SaveOMD(*db, work, progress);
    ASSERT_TRUE(saved.ok()) << saved.error().description;
    EXPECT_EQ(Count(*db, kCoClassesTable), 0);
    EXPECT_EQ(Count(*db, kEnumsTable), 0);
    EXPECT_EQ(Count(*db, kEdgesTable), 0);
    EXPECT_EQ(Count(*db, kObjectsTable), 2);
    EXPECT_EQ(Count(*db, kFunctionsTable), work.counters.members);

    auto widgets = FindFirst(*db, kObjectsTable, "Name", "DWidgets");
    ASSERT_TRUE(widgets.ok() && widgets->has_value());
    const Row& row = **widgets;
    EXPECT_EQ(row["DefaultName"].AsText(), "P: Caption");
    EXPECT_EQ(row["RawMemberName"].AsText(), "IWidget");
    EXPECT_TRUE(row["RawIsCollection"].AsBool());
    auto widget = FindFirst(*db, kObjectsTable, "Name", "IWidget");
    EXPECT_EQ((**widget)["DefaultName"].AsText(), "None");

    auto library = db->QueryValue("SELECT TL_Version || '|' || TL_cTypeDesc || '|' || TL_Name || '|' || cMethods FROM Library");
    ASSERT_TRUE(library.ok() && library->has_value());
    EXPECT_EQ((*library)->AsText(), "3.7|2|ArboWalk|" + std::to_string(work.counters.methods));
}

TEST(ExtractionSaveOMD, LongNamesQuotesAndLargeCountsAreStoredWhole)
{
    test::TempDir dir;
    WorkLists work;
    const std::string longName = "It's a \"quoted\" name; DROP TABLE Objects; --" + std::string(60, 'x');
    ObjectRecord object;
    object.name = object.rawName = longName;  // longer than the 55 characters of Objects.Name
    object.typeKind = "dis";
    object.cFunctions = 70000;
    object.flagsVal = 0x1050;
    work.objects.push_back(object);
    // Member keys past 32,767 are covered where the pseudo-objects are stored.
    MemberRecord member;
    member.name = "M'1";
    member.objectName = longName;
    member.invokeType = "method";
    member.returnType = std::string(80, 'R');
    work.members.push_back(member);
    work.constants.push_back(EnumConstantRecord{std::string(150, 'E'), 40000, "c'1", std::nullopt});
    work.counters.members = work.counters.methods = 1;

    auto db = CreateDatFile(dir / "big.DAT");
    ASSERT_TRUE(db.ok());
    SilentProgress progress;
    auto saved = SaveOMD(*db, work, progress);
    ASSERT_TRUE(saved.ok()) << saved.error().description;

    auto found = FindFirst(*db, kObjectsTable, "Name", longName);
    ASSERT_TRUE(found.ok() && found->has_value());
    EXPECT_EQ((**found)["cFunctions"].AsInteger(), 70000);
    auto stored = FindFirst(*db, kFunctionsTable, "Name", "M'1");
    ASSERT_TRUE(stored.ok() && stored->has_value());
    EXPECT_EQ((**stored)["ReturnType"].AsText(), std::string(80, 'R'));
    auto value = db->QueryValue("SELECT Value FROM Enums WHERE Constant = ?", {"c'1"});
    ASSERT_TRUE(value.ok() && value->has_value());
    EXPECT_TRUE((*value)->IsNull());
}

}  // namespace
}  // namespace arbolith
