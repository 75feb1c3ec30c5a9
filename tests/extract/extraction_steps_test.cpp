// SPDX-License-Identifier: MIT
// Coclass replacement, table processing and edge creation on small DAT files
// filled by hand.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "extract/extraction.h"
#include "extract/extraction_steps_internal.h"
#include "store/dat_schema.h"
#include "support/temp_dir.h"

using namespace arbolith;
using arbolith::test::TempDir;

#define ASSERT_OK(r) ASSERT_TRUE((r).ok()) << (r).error().description

namespace {

class Model {
public:
    Model()
    {
        auto db = CreateDatFile(m_dir / "Model.DAT");
        if (!db)
            throw std::runtime_error(db.error().description);
        m_db.emplace(std::move(*db));
        if (auto made = CreateDataTables(*m_db); !made)
            throw std::runtime_error(made.error().description);
    }
    Database& db() { return *m_db; }

    void Object(std::string_view name, std::int64_t key, std::string_view kind = "dis", std::string_view memberName = "",
                std::string_view hidden = "")
    {
        Run("INSERT INTO Objects (Name, RawName, Key, TypeKind, MemberName, RawMemberName, HiddenState, FlagsVal, "
            "Flags, cChildObjects, cChildObjectsNotHid) VALUES (?, ?, ?, ?, ?, ?, ?, 0, '', 0, 0)",
            {name, name, key, kind, memberName, memberName, hidden});
    }
    void Member(std::string_view object, std::string_view name, std::string_view invoke, std::string_view returns = "",
                std::string_view declaration = "", bool pointer = false)
    {
        Run("INSERT INTO Functions (Key, ObjectName, Name, InvokeType, ReturnType, Declaration, IsPointer, WasPointer, "
            "Access, ObjectKey, ReturnTypeKey) VALUES ((SELECT COUNT(*) FROM Functions), ?, ?, ?, ?, ?, ?, ?, '', 0, 0)",
            {object, name, invoke, returns, declaration, pointer, pointer});
    }
    // Keys given directly, as the edge step finds them after table processing.
    void Pointer(std::string_view object, std::int64_t objectKey, std::string_view name, std::string_view invoke,
                 std::string_view returns, std::int64_t returnKey)
    {
        Run("INSERT INTO Functions (Key, ObjectName, ObjectKey, Name, InvokeType, ReturnType, ReturnTypeKey, "
            "IsPointer, WasPointer) VALUES ((SELECT COUNT(*) FROM Functions), ?, ?, ?, ?, ?, ?, 1, 1)",
            {object, objectKey, name, invoke, returns, returnKey});
    }
    void CoClass(std::string_view name, std::string_view def, std::string_view source = "", std::int64_t flags = 2)
    {
        Run("INSERT INTO CoClasses (Key, Name, Event, GUID, FlagsVal, Flags, DefInterface, SourceInterface) "
            "VALUES ((SELECT COUNT(*) FROM CoClasses), ?, ?, '{0}', ?, ?, ?, ?)",
            {name, name.find("Events") != std::string_view::npos, flags, "flags" + std::to_string(flags), def, source});
    }

    Value Get(std::string_view sql, std::initializer_list<Value> params = {})
    {
        auto value = m_db->QueryValue(sql, params);
        EXPECT_TRUE(value.ok()) << value.error().description;
        return value.ok() && *value ? **value : Value();
    }
    std::string Text(std::string_view sql, std::initializer_list<Value> params = {})
    {
        return Get(sql, params).AsText();
    }
    std::vector<std::string> Column(std::string_view sql)
    {
        std::vector<std::string> out;
        auto stmt = m_db->Prepare(sql);
        EXPECT_TRUE(stmt.ok()) << stmt.error().description;
        while (stmt.ok() && stmt->Step().value())
            out.push_back(stmt->IsNull(0) ? "<null>" : stmt->Text(0));
        return out;
    }
    void Run(std::string_view sql, std::initializer_list<Value> params)
    {
        auto ran = m_db->Execute(sql, params);
        ASSERT_TRUE(ran.ok()) << ran.error().description;
    }

private:
    TempDir m_dir;
    std::optional<Database> m_db;
};

Result<void> Process(Model& m, bool interfaces = false, bool modules = false)
{
    SilentProgress progress;
    return ProcessTables(m.db(), interfaces, modules, progress);
}

}  // namespace

TEST(StepsReplacementSequence, MatchesReplacingOneEditAfterTheOther)
{
    using extract_steps::ReplaceAll;
    using extract_steps::ReplacementSequence;
    // Chained edits: the second sees what the first wrote.
    ReplacementSequence chain({{"IFoo", "CFoo"}, {"CFooBar", "Z"}, {"ab", "ba"}, {"ba", "ab"}});
    std::string text = "IFooBar(abab)";
    EXPECT_TRUE(chain.Apply(text));
    EXPECT_EQ(text, "Z(abab)");

    // Against the plain loop, on random texts over a small alphabet where
    // patterns overlap and contain one another.
    std::mt19937 rng(7);
    const auto word = [&](int maxLen) {
        std::string s(1 + rng() % static_cast<unsigned>(maxLen), 'a');
        for (char& c : s)
            c = "abcAB"[rng() % 5];
        return s;
    };
    for (int round = 0; round < 300; ++round) {
        std::vector<std::pair<std::string, std::string>> edits;
        for (int i = 0; i < 6; ++i)
            edits.emplace_back(word(3), rng() % 4 ? word(4) : std::string());
        std::string fast = word(20);
        std::string slow = fast;
        ReplacementSequence(edits).Apply(fast);
        for (const auto& [find, with] : edits)
            ReplaceAll(slow, find, with);
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
    m.Object("ifoo", 2);                  // the walk over Objects is case-sensitive
    m.Object("Items", 3, "dis", "IFoo");  // a collection of IFoo
    m.Member("_Application", "Make", "method", "_Application", "Method Make(x As IFooBar) As _Application");
    m.Member("IFoo", "Item", "propget", "ifoo", "Property Item(ifoo As IFoo) As ifoo");
    m.Member("Items", "Count", "propget", "Long", "Property Count() As Long");
    ASSERT_OK(ReplaceWithCoClassNames(m.db()));

    EXPECT_EQ(m.Column("SELECT ForReplacement FROM CoClasses ORDER BY Key"),
              (std::vector<std::string>{"<null>", "d", "d", "<null>"}));
    EXPECT_EQ(m.Column("SELECT Name || '/' || RawName || '/' || MemberName || '/' || RawMemberName || '/' || "
                       "HiddenState || '/' || FlagsVal || '/' || Flags FROM Objects ORDER BY Key"),
              (std::vector<std::string>{"CFoo/IFoo///H/18/flags18", "Application/_Application////2/flags2", "ifoo/ifoo////0/",
                                        "Items/Items/CFoo/IFoo//0/"}));
    // Selections by name ignore case; the text replacement does not.
    EXPECT_EQ(m.Column("SELECT ObjectName || '|' || ReturnType || '|' || Declaration FROM Functions ORDER BY Key"),
              (std::vector<std::string>{"Application|Application|Method Make(x As CFooBar) As Application",
                                        "CFoo|CFoo|Property Item(ifoo As CFoo) As ifoo",
                                        "Items|Long|Property Count() As Long"}));
}

TEST(StepsCoClassReplacement, EventCoClassesRenameSourcesAndEmptyNamesChangeNothing)
{
    Model m;
    m.CoClass("Doc", "IDoc", "DDocSink");            // not an event coclass: its source stays
    m.CoClass("AppEvents", "IApp", "DAppEvents");    // event coclass: renames its source only
    m.CoClass("Lonely", "");                          // no default interface
    m.CoClass("Quoted", "I'Quote");
    m.Object("DDocSink", 0);
    m.Object("DAppEvents", 1);
    m.Object("IApp", 2);
    m.Object("Plain", 3);  // MemberName "" must survive the empty interface name
    m.Object("I'Quote", 4);
    m.Member("Plain", "Run", "method", "", "Method Run()");
    ASSERT_OK(ReplaceWithCoClassNames(m.db()));

    EXPECT_EQ(m.Column("SELECT ForReplacement FROM CoClasses ORDER BY Key"),
              (std::vector<std::string>{"d", "s", "<null>", "d"}));
    EXPECT_EQ(m.Column("SELECT Name || '/' || MemberName FROM Objects ORDER BY Key"),
              (std::vector<std::string>{"DDocSink/", "AppEvents/", "IApp/", "Plain/", "Quoted/"}));
    EXPECT_EQ(m.Text("SELECT ReturnType || '|' || Declaration FROM Functions"), "|Method Run()");
}

TEST(StepsTableProcessing, PseudoObjectsAndMembersFollowTheOptions)
{
    for (const auto& [interfaces, modules] : {std::pair{false, false}, {true, false}, {true, true}, {false, true}}) {
        SCOPED_TRACE(std::to_string(interfaces) + std::to_string(modules));
        Model m;
        m.Object("DApp", 0);
        m.Object("IApp", 1, "int");
        m.Object("Globals", 2, "mod");
        m.Member("DApp", "Name", "propget", "String");
        RecordingProgress progress;
        ASSERT_OK(ProcessTables(m.db(), interfaces, modules, progress));
        EXPECT_EQ(progress.captions, (std::vector<std::string>{"Assigning object keys ... ", "Fixing Access field ... "}));

        const std::int64_t modulesKey = interfaces ? 4 : 3;
        EXPECT_EQ(m.Get("SELECT COUNT(*) FROM Objects").AsInteger(), 3 + interfaces + modules);
        EXPECT_EQ(m.Get("SELECT COUNT(*) FROM Functions").AsInteger(), 1 + interfaces + modules);
        if (interfaces) {
            EXPECT_EQ(m.Text("SELECT Key || DocString || DefaultName || MemberName || cChildObjects FROM Objects "
                             "WHERE Name = '<interfaces>'"),
                      "3Added at user request0");
            EXPECT_EQ(m.Text("SELECT Key || ObjectKey || ReturnTypeKey || IsPointer || WasPointer || RetTypeIsObject || "
                             "'/' || ReturnType || Name || InvokeType FROM Functions WHERE ObjectName = '<interfaces>'"),
                      "131111/IApp");
        }
        if (modules) {
            EXPECT_EQ(m.Text("SELECT Key || '/' || ObjectKey || '/' || ReturnTypeKey FROM Functions "
                             "WHERE ObjectName = '<modules>'"),
                      std::to_string(1 + interfaces) + "/" + std::to_string(modulesKey) + "/2");
        }
    }
}

TEST(StepsTableProcessing, KeysFirstInIndexOrderAndPointerCheck)
{
    Model m;
    m.Object("Dup", 5);
    m.Object("Owner", 1);
    m.Object("DUP", 7);
    m.Member("owner", "Child", "propget", "dup", "", true);       // found without regard to case, first row wins
    m.Member("Owner", "Info", "propget", "InfoRecord", "", true);  // a record: no object of the model
    m.Member("Nobody", "Thing", "method", "Owner", "", true);      // no owning object
    ASSERT_OK(Process(m));
    EXPECT_EQ(m.Column("SELECT ObjectKey || '/' || ReturnTypeKey || '/' || IsPointer || WasPointer FROM Functions "
                       "ORDER BY Key"),
              (std::vector<std::string>{"1/5/11", "1/-1/01", "-1/1/01"}));
}

TEST(StepsTableProcessing, AccessLettersForEveryAccessorCombination)
{
    Model m;
    // Inserted out of order: the walk sorts by owner, name and invoke type.
    const std::vector<std::tuple<const char*, const char*, const char*>> rows = {
        {"O", "Both", "propput"},    {"O", "GetOnly", "propget"}, {"O", "All", "propputref"},
        {"O", "Both", "propget"},    {"O", "PutOnly", "propput"}, {"O", "RefOnly", "propputref"},
        {"O", "All", "propget"},     {"O", "PutRef", "propputref"}, {"O", "All", "propput"},
        {"O", "PutRef", "propput"},  {"O", "Run", "method"},      {"O", "Value", "propget"},
        {"O", "value", "propput"},   {"O", "Mixed", "method"},    {"O", "Mixed", "propput"},
        {"P", "GetOnly", "propput"},
    };
    for (const auto& [object, name, invoke] : rows)
        m.Member(object, name, invoke);
    ASSERT_OK(Process(m));
    EXPECT_EQ(m.Column("SELECT ObjectName || '.' || Name || ':' || InvokeType || '=' || Access FROM Functions "
                       "ORDER BY ObjectName, Name, InvokeType, Key"),
              (std::vector<std::string>{
                  "O.All:propget=", "O.All:propput=RWWW", "O.All:propputref=RWWWW",  // get, put and putref
                  "O.Both:propget=", "O.Both:propput=",                              // get and put
                  "O.GetOnly:propget=R",
                  "O.Mixed:method=W", "O.Mixed:propput=W",  // a method row before a put takes a W too
                  "O.PutOnly:propput=W",
                  "O.PutRef:propput=W", "O.PutRef:propputref=WWW",  // put and putref
                  "O.RefOnly:propputref=W", "O.Run:method=",
                  "O.Value:propget=R", "O.value:propput=W",  // names compared with case
                  "P.GetOnly:propput=W",                     // another owner
              }));

    Model single;
    single.Member("O", "Only", "propget");
    ASSERT_OK(Process(single));
    EXPECT_EQ(single.Text("SELECT Access FROM Functions"), "R");
}

TEST(StepsEdgeCreation, OneEdgePerPairWithLabelsAndChildCounts)
{
    Model m;
    m.Object("App", 0);
    m.Object("Docs", 1);
    m.Object("Hidden", 2, "dis", "", "H");
    m.Object("Leaf", 3);
    m.Object("<interfaces>", 4, "");
    m.Pointer("App", 0, "Documents", "propget", "Docs", 1);
    m.Pointer("App", 0, "Add", "method", "Docs", 1);
    m.Pointer("App", 0, "Item", "method", "Docs", 1);
    m.Pointer("App", 0, "Parent", "propget", "App", 0);  // self edge
    m.Pointer("Hidden", 2, "First", "propget", "App", 0);
    m.Pointer("Hidden", 2, "Next", "method", "Leaf", 3);
    m.Pointer("<interfaces>", 4, "", "", "Leaf", 3);
    ExtractionLog log(m.db().Path().parent_path() / "errorlog.txt");
    ASSERT_OK(CreateEdges(m.db(), log, "/x/app.tlb"));

    EXPECT_EQ(m.Column("SELECT ParentObjectKey || ParentObjectName || '>' || ChildObjectKey || ChildObjectName || "
                       "' ' || Label || '/' || coalesce(IsCustom, 'null') FROM Edges ORDER BY rowid"),
              (std::vector<std::string>{"4<interfaces>>3Leaf /null", "0App>0App (< P:Parent)/null",
                                        "0App>1Docs (< M:Add; P:Documents; M:Item)/null",
                                        "2Hidden>0App (< P:First)/null", "2Hidden>3Leaf (< M:Next)/null"}));
    EXPECT_EQ(m.Column("SELECT Name || ' ' || cChildObjects || '/' || cChildObjectsNotHid FROM Objects ORDER BY Key"),
              (std::vector<std::string>{"App 2/2", "Docs 0/0", "Hidden 2/0", "Leaf 0/0", "<interfaces> 1/1"}));
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_FALSE(log.errorFlag);
}

TEST(StepsEdgeCreation, IllegalEdgesAreReportedUnderOneHeader)
{
    Model m;
    m.Object("App", 0);
    m.Pointer("App", 0, "Self", "propget", "App", 0);
    m.Pointer("Zed", -1, "Ghost", "method", "App", 0);
    m.Pointer("Zed", -1, "Other", "method", "Nowhere", -1);
    ExtractionLog log(m.db().Path().parent_path() / "errorlog.txt");
    ASSERT_OK(CreateEdges(m.db(), log, "/x/app.tlb"));

    ASSERT_EQ(log.Lines().size(), 3u);
    EXPECT_EQ(log.Lines()[0].rfind("** Report on /x/app.tlb  ", 0), 0u) << log.Lines()[0];
    EXPECT_EQ(log.Lines()[0].substr(log.Lines()[0].size() - 3), " **");
    EXPECT_EQ(log.Lines()[1],
              "Illegal edge error in CreateEdges: Function: GhostObject: ZedObject Key: -1ReturnType: AppReturnType Key: 0");
    EXPECT_EQ(log.Lines()[2], "Illegal edge error in CreateEdges: Function: OtherObject: ZedObject Key: -1"
                              "ReturnType: NowhereReturnType Key: -1");
    EXPECT_TRUE(log.errorFlag);
    EXPECT_EQ(m.Get("SELECT COUNT(*) FROM Edges").AsInteger(), 1);

    // A run whose flag an earlier step already set writes no header.
    Model again;
    again.Object("App", 0);
    again.Pointer("App", 0, "Self", "propget", "App", 0);
    again.Pointer("Zed", -1, "Ghost", "method", "App", 0);
    ExtractionLog flagged(again.db().Path().parent_path() / "errorlog.txt");
    flagged.errorFlag = true;
    ASSERT_OK(CreateEdges(again.db(), flagged, "/x/app.tlb"));
    ASSERT_EQ(flagged.Lines().size(), 1u);
    EXPECT_EQ(flagged.Lines()[0].rfind("Illegal edge error", 0), 0u);
}

TEST(StepsLargeModel, CountsAndKeysBeyondSixteenBits)
{
    constexpr int kObjects = 40000;
    Model m;
    {
        auto transaction = m.db().Begin();
        ASSERT_OK(transaction);
        auto objects = Inserter::Prepare(m.db(), "Objects", {"Name", "RawName", "Key", "TypeKind", "HiddenState"});
        ASSERT_OK(objects);
        for (int i = 0; i < kObjects; ++i) {
            const std::string name = "I" + std::to_string(i);
            ASSERT_OK(objects->Insert({name, name, i, "int", ""}));
        }
        ASSERT_OK(transaction->Commit());
    }
    ASSERT_OK(ReplaceWithCoClassNames(m.db()));
    ASSERT_OK(Process(m, true));
    ExtractionLog log(m.db().Path().parent_path() / "errorlog.txt");
    ASSERT_OK(CreateEdges(m.db(), log, "big.tlb"));

    EXPECT_EQ(m.Text("SELECT Key || '/' || cChildObjects || '/' || cChildObjectsNotHid FROM Objects "
                     "WHERE Name = '<interfaces>'"),
              "40000/40000/40000");
    EXPECT_EQ(m.Text("SELECT MAX(Key) || '/' || MAX(ReturnTypeKey) || '/' || MIN(ObjectKey) FROM Functions"),
              "39999/39999/40000");
    EXPECT_EQ(m.Get("SELECT COUNT(*) FROM Edges WHERE ParentObjectKey = 40000 AND Label = ''").AsInteger(), kObjects);
    EXPECT_TRUE(log.Lines().empty());
}
