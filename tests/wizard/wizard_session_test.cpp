// SPDX-License-Identifier: MIT
// The wizard without its window, on real DAT files extracted from
// tests/data/extraction/model.tlb, with scripted answers and a main window
// that records what it was asked.
#include "wizard/wizard_session.h"

#include "platform/progress.h"
#include "platform/prompt.h"
#include "store/inf_file.h"
#include "support/temp_dir.h"
#include "support/wine_corpus.h"
#include "typelib/msft_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace arbolith {
namespace {

namespace fs = std::filesystem;

const fs::path kModelLibrary = fs::path(ARBOLITH_TEST_DATA) / "extraction" / "model.tlb";

class RecordingHost : public WizardHost {
public:
    bool showWorks = true;
    std::vector<std::string> shown;
    std::set<std::int64_t> treeKeys;
    std::string current;
    int clears = 0;

    bool ShowModel(const std::string& modelKey) override
    {
        shown.push_back(modelKey);
        if (showWorks) current = modelKey;
        return showWorks;
    }
    std::set<std::int64_t> TreeObjectKeys() const override { return treeKeys; }
    std::string CurrentModelKey() const override { return current; }
    void ClearModel() override
    {
        ++clears;
        current.clear();
    }
};

class Wizard : public ::testing::Test {
protected:
    Wizard()
    {
        for (const fs::path& folder : {models, backup, libs}) fs::create_directories(folder);
        // Two points in the name: the model key is "My.Lib", its files My.Lib.DAT and My.Lib.INF.
        fs::copy_file(kModelLibrary, library);
    }

    // A session with the library's data file made (and checked).
    WizardSession& WithDataFile(const fs::path& path = {})
    {
        session.ChooseLibrary((path.empty() ? library : path).string(), 0);
        EXPECT_TRUE(session.MakeOrLoadDataFile(progress));
        return session;
    }
    std::size_t Object(const std::string& name) const
    {
        const auto& names = session.lists.objectNames;
        return static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin());
    }
    // The data file made, then a model with Application as the top object and one custom object.
    void WithModel()
    {
        WithDataFile();
        session.settings.category = "Tools";
        session.settings.builtInTopObject = "Application";
        session.settings.customObjects = {{"Bag", true, "CFoo", "A bag"}};
        ASSERT_TRUE(session.MakeModelCommand(progress).made);
    }
    const std::string& LastMessage() const { return prompt.asked.back().text; }

    test::TempDir dir;
    fs::path models = dir / "Models", backup = dir / "ModelsBak", libs = dir / "libs";
    fs::path library = libs / "My.Lib.tlb";
    WizardPlaces places{models, backup, dir / "ZV.INI", dir / "errorlog.txt", {}, false};
    ScriptedPrompt prompt;
    RecordingHost host;
    SilentProgress progress;
    WizardSession session{places, prompt, host};
};

TEST_F(Wizard, DataFileSettingsModelAndReloadGiveTheSameSettings)
{
    EXPECT_EQ(session.Caption(), "Create Model Wizard");
    session.ChooseLibrary(library.string(), 0);
    const PrelimInfo& prelim = session.Prelim();
    EXPECT_EQ(prelim.result, PrelimResult::Fine);
    EXPECT_EQ(
        std::vector<std::int64_t>({prelim.objects, prelim.enums, prelim.interfaces, prelim.modules, prelim.coclasses}),
        std::vector<std::int64_t>({6, 0, 1, 1, 5}));
    EXPECT_TRUE(session.libDescText.starts_with("Library Name: ArboModel Ver 1.0\nFile: " + library.string() +
                                                "\nDoc String: Arbolith model sample\nObjects: 6   Members: "))
        << session.libDescText;
    EXPECT_EQ(session.interfacesCaption, "Include 1 interfaces");
    EXPECT_TRUE(session.MakeDatEnabled() && session.interfacesBoxEnabled && !session.TabsEnabled());

    ASSERT_TRUE(session.MakeOrLoadDataFile(progress));
    EXPECT_EQ(session.Caption(), "Create Model Wizard - Data File for My.Lib.tlb");
    EXPECT_EQ(session.DatFile(), models / "My.Lib.DAT");
    EXPECT_TRUE(fs::exists(session.DatFile()));
    EXPECT_EQ(session.alertText, "DAT file created successfully\nNo existing INF file to load");
    EXPECT_TRUE(session.TabsEnabled() && session.DeleteEnabled() && !session.RestoreEnabled());
    EXPECT_EQ(session.settings.modelName, "My.Lib");
    EXPECT_EQ(session.lists.objectNames,
              (std::vector<std::string>{"AppEvents", "Application", "CFoo", "DDocSink", "IFooBar", "Items"}));
    EXPECT_TRUE(std::is_sorted(session.lists.prolific.begin(), session.lists.prolific.end(),
                               [](const auto& a, const auto& b) { return a.childCount > b.childCount; }));
    EXPECT_EQ(session.eventsCaption, "Add <Events> object and connect 1 event-related objects to it");
    EXPECT_TRUE(session.eventsEnabled);
    EXPECT_EQ(session.globalCaption, "This library does not have an object named Global.");
    EXPECT_FALSE(session.globalEnabled || session.settings.globalObject);

    // The settings tabs.
    session.settings.category = "Tools";
    const auto& prolific = session.lists.prolific;
    session.ProlificClicked(static_cast<std::size_t>(
        std::find_if(prolific.begin(), prolific.end(), [](const auto& r) { return r.name == "Application"; }) -
        prolific.begin()));
    EXPECT_EQ(session.settings.builtInTopObject, "Application");
    session.connectSelected[Object("Items")] = true;
    session.ConnectSelectionChanged();
    prompt.answers = {PromptAnswer::Yes};
    prompt.inputs = {"Bag", "CFoo", "A \"quoted\" bag"};
    session.AddCustomObject();
    session.labelOption = EdgeLabelOption::Parent;
    session.ConnectEdges({Object("Application")}, {Object("DDocSink")});
    prompt.inputs = {"Thing"};
    session.MakeCollections({Object("Items")});
    const InfData before = session.settings;

    host.treeKeys = {2, 3};  // Application and Items
    const auto outcome = session.MakeModelCommand(progress);
    EXPECT_TRUE(outcome.made);
    EXPECT_EQ(session.Caption(), "Create Model Wizard - Data File for My.Lib.tlb, Model Made");
    EXPECT_EQ(host.shown, std::vector<std::string>{"My.Lib"});  // the model key, not the library's name
    std::vector<std::string> in, custom;
    for (const ModelObjectRow& row : session.lists.inModel) {
        if (row.in) in.push_back(row.name);
        if (row.custom) custom.push_back(row.name);
    }
    EXPECT_EQ(in, (std::vector<std::string>{"Application", "Items"}));
    EXPECT_EQ(custom, std::vector<std::string>{"Bag"});
    EXPECT_EQ(session.missingObjectsText, "Missing objects: 5 nonhid, 0 hid");
    EXPECT_TRUE(session.inColumnShown);

    WizardSession reloaded(places, prompt, host);
    reloaded.action = WizardAction::LoadDataFile;
    reloaded.selectedDatFile = "My.Lib";
    const DatFileDescription description = reloaded.DescribeSelectedDatFile();
    EXPECT_EQ(description.modelName, "My.Lib");
    EXPECT_TRUE(description.text.starts_with("Library Name: ArboModel\nFrom " + library.string() + ",  Date "))
        << description.text;
    ASSERT_TRUE(reloaded.MakeOrLoadDataFile(progress));
    EXPECT_EQ(reloaded.alertText, "DAT file created successfully\nExisting INF file loaded");
    EXPECT_EQ(reloaded.LibraryFileName(), "my.lib.tlb");
    EXPECT_EQ(reloaded.LibraryPath(), "My.Lib.DAT");
    EXPECT_EQ(reloaded.edgeCountText, "Edges: 1");
    EXPECT_EQ(reloaded.categories, std::vector<std::string>{"Tools"});
    EXPECT_EQ(reloaded.settings.customObjects, before.customObjects);
    EXPECT_EQ(reloaded.settings.edges, before.edges);
    EXPECT_EQ(reloaded.settings.builtInTopObject, "Application");
    EXPECT_EQ(reloaded.ConnectToTopText(), "Items");
    const CollectionRow& items = reloaded.lists.collections[Object("Items")];
    EXPECT_EQ(items.newColl + "|" + items.newMember, "Y|Thing");
    EXPECT_TRUE(reloaded.MakeModelCommand(progress).made);
    EXPECT_EQ(GetInfData(session.InfFile()).value().customObjects, before.customObjects);
}

TEST_F(Wizard, MakeModelRefusesIncompleteSettingsAndTouchesNoFile)
{
    EXPECT_EQ(session.MakeModelCommand(progress).showTab, 0);
    EXPECT_EQ(LastMessage(), "You must first choose an object library.");
    WithDataFile();
    struct Case {
        std::function<void(InfData&)> spoil;
        std::string message;
        int tab;
    };
    const Case cases[] = {
        {[](InfData& s) { s.modelName.clear(); }, "Please choose a name and category for the model.", 1},
        {[](InfData& s) { s.category.clear(); }, "Please choose a menu category for the model.", 1},
        {[](InfData& s) { s.topIsCustom = true, s.customTopObject = "  "; },
         "Please choose a top object for the model. For help on this, click the Help button.", 2},
    };
    for (const Case& c : cases) {
        session.settings.modelName = "My.Lib";
        session.settings.category = "Tools";
        session.settings.builtInTopObject = "Application";
        c.spoil(session.settings);
        const auto outcome = session.MakeModelCommand(progress);
        EXPECT_FALSE(outcome.made);
        EXPECT_EQ(outcome.showTab, c.tab);
        EXPECT_EQ(LastMessage(), c.message);
        EXPECT_EQ(prompt.asked.back().icon, PromptIcon::Exclamation);
        EXPECT_FALSE(fs::exists(session.InfFile()));
        EXPECT_EQ(session.Stage(), WizardStage::DataFileMade);
    }
}

// A library of the same base name elsewhere is made only after a question,
// and a failed extraction leaves the old data file and loads nothing.
TEST_F(Wizard, AnotherLibraryOfTheSameNameAsksAndAFailedExtractionLoadsNothing)
{
    WithDataFile();
    WithDataFile();  // the same library again: no question
    for (const PromptMessage& message : prompt.asked) EXPECT_EQ(message.text.find("Replace"), std::string::npos);
    const std::string before = test::ReadBytes(session.DatFile());

    fs::create_directories(libs / "other");
    const fs::path other = libs / "other" / "My.Lib.tlb";
    test::WriteBytes(other, "not a type library");
    session.ChooseLibrary(other.string(), 0);
    EXPECT_EQ(session.Prelim().result, PrelimResult::Error);
    EXPECT_EQ(session.alertText, "Error");
    EXPECT_FALSE(session.MakeDatEnabled());
    EXPECT_TRUE(session.libDescText.starts_with("Error in " + other.string() + ". \n&H")) << session.libDescText;

    prompt.answers = {PromptAnswer::No};
    EXPECT_FALSE(session.MakeOrLoadDataFile(progress));
    const PromptMessage& question = prompt.asked.back();
    EXPECT_EQ(question.text, "The model My.Lib was made from " + library.string() + ". Replace it with a model of " +
                                 other.string() + "?");
    EXPECT_EQ(question.icon, PromptIcon::Question);
    EXPECT_EQ(question.defaultAnswer, PromptAnswer::No);

    prompt.answers = {PromptAnswer::Yes};
    EXPECT_FALSE(session.MakeOrLoadDataFile(progress));
    EXPECT_EQ(prompt.asked.back().icon, PromptIcon::Critical);  // the extraction's own message
    EXPECT_EQ(session.Stage(), WizardStage::Start);
    EXPECT_FALSE(session.TabsEnabled() || session.DeleteEnabled());
    EXPECT_TRUE(session.lists.objectNames.empty());
    EXPECT_TRUE(session.ModelKey().empty());
    EXPECT_TRUE(test::ReadBytes(models / "My.Lib.DAT") == before);
}

TEST_F(Wizard, DeleteModelClearsTheMainWindowOnlyWhenItShowsThisModel)
{
    for (const std::string& shown : {std::string("MY.LIB"), std::string("Other")}) {
        WithModel();
        host.current = shown;
        host.clears = 0;
        prompt.answers = {PromptAnswer::Yes};
        session.DeleteModel();
        EXPECT_EQ(prompt.asked.back().text, "Delete this model (both DAT and INF files)?");
        EXPECT_FALSE(fs::exists(models / "My.Lib.DAT") || fs::exists(models / "My.Lib.INF"));
        EXPECT_EQ(host.clears, shown == "Other" ? 0 : 1) << shown;
        EXPECT_FALSE(session.DeleteEnabled() || session.TabsEnabled());
    }
}

// Cancel in any input box leaves the rows as they were, even after earlier
// boxes of the same command were answered; so does a refused entry.
TEST_F(Wizard, CancelledOrRefusedInputLeavesTheRows)
{
    WithDataFile();
    session.settings.customObjects = {{"Bag", true, "CFoo", "A bag"}};
    session.settings.edges = {{"CFoo", "Items", "x"}};
    const std::size_t items = Object("Items");
    struct Case {
        const char* what;
        std::vector<std::optional<std::string>> inputs;
        std::function<void(WizardSession&)> command;
    };
    const Case cases[] = {
        {"double click on a custom object",
         {"New", "True", std::nullopt},
         [](auto& s) { s.EditCustomObjectFields(0); }},
        {"edit custom object", {std::nullopt}, [](auto& s) { s.EditCustomObject(0); }},
        {"add custom object", {std::nullopt}, [](auto& s) { s.AddCustomObject(); }},
        {"add custom object, empty name", {""}, [](auto& s) { s.AddCustomObject(); }},
        {"edit edge", {"P", "C", std::nullopt}, [](auto& s) { s.EditEdge(0); }},
        {"collection member", {std::nullopt}, [&](auto& s) { s.MakeCollections({items}); }},
        {"name with a bar", {"a|b"}, [](auto& s) { s.AddCustomObject(); }},
        {"doc string with =", {"Fine", "True", "CFoo", "x=y"}, [](auto& s) { s.EditCustomObjectFields(0); }},
        {"edge parent with [", {"[P"}, [](auto& s) { s.EditEdge(0); }},
        {"label with a line break",
         {"a\nb"},
         [&](auto& s) {
             s.labelOption = EdgeLabelOption::PromptOnce;
             s.ConnectEdges({items}, {items});
         }},
    };
    for (const Case& c : cases) {
        const InfData before = session.settings;
        const std::vector<CollectionRow> collections = session.lists.collections;
        prompt.inputs.assign(c.inputs.begin(), c.inputs.end());
        prompt.answers = {PromptAnswer::No};
        c.command(session);
        EXPECT_EQ(session.settings, before) << c.what;
        EXPECT_EQ(session.lists.collections[items].newColl, collections[items].newColl) << c.what;
    }
    EXPECT_EQ(LastMessage(),
              "The label \"a\nb\" cannot be used: it contains a line break, which the model's settings file cannot "
              "hold.");
    EXPECT_EQ(prompt.asked.back().icon, PromptIcon::Exclamation);
}

// The custom object's own row in a made model is no built-in clash; the
// library's objects and the other custom objects are.
TEST_F(Wizard, CustomObjectNamesClashOnlyWithOtherObjects)
{
    WithModel();
    prompt.answers = {PromptAnswer::Yes};
    prompt.inputs = {"Bag", "CFoo", "A new doc"};
    session.EditCustomObject(0);
    EXPECT_EQ(session.settings.customObjects[0].docString, "A new doc");
    EXPECT_EQ(prompt.asked.size(), 1u);  // only the collection question

    const std::pair<std::string, std::function<void(WizardSession&)>> clashes[] = {
        {"There is a custom object named bag", [](auto& s) { s.AddCustomObject(); }},
        {"There is a built-in object named items", [](auto& s) { s.AddCustomObject(); }},
        {"There is a built-in object named items", [](auto& s) { s.EditCustomObject(0); }},
    };
    for (const auto& [message, command] : clashes) {
        prompt.inputs = {message.substr(message.rfind(' ') + 1)};
        command(session);
        EXPECT_EQ(LastMessage(), message);
        EXPECT_EQ(session.settings.customObjects.size(), 1u);
        EXPECT_EQ(session.settings.customObjects[0].name, "Bag");
    }
    prompt.inputs = {};
    session.EditCustomObject(std::nullopt);
    EXPECT_EQ(LastMessage(), "Please select an object to edit.");
}

TEST_F(Wizard, FailedMakingOrShowingIsReported)
{
    WithModel();
    host.showWorks = false;
    ASSERT_TRUE(session.MakeModelCommand(progress).made);
    EXPECT_EQ(LastMessage(),
              "ARL cannot display the model with the currently available information. However, this does not "
              "affect the use of the wizard. (ShowModel code 2)");
    EXPECT_EQ(prompt.asked.back().icon, PromptIcon::Information);
    EXPECT_EQ(session.Stage(), WizardStage::ModelMade);
    EXPECT_EQ(session.missingObjectsText, "");
    EXPECT_FALSE(session.inColumnShown);
    EXPECT_TRUE(std::none_of(session.lists.inModel.begin(), session.lists.inModel.end(),
                             [](const auto& row) { return row.in; }));

    // A list entry that never went through the input boxes.
    WithDataFile();
    session.settings.category = "Tools";
    session.settings.builtInTopObject = "Application";
    session.settings.customObjects.push_back({"a=b", false, "", ""});
    const std::string inf = test::ReadBytes(session.InfFile());
    EXPECT_FALSE(session.MakeModelCommand(progress).made);
    EXPECT_TRUE(LastMessage().starts_with("Error in SaveDataToINF. model 0: ")) << LastMessage();
    EXPECT_EQ(session.Stage(), WizardStage::DataFileMade);
    EXPECT_TRUE(test::ReadBytes(session.InfFile()) == inf);
}

TEST_F(Wizard, RestoreCopiesTheInstallationSettingsBack)
{
    const std::string installed =
        "[Main]\nCategory=Installed\n[TopObject]\nBuiltInTopObject=Items\n[Edges]\nCFoo|Items|=\n";
    test::WriteBytes(backup / "My.Lib.INF", installed);
    WithModel();
    EXPECT_TRUE(session.RestoreEnabled());
    prompt.answers = {PromptAnswer::No};
    session.Restore();
    EXPECT_EQ(session.settings.category, "Tools");
    prompt.answers = {PromptAnswer::Yes};
    session.Restore();
    EXPECT_EQ(prompt.asked[prompt.asked.size() - 2].text,
              "Do you want to restore all Wizard settings to their values when ARL was installed? If so, you will "
              "lose all changes to these settings?");
    EXPECT_EQ(LastMessage(),
              "INF settings are restored. Click Make Model button to make a model with the restored settings.");
    EXPECT_EQ(test::ReadBytes(session.InfFile()), installed);
    EXPECT_EQ(session.settings.category, "Installed");
    EXPECT_EQ(session.settings.builtInTopObject, "Items");
    EXPECT_EQ(session.settings.edges, (std::vector<InfEdge>{{"CFoo", "Items", ""}}));
    EXPECT_TRUE(session.settings.customObjects.empty());
}

// A member returning a type of another library is offered as an external
// edge; its tick is saved and comes back with the loaded data file.
TEST_F(Wizard, ExternalEdgeTicksSurviveMakingAndLoading)
{
    const fs::path walk = libs / "walk.tlb";
    fs::copy_file(fs::path(ARBOLITH_TEST_DATA) / "extraction" / "walk.tlb", walk);
    WithDataFile(walk);
    EXPECT_EQ(session.eventsCaption, "Add <Events> object and connect 0 event-related objects to it");
    EXPECT_FALSE(session.eventsEnabled);
    ASSERT_EQ(session.lists.externalEdges.size(), 1u);
    ExternalEdgeRow& font = session.lists.externalEdges[0];
    EXPECT_EQ(font.parent + " " + font.label, "IWidget (<P:Font)");
    const std::string child = font.child;  // the type's name when stdole2 is found, a placeholder when not
    font.checked = true;
    session.settings.category = "Tools";
    session.settings.builtInTopObject = "IWidget";
    ASSERT_TRUE(session.MakeModelCommand(progress).made);
    EXPECT_TRUE(session.lists.externalEdges.at(0).checked);
    EXPECT_NE(std::find(session.lists.objectNames.begin(), session.lists.objectNames.end(), child),
              session.lists.objectNames.end());

    session.action = WizardAction::LoadDataFile;
    session.selectedDatFile = "walk";
    ASSERT_TRUE(session.MakeOrLoadDataFile(progress));
    EXPECT_TRUE(session.lists.externalEdges.at(0).checked);
}

TEST_F(Wizard, EdgesAndConnectionsFollowTheLabelOptionAndTheCustomTop)
{
    WithDataFile();
    const std::vector<std::size_t> parents = {Object("CFoo"), Object("Items")};
    const std::vector<std::size_t> children = {Object("AppEvents"), Object("DDocSink"), Object("IFooBar")};
    session.ConnectEdges(parents, children);
    EXPECT_EQ(session.settings.edges.size(), 6u);
    EXPECT_EQ(session.edgeCountText, "6");
    session.ClearEdges();
    session.labelOption = EdgeLabelOption::PromptEach;
    prompt.inputs = {"a", "b", "c", "<Q>", "d"};
    session.ConnectEdges(parents, children);
    EXPECT_EQ(session.settings.edges.size(), 3u);
    EXPECT_EQ(session.settings.edges[2], (InfEdge{"CFoo", "IFooBar", "c"}));
    session.labelOption = EdgeLabelOption::PromptOnce;
    prompt.inputs = {"<q>"};
    session.ConnectEdges(parents, children);
    EXPECT_EQ(session.settings.edges.size(), 3u);
    session.DeleteEdges({0, 2, 7});
    EXPECT_EQ(session.settings.edges, (std::vector<InfEdge>{{"CFoo", "DDocSink", "b"}}));
    EXPECT_EQ(session.edgeCountText, "1");

    session.settings.customTopObject = " items ";
    session.SelectAllConnections(true);
    EXPECT_EQ(session.ConnectToTopText(), "AppEvents|Application|CFoo|DDocSink|IFooBar");
}

TEST(WizardTexts, ResourceNumbersHelpContextsAndCategories)
{
    for (const char* good : {"", "1", "65535", "01"}) EXPECT_TRUE(ResourceNumberAcceptable(good)) << good;
    for (const char* bad : {"-1", "1.5", "&H10", "0", "65536", "1 ", "999999"})
        EXPECT_FALSE(ResourceNumberAcceptable(bad)) << bad;
    EXPECT_EQ(WizardSession::HelpContext(0), 1);
    EXPECT_EQ(WizardSession::HelpContext(7), 12);

    test::TempDir dir;
    test::WriteBytes(dir / "a.INF", "[Main]\nCategory=Tools\n");
    test::WriteBytes(dir / "b.inf", "[Main]\nCategory=tools\n");
    test::WriteBytes(dir / "c.Inf", "[Main]\nModelName=C\n");
    test::WriteBytes(dir / "d.txt", "[Main]\nCategory=Text\n");
    ScriptedPrompt prompt;
    RecordingHost host;
    WizardSession session(WizardPlaces{dir.path(), {}, {}, {}, {}, false}, prompt, host);
    EXPECT_EQ(session.categories, (std::vector<std::string>{"Tools", "Misc"}));
}

// Counting on libraries built in memory: a library without dispinterfaces
// has no objects whatever else it holds, and more than 10,000 members is big.
TEST(LibraryPreview, CountsDecideTheResult)
{
    test::TempDir dir;
    const auto build = [&](const std::string& name, int methods) {
        test::LibraryBuilder b(name, Guid{0x5EED0100, 1, 2, {}});
        const int base = b.Interface("IBase", Guid{0x5EED0101, 1, 2, {}}, std::nullopt, {});
        if (methods > 0) {
            std::vector<test::MethodSpec> specs;
            for (int i = 0; i < methods; ++i) specs.push_back(test::Method("M" + std::to_string(i), i + 1));
            b.Dual("IBig", Guid{0x5EED0102, 1, 2, {}}, test::Own(base), std::move(specs));
        }
        b.Coclass("Thing", Guid{0x5EED0103, 1, 2, {}}, {{test::Own(base), kImplTypeFlagDefault}});
        const fs::path file = dir / (name + ".tlb");
        test::WriteBytes(file, b.Bytes());
        return GetPrelimInfo(file.string(), 0, dir / (name + ".INF"), {});
    };
    const PrelimInfo none = build("None", 0);
    EXPECT_EQ(none.result, PrelimResult::NoObjects);
    EXPECT_EQ(none.interfaces, 1);
    const PrelimInfo fine = build("Fine", 10000);
    EXPECT_EQ(fine.members, 10000);
    EXPECT_EQ(fine.result, PrelimResult::Fine);
    EXPECT_EQ(build("Big", 10001).result, PrelimResult::Big);

    test::WriteBytes(dir / "Fine.INF", "[Main]\nInterfaces=1\nModules=0\n");
    const PrelimInfo withInf = build("Fine", 1);
    EXPECT_EQ(withInf.infInterfaces, true);
    EXPECT_EQ(withInf.infModules, false);
}

// A data file just made shows its lists from the extraction's rows: they
// must be what reading the file gives, row for row and in the same order
// (pseudo-objects and pseudo-members, names that differ only in case).
TEST(ModelListsFromRows, EqualReadingTheFileBack)
{
    struct Case {
        fs::path library;
        bool interfaces, modules;
    };
    const Case cases[] = {{kModelLibrary, true, true},
                          {test::kWineLibraryDir / "scrrun.dll", false, false},
                          {test::kWineLibraryDir / "msxml6.dll", true, false},
                          {test::kWineLibraryDir / "mshtml.tlb", true, true}};
    for (const Case& c : cases) {
        if (!fs::exists(c.library)) continue;
        test::TempDir dir;
        ExtractOptions options;
        options.inclInterfaces = c.interfaces;
        options.inclModules = c.modules;
        options.modelsFolder = dir.path();
        options.errorLog = dir / "errorlog.txt";
        options.keepRows = true;
        std::string resource = "1";
        SilentProgress progress;
        ScriptedPrompt prompt;
        ExtractionResult made = ExtractFromTypeLib(c.library.string(), resource, options, progress, prompt);
        ASSERT_TRUE(made.ok && made.rows) << c.library;
        auto read = ReadModelLists(made.datFile);
        ASSERT_TRUE(read) << read.error().description;
        EXPECT_TRUE(ModelListsFromRows(*made.rows) == *read) << c.library;
    }
}

}  // namespace
}  // namespace arbolith
