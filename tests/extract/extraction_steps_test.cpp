// SPDX-License-Identifier: MIT
// Coclass replacement, table processing and edge creation on small sets of
// rows written by hand, and how SaveOMD stores what they add.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "extract/extraction.h"
#include "extract/extraction_steps_internal.h"
#include "store/dat_schema.h"
#include "support/temp_dir.h"

using namespace arbolith;

#define ASSERT_OK(r) ASSERT_TRUE((r).ok()) << (r).error().description

namespace {

// The walk's rows for a small library, written by hand.
class Model {
public:
    WorkLists work;

    void Object(std::string_view name, std::int64_t key, std::string_view kind = "dis",
                std::string_view memberName = "", std::string_view hidden = "")
    {
        ObjectRecord o;
        o.name = o.rawName = name;
        o.key = key;
        o.typeKind = kind;
        o.memberName = o.rawMemberName = memberName;
        o.hiddenState = hidden;
        work.objects.push_back(std::move(o));
    }
    void Member(std::string_view object, std::string_view name, std::string_view invoke, std::string_view returns = "",
                std::string_view declaration = "", bool pointer = false)
    {
        MemberRecord m;
        m.key = static_cast<std::int64_t>(work.members.size());
        m.objectName = object;
        m.name = name;
        m.invokeType = invoke;
        m.returnType = returns;
        m.declaration = declaration;
        m.isPointer = m.wasPointer = pointer;
        work.members.push_back(std::move(m));
    }
    // Keys given directly, as the edge step finds them after table processing.
    void Pointer(std::string_view object, std::int64_t objectKey, std::string_view name, std::string_view invoke,
                 std::string_view returns, std::int64_t returnKey)
    {
        Member(object, name, invoke, returns, "", true);
        work.members.back().objectKey = objectKey;
        work.members.back().returnTypeKey = returnKey;
    }
    void CoClass(std::string_view name, std::string_view def, std::string_view source = "", std::int64_t flags = 2)
    {
        CoClassRecord c;
        c.name = name;
        c.event = name.find("Events") != std::string_view::npos;
        c.flagsVal = flags;
        c.flags = "flags" + std::to_string(flags);
        c.defInterface = def;
        c.sourceInterface = source;
        work.coclasses.push_back(std::move(c));
    }

    // One text per row of a list, formed by `show`.
    template <class Row, class Show>
    static std::vector<std::string> Column(const std::vector<Row>& rows, Show show)
    {
        std::vector<std::string> out;
        for (const Row& row : rows) out.push_back(show(row));
        return out;
    }
};

std::string Text(const std::optional<std::string>& value)
{
    return value ? *value : "<null>";
}

void Process(Model& m, bool interfaces = false, bool modules = false)
{
    SilentProgress progress;
    ProcessTables(m.work, interfaces, modules, progress);
}

}  // namespace

TEST(StepsReplacementSequence, MatchesReplacingOneEditAfterTheOther)
{
    using extract_steps::ReplacementSequence;
    using extract_steps::ReplaceName;
    // Only whole names are replaced: not inside longer names, whatever
    // letter, digit, "_" or non-ASCII character extends them.
    for (const auto& [before, after] : std::vector<std::pair<std::string, std::string>>{
             {"Property Item(ifoo As IFoo) As IFoo", "Property Item(ifoo As CFoo) As CFoo"},
             {"Method Add(x As IFooBar, pIFoo As IFoo2) As IFoo_x",
              "Method Add(x As IFooBar, pIFoo As IFoo2) As IFoo_x"},
             {"IFoo", "CFoo"},
             {"(IFoo,IFoo)", "(CFoo,CFoo)"},
             {"As \xd0\x96IFoo", "As \xd0\x96IFoo"},
         }) {
        std::string text = before;
        EXPECT_EQ(ReplaceName(text, "IFoo", "CFoo"), before != after) << before;
        EXPECT_EQ(text, after);
    }

    // Against the plain loop, on random texts where names overlap, contain
    // one another, chain (one edit's result is the next one's name) and are
    // cut apart by separators.
    std::mt19937 rng(7);
    const auto word = [&](int maxLen, std::string_view alphabet) {
        std::string s(1 + rng() % static_cast<unsigned>(maxLen), 'a');
        for (char& c : s) c = alphabet[rng() % alphabet.size()];
        return s;
    };
    for (int round = 0; round < 300; ++round) {
        std::vector<std::pair<std::string, std::string>> edits;
        for (int i = 0; i < 6; ++i) edits.emplace_back(word(3, "abA"), rng() % 4 ? word(4, "abA ") : std::string());
        std::string fast = word(20, "abA (.");
        std::string slow = fast;
        ReplacementSequence(edits).Apply(fast);
        for (const auto& [find, with] : edits) ReplaceName(slow, find, with);
        ASSERT_EQ(fast, slow) << "round " << round;
    }
}

TEST(StepsCoClassReplacement, ChoosesByStemElseFirstRowAndRenamesEveryReference)
{
    Model m;
    m.CoClass("Foo2", "IFoo");
    m.CoClass("CFoo", "IFoo", "", 0x12);
    m.CoClass("Application", "_Application");
    m.CoClass("Other", "_Application");
    m.Object("IFoo", 0);
    m.Object("_Application", 1);
    m.Object("ifoo", 2);                  // the walk over objects is case-sensitive
    m.Object("Items", 3, "dis", "IFoo");  // a collection of IFoo
    m.Member("_Application", "Make", "method", "_Application", "Method Make(x As IFooBar) As _Application");
    m.Member("IFoo", "Item", "propget", "ifoo", "Property Item(ifoo As IFoo) As ifoo");
    m.Member("Items", "Count", "propget", "Long", "Property Count() As Long");
    ReplaceWithCoClassNames(m.work);

    EXPECT_EQ(Model::Column(m.work.coclasses, [](const CoClassRecord& c) { return Text(c.forReplacement); }),
              (std::vector<std::string>{"<null>", "d", "d", "<null>"}));
    EXPECT_EQ(Model::Column(m.work.objects,
                            [](const ObjectRecord& o) {
                                return o.name + "/" + o.rawName + "/" + o.memberName + "/" + o.rawMemberName + "/" +
                                       o.hiddenState + "/" + std::to_string(o.flagsVal) + "/" + o.flags;
                            }),
              (std::vector<std::string>{"CFoo/IFoo///H/18/flags18", "Application/_Application////2/flags2",
                                        "ifoo/ifoo////0/", "Items/Items/CFoo/IFoo//0/"}));
    // Selections by name ignore case; the text replacement does not, and
    // leaves the longer name IFooBar alone.
    EXPECT_EQ(
        Model::Column(m.work.members,
                      [](const MemberRecord& r) { return r.objectName + "|" + r.returnType + "|" + r.declaration; }),
        (std::vector<std::string>{"Application|Application|Method Make(x As IFooBar) As Application",
                                  "CFoo|CFoo|Property Item(ifoo As CFoo) As ifoo",
                                  "Items|Long|Property Count() As Long"}));
}

TEST(StepsCoClassReplacement, EventCoClassesRenameSourcesAndEmptyNamesChangeNothing)
{
    Model m;
    m.CoClass("Doc", "IDoc", "DDocSink");          // not an event coclass: its source stays
    m.CoClass("AppEvents", "IApp", "DAppEvents");  // event coclass: renames its source only
    m.CoClass("Lonely", "");                       // no default interface
    m.CoClass("Quoted", "I'Quote");
    m.Object("DDocSink", 0);
    m.Object("DAppEvents", 1);
    m.Object("IApp", 2);
    m.Object("Plain", 3);  // MemberName "" must survive the empty interface name
    m.Object("I'Quote", 4);
    m.Member("Plain", "Run", "method", "", "Method Run()");
    ReplaceWithCoClassNames(m.work);

    EXPECT_EQ(Model::Column(m.work.coclasses, [](const CoClassRecord& c) { return Text(c.forReplacement); }),
              (std::vector<std::string>{"d", "s", "<null>", "d"}));
    EXPECT_EQ(Model::Column(m.work.objects, [](const ObjectRecord& o) { return o.name + "/" + o.memberName; }),
              (std::vector<std::string>{"DDocSink/", "AppEvents/", "IApp/", "Plain/", "Quoted/"}));
    EXPECT_EQ(m.work.members[0].returnType + "|" + m.work.members[0].declaration, "|Method Run()");
}

TEST(StepsTableProcessing, KeysFirstInIndexOrderAndPointerCheck)
{
    Model m;
    m.Object("Dup", 5);
    m.Object("Owner", 1);
    m.Object("DUP", 7);
    m.Member("owner", "Child", "propget", "dup", "", true);        // found without regard to case, first row wins
    m.Member("Owner", "Info", "propget", "InfoRecord", "", true);  // a record: no object of the model
    m.Member("Nobody", "Thing", "method", "Owner", "", true);      // no owning object
    Process(m);
    EXPECT_EQ(Model::Column(m.work.members,
                            [](const MemberRecord& r) {
                                return std::to_string(r.objectKey) + "/" + std::to_string(r.returnTypeKey) + "/" +
                                       std::to_string(r.isPointer) + std::to_string(r.wasPointer);
                            }),
              (std::vector<std::string>{"1/5/11", "1/-1/01", "-1/1/01"}));
}

TEST(StepsTableProcessing, AccessLettersPerAccessorCombinationAndOwner)
{
    Model m;
    // Listed out of order: the walk sorts by owner, name and invoke type.
    // Owner 1 shares the name O with owner 0, as a dual interface's two
    // views share their coclass's name: its rows must not add to owner 0's.
    const std::vector<std::tuple<const char*, int, const char*, const char*>> rows = {
        {"O", 0, "Both", "propput"},       {"O", 0, "GetOnly", "propget"}, {"O", 0, "All", "propputref"},
        {"O", 1, "All", "propput"},        {"O", 0, "Both", "propget"},    {"O", 0, "PutOnly", "propput"},
        {"O", 0, "RefOnly", "propputref"}, {"O", 0, "All", "propget"},     {"O", 0, "PutRef", "propputref"},
        {"O", 0, "All", "propput"},        {"O", 0, "PutRef", "propput"},  {"O", 0, "Run", "method"},
        {"O", 0, "Value", "propget"},      {"O", 0, "value", "propput"},   {"O", 0, "Mixed", "method"},
        {"O", 0, "Mixed", "propput"},      {"P", 2, "GetOnly", "propput"}, {"O", 1, "All", "propget"},
        {"O", 1, "All", "propputref"},
    };
    for (const auto& [object, owner, name, invoke] : rows) {
        m.Member(object, name, invoke);
        m.work.members.back().ownerKey = owner;
    }
    Process(m);
    std::vector<std::string> access = Model::Column(m.work.members, [](const MemberRecord& r) {
        return r.objectName + std::to_string(r.ownerKey) + "." + r.name + ":" + r.invokeType + "=" + Text(r.access);
    });
    std::sort(access.begin(), access.end());
    EXPECT_EQ(access, (std::vector<std::string>{
                          "O0.All:propget=",          "O0.All:propput=RWWW",
                          "O0.All:propputref=RWWWW",                       // get, put and putref
                          "O0.Both:propget=",         "O0.Both:propput=",  // get and put
                          "O0.GetOnly:propget=R",     "O0.Mixed:method=W",
                          "O0.Mixed:propput=W",  // a method row before a put takes a W too
                          "O0.PutOnly:propput=W",     "O0.PutRef:propput=W",
                          "O0.PutRef:propputref=WWW",  // put and putref
                          "O0.RefOnly:propputref=W",  "O0.Run:method=",
                          "O0.Value:propget=R",       "O0.value:propput=W",  // names compared with case
                          "O1.All:propget=",          "O1.All:propput=RWWW",
                          "O1.All:propputref=RWWWW",  // its own letters
                          "P2.GetOnly:propput=W",     // another owner
                      }));
}

TEST(StepsEdgeCreation, IllegalEdgesAreReportedUnderOneHeader)
{
    // A run whose flag an earlier step already set writes no header.
    for (const bool flagged : {false, true}) {
        Model m;
        m.Object("App", 0);
        m.Pointer("App", 0, "Self", "propget", "App", 0);
        m.Pointer("Zed", -1, "Ghost", "method", "App", 0);
        m.Pointer("Zed", -1, "Other", "method", "Nowhere", -1);
        ExtractionLog log("");
        log.errorFlag = flagged;
        CreateEdges(m.work, log, "/x/app.tlb");

        std::vector<std::string> lines = log.Lines();
        ASSERT_EQ(lines.size(), flagged ? 2u : 3u);
        if (!flagged) {
            EXPECT_EQ(lines[0].rfind("** Report on /x/app.tlb  ", 0), 0u) << lines[0];
            EXPECT_EQ(lines[0].substr(lines[0].size() - 3), " **");
            lines.erase(lines.begin());
        }
        EXPECT_EQ(lines, (std::vector<std::string>{
                             "Illegal edge error in CreateEdges: Function: GhostObject: ZedObject Key: -1"
                             "ReturnType: AppReturnType Key: 0",
                             "Illegal edge error in CreateEdges: Function: OtherObject: ZedObject Key: -1"
                             "ReturnType: NowhereReturnType Key: -1"}));
        EXPECT_TRUE(log.errorFlag);
        EXPECT_EQ(m.work.edges.size(), 1u);
    }
}

TEST(StepsStoring, PseudoRowsKeepTheirNullFieldsAndCountsPassSixteenBits)
{
    // A model with more objects than a 16-bit counter holds, all interfaces:
    // keys, child counts and pseudo-members go past 32,767 unharmed.
    constexpr int kObjects = 40000;
    Model m;
    for (int i = 0; i < kObjects; ++i) m.Object("I" + std::to_string(i), i, "int");
    ReplaceWithCoClassNames(m.work);
    Process(m, true);
    ExtractionLog log("");
    CreateEdges(m.work, log, "big.tlb");

    test::TempDir dir;
    auto db = CreateDatFile(dir / "big.DAT");
    ASSERT_OK(db);
    SilentProgress progress;
    ASSERT_OK(SaveOMD(*db, m.work, progress));
    const auto text = [&](std::string_view sql) {
        auto value = db->QueryValue(sql);
        EXPECT_TRUE(value.ok()) << value.error().description;
        return value.ok() && *value ? (*value)->AsText() : std::string("<none>");
    };
    EXPECT_EQ(text("SELECT Key || '/' || cChildObjects || '/' || cChildObjectsNotHid || '/' || DocString || '/' || "
                   "coalesce(RawName, TypeKind, HiddenState, cFunctions, 'nulls') || DefaultName || MemberName "
                   "FROM Objects WHERE Name = '<interfaces>'"),
              "40000/40000/40000/Added at user request/nulls");
    EXPECT_EQ(text("SELECT MAX(Key) || '/' || MAX(ReturnTypeKey) || '/' || MIN(ObjectKey) FROM Functions"),
              "39999/39999/40000");
    EXPECT_EQ(text("SELECT count(*) FROM Functions WHERE Access IS NULL AND TypeKind IS NULL AND Name = '' "
                   "AND InvokeType = '' AND Declaration = '' AND IsPointer AND WasPointer AND RetTypeIsObject"),
              "40000");
    EXPECT_EQ(text("SELECT COUNT(*) FROM Edges WHERE ParentObjectKey = 40000 AND Label = ''"), "40000");
    EXPECT_TRUE(log.Lines().empty());
}
