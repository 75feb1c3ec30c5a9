// SPDX-License-Identifier: MIT
// The Create Model Wizard without its window: the state of one open wizard
// (stage, chosen library, the model's files), the working copy of the
// model's settings and the lists the tabs show, and every command of the
// wizard. The window shows this state and passes clicks on; tests drive it
// directly with scripted answers. Every message and input box goes through
// the prompt; the main window is reached through WizardHost.
//
// Threading: the long commands (MakeOrLoadDataFile, MakeModelCommand) may
// run on a worker thread while the window keeps its event loop going; the
// window then leaves the session alone until the command returns, and the
// prompt and progress it passes must be safe to call from that thread.
#pragma once

#include "extract/extraction.h"
#include "platform/progress.h"
#include "platform/prompt.h"
#include "platform/result.h"
#include "store/inf_file.h"
#include "typelib/typelib.h"
#include "wizard/library_discovery.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith {

// What the wizard needs of the main window.
class WizardHost {
public:
    virtual ~WizardHost() = default;
    // Opens the model of `modelKey` (the DAT file's base name) in the main
    // window and shows its tree. True when it is now shown.
    virtual bool ShowModel(const std::string& modelKey) = 0;
    // The keys of the objects that the main window's current tree shows.
    virtual std::set<std::int64_t> TreeObjectKeys() const = 0;
    // The model key of the main window's current model, "" for none.
    virtual std::string CurrentModelKey() const = 0;
    // Empties the main window: no model, no caption, model menus disabled.
    virtual void ClearModel() = 0;
};

// The files and settings of the program the wizard works with.
struct WizardPlaces {
    std::filesystem::path modelsFolder;
    std::filesystem::path backupFolder;  // installation copies of the INF files
    std::filesystem::path settingsFile;  // ZV.INI
    std::filesystem::path errorLog;
    LoadOptions load;     // how imported libraries are found
    bool compact = true;  // the "CompactDAT" setting
};

enum class WizardStage { Start, DataFileMade, ModelMade };
// Index of the chosen option of frame "fraActionType".
enum class WizardAction { Browse = 0, Search = 1, LoadDataFile = 2, Registry = 3 };
// The label choice of the Add Edge tab.
enum class EdgeLabelOption { None = 0, Parent = 1, Child = 2, PromptEach = 3, PromptOnce = 4 };

// --- Rows of the lists, read from the DAT file ----------------------------

struct ModelObjectRow {  // lvInModel
    bool in = false;     // "In": the made model reaches the object
    std::string name;
    bool hidden = false;          // "Hid"
    std::int64_t childCount = 0;  // "#Ch"
    bool control = false;         // "Ctl"
    std::int64_t key = 0;
    bool custom = false;  // a row an earlier making added (IsCustom), not one of the library's
    bool operator==(const ModelObjectRow&) const = default;
};
struct ModelEdgeRow {  // lvAllEdges
    std::string parent, child;
    bool operator==(const ModelEdgeRow&) const = default;
};
struct ProlificRow {  // lstProlific: "Name (n)"
    std::string name;
    std::int64_t childCount = 0;
    bool operator==(const ProlificRow&) const = default;
};
struct ExternalEdgeRow {  // lvExternalEdges
    bool checked = false;
    std::string parent, label, child, library;
    bool operator==(const ExternalEdgeRow&) const = default;
};
struct CollectionRow {  // lvCollections
    std::string object;
    bool coll = false;  // "Coll": "Y"/"N"
    std::string member;
    std::string newColl;  // "Y", "N" or ""
    std::string newMember;
    bool operator==(const CollectionRow&) const = default;
};
struct ReturnTypeRow {  // lvReturnTypeObj
    std::string object, function, retType, docString;
    bool operator==(const ReturnTypeRow&) const = default;
};

// Everything GetOMDData reads from a DAT file.
struct ModelLists {
    std::vector<ModelObjectRow> inModel;  // by Name
    std::vector<ModelEdgeRow> allEdges;
    std::vector<ProlificRow> prolific;     // IsCustom False, by cChildObjects descending
    std::vector<std::string> objectNames;  // lstConnectToTop, lvParents, lvChildren
    std::vector<ExternalEdgeRow> externalEdges;
    std::vector<CollectionRow> collections;
    std::vector<ReturnTypeRow> returnTypes;
    std::int64_t eventsCount = 0;    // names ending in "events"
    std::int64_t controlsCount = 0;  // FlagsVal bit 32
    bool hasGlobal = false;
    bool operator==(const ModelLists&) const = default;
};
Result<ModelLists> ReadModelLists(const std::filesystem::path& datFile);
// The same lists from the rows an extraction has just stored, without
// reading the file back: equal to ReadModelLists of that file.
ModelLists ModelListsFromRows(const WorkLists& rows);

// A name, label or doc string typed into a list that the INF file could not
// hold ("|", "=", a leading "[" or ";", a line break): the message naming the
// character, "" when the text is fine. `what` names the field ("name").
std::string RefusedEntryText(std::string_view text, std::string_view what);

// The resource-number box: whole numbers 1 to 65535, or empty while typing.
bool ResourceNumberAcceptable(std::string_view text);

class WizardSession {
public:
    WizardSession(WizardPlaces places, Prompt& prompt, WizardHost& host);

    // --- State -------------------------------------------------------------
    WizardStage Stage() const { return m_stage; }
    // "Create Model Wizard", "... - Data File for <lib>", "..., Model Made".
    std::string Caption() const;
    // Every tab but tab 0, Make Model and Restore (when a copy exists).
    bool TabsEnabled() const { return m_tabsEnabled; }
    bool DeleteEnabled() const { return m_deleteEnabled; }
    bool RestoreEnabled() const { return m_restoreEnabled; }
    bool MakeDatEnabled() const { return m_makeDatEnabled; }

    WizardAction action = WizardAction::Browse;
    // Tab 0's fields, edited by the window.
    std::string libraryText;           // txtLibrary
    std::string resourceNumber = "1";  // txtResourceNumber
    bool includeInterfaces = false;    // chkInterfaces
    bool includeModules = false;       // chkModules
    std::string selectedDatFile;       // lstDatFiles selection (base name)

    const std::string& LibraryFileName() const { return m_libraryFileName; }
    const std::string& LibraryPath() const { return m_libraryPath; }
    const std::string& ModelKey() const { return m_modelKey; }
    std::filesystem::path DatFile() const;
    std::filesystem::path InfFile() const;

    // Tab 0's labels and the alert.
    const PrelimInfo& Prelim() const { return m_prelim; }
    std::string alertText;    // lblAlert
    std::string libDescText;  // lblLibDesc
    std::string interfacesCaption = "Include 0 interfaces", modulesCaption = "Include 0 modules";
    bool interfacesBoxEnabled = false, modulesBoxEnabled = false;

    // The working copy of the settings: the scalar ones, custom objects and
    // edges are kept here; connections, external-edge ticks and collection
    // corrections live in `lists` and `connectSelected`.
    InfData settings;
    EdgeLabelOption labelOption = EdgeLabelOption::None;
    ModelLists lists;
    std::vector<bool> connectSelected;    // parallel to lists.objectNames
    std::vector<std::string> categories;  // lstCategories
    std::string edgeCountText = "0";      // lblEdgeCount
    std::string missingObjectsText;       // lblMissingObjects
    bool inColumnShown = false;           // the "In" column has its width (the marks are meant)
    std::int64_t hiddenMissing = 0, visibleMissing = 0;
    // Captions of the Special tab's check boxes, set by GetOMDData.
    std::string eventsCaption, controlsCaption, globalCaption;
    bool eventsEnabled = false, controlsEnabled = false, globalEnabled = false;

    // --- Flow ---------------------------------------------------------------
    void InitializeWizard(WizardStage stage);
    // A library picked in the file list, search results or registry list:
    // Start state, the path into libraryText, then PreProcessLibrary.
    void ChooseLibrary(const std::string& path, std::uint32_t resource);
    void PreProcessLibrary();
    // The DAT list's click: model name, include boxes, description.
    DatFileDescription DescribeSelectedDatFile();
    // Make/Load Data File. False when it stopped (message shown); the wizard
    // is then in Start with nothing loaded.
    bool MakeOrLoadDataFile(ProgressSink& progress);
    // The Make Model button: the four checks (returns the tab to bring to
    // the front when one fails), then the making, ShowModel and the In marks.
    struct MakeModelOutcome {
        bool made = false;
        std::optional<int> showTab;
    };
    MakeModelOutcome MakeModelCommand(ProgressSink& progress);
    void DeleteModel();
    void Restore();
    // The instruction text of a tab (tab 0 at opening: `atOpening`).
    static std::string InstructionText(int tab, bool atOpening = false);
    // The help context of the Help button on a tab; the Tips button is 4.
    static int HelpContext(int tab);

    // --- Settings tabs ------------------------------------------------------
    void FillCategoriesList();
    void ProlificClicked(std::size_t row);  // into settings.builtInTopObject
    void ConnectSelectionChanged();         // rebuilds the connections text
    std::string ConnectToTopText() const;   // txtConnectToTop
    void SelectAllConnections(bool select);

    void AddCustomObject();
    void EditCustomObject(std::optional<std::size_t> row);
    void DeleteCustomObject(std::optional<std::size_t> row);
    void EditCustomObjectFields(std::size_t row);  // the double click

    void MakeCollections(const std::vector<std::size_t>& rows);
    void MakeNoncollections(const std::vector<std::size_t>& rows);
    void RestoreCollections(const std::vector<std::size_t>& rows);
    void RestoreAllCollections();

    void ConnectEdges(const std::vector<std::size_t>& parents, const std::vector<std::size_t>& children);
    void DeleteEdges(const std::vector<std::size_t>& rows);
    void ClearEdges();
    void EditEdge(std::size_t row);  // the double click

private:
    // An INF file's settings into the fields (the scalar ones, custom
    // objects, edges), and into the lists (connections, external-edge ticks,
    // collection corrections).
    void ApplyInfSettings(const InfData& inf);
    void ApplyListSettings(const InfData& inf);
    // The settings as they are saved: the fields and the lists' selections.
    InfData SettingsToSave() const;
    // Reads the DAT file into `lists` and sets the Special tab.
    // Reads the lists from the DAT file, unless `read` holds them already.
    void GetOMDData(std::optional<ModelLists> read = std::nullopt);
    void FillInModelList(const std::set<std::int64_t>& treeKeys);
    void EnableTabs(bool enable);
    void ReportError(std::string_view procedure, const Error& error);

    WizardPlaces m_places;
    Prompt& m_prompt;
    WizardHost& m_host;
    WizardStage m_stage = WizardStage::Start;
    bool m_tabsEnabled = false, m_deleteEnabled = false, m_restoreEnabled = false, m_makeDatEnabled = false;
    std::string m_libraryFileName, m_libraryPath, m_modelKey;
    PrelimInfo m_prelim;
};

}  // namespace arbolith
