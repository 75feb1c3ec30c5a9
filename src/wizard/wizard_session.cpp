// SPDX-License-Identifier: MIT
// The Create Model Wizard's stages and its long commands: choosing a
// library, making or loading the DAT file, making the model, deleting and
// restoring. Displayed state lives in the session's fields; the window
// shows them after each command.
#include "wizard/wizard_session.h"

#include "extract/extraction.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text_encoding.h"
#include "store/dat_schema.h"
#include "wizard/model_making.h"

#include <cerrno>
#include <charconv>
#include <fstream>
#include <iterator>
#include <system_error>

namespace arbolith {

namespace {

constexpr std::string_view kTitle = "Create Model Wizard";

// What the Library row of a DAT file says about where the file came from.
struct DatOrigin {
    std::string library;  // file name, lower case
    std::string path;     // FQLibName
    std::string resource;
    bool interfaces = false, modules = false;
};

Result<DatOrigin> ReadDatOrigin(const std::filesystem::path& datFile)
{
    auto db = OpenDatFile(datFile, true);
    if (!db) return db.error();
    auto stmt = db->Prepare("SELECT Library, FQLibName, Resource, InclInterfaces, InclModules FROM " +
                            QuoteIdentifier(kLibraryTable));
    if (!stmt) return stmt.error();
    auto row = stmt->Step();
    if (!row) return row.error();
    if (!*row) return Error::Model(datFile.string() + " has no Library row");
    return DatOrigin{stmt->Text(0), stmt->Text(1), stmt->Text(2), stmt->Bool(3), stmt->Bool(4)};
}

// Resource numbers "", "1" and "0" all name the first library of a file.
std::string ResourceOrOne(std::string_view text)
{
    const std::string trimmed = Trim(text);
    return trimmed.empty() || trimmed == "0" ? "1" : trimmed;
}

// Whether `recorded` (a DAT file's FQLibName) names the file at `path`.
bool SameLibraryFile(const std::string& recorded, const std::string& path)
{
    if (recorded == path) return true;
    std::error_code ec;
    return std::filesystem::equivalent(recorded, path, ec) && !ec;
}

// A model's file: its base name is used whole ("a.b" names a.b.DAT), and a
// file whose name differs only in case is found.
std::filesystem::path ModelFile(const std::filesystem::path& folder, const std::string& key, std::string_view ext)
{
    if (key.empty()) return {};
    return FindEntryNoCase(folder, key + "." + std::string(ext));
}

}  // namespace

bool ResourceNumberAcceptable(std::string_view text)
{
    if (text.empty()) return true;
    if (text.size() > 5) return false;
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= 1 && value <= 65535;
}

WizardSession::WizardSession(WizardPlaces places, Prompt& prompt, WizardHost& host)
    : m_places(std::move(places)), m_prompt(prompt), m_host(host)
{
    libDescText = "Click Help button for detailed instructions on using this wizard";
    InitializeWizard(WizardStage::Start);
    FillCategoriesList();
}

std::string WizardSession::Caption() const
{
    switch (m_stage) {
        case WizardStage::Start:
            break;
        case WizardStage::DataFileMade:
            return std::string(kTitle) + " - Data File for " + m_libraryFileName;
        case WizardStage::ModelMade:
            return std::string(kTitle) + " - Data File for " + m_libraryFileName + ", Model Made";
    }
    return std::string(kTitle);
}

std::filesystem::path WizardSession::DatFile() const
{
    return ModelFile(m_places.modelsFolder, m_modelKey, kDatExtension);
}

std::filesystem::path WizardSession::InfFile() const
{
    return ModelFile(m_places.modelsFolder, m_modelKey, kInfExtension);
}

void WizardSession::EnableTabs(bool enable)
{
    m_tabsEnabled = enable;
    m_restoreEnabled =
        enable && !m_modelKey.empty() && FileExists(ModelFile(m_places.backupFolder, m_modelKey, kInfExtension));
}

void WizardSession::ReportError(std::string_view procedure, const Error& error)
{
    m_prompt.Tell("Error in " + std::string(procedure) + ". " + error.Number() + ": " + error.description,
                  PromptIcon::Critical);
}

void WizardSession::InitializeWizard(WizardStage stage)
{
    m_stage = stage;
    if (stage == WizardStage::DataFileMade) missingObjectsText.clear();
    if (stage != WizardStage::Start) return;
    EnableTabs(false);
    inColumnShown = false;
    hiddenMissing = visibleMissing = 0;
    edgeCountText = "0";
    missingObjectsText.clear();
    m_deleteEnabled = false;
    labelOption = EdgeLabelOption::None;
    // Empty settings: the boxes of the top, model and special tabs cleared,
    // "Built-in top" chosen, "Top Object Only Once" ticked, every list empty.
    settings = InfData{};
    settings.category.clear();
    settings.topIsCustom = false;
    settings.topOnlyOnce = true;
    settings.globalObject = false;
    lists = ModelLists{};
    connectSelected.clear();
}

void WizardSession::ChooseLibrary(const std::string& path, std::uint32_t resource)
{
    InitializeWizard(WizardStage::Start);
    libraryText = path;
    resourceNumber = resource > 1 ? std::to_string(resource) : "1";
    PreProcessLibrary();
}

void WizardSession::PreProcessLibrary()
{
    EnableTabs(false);
    if (Trim(libraryText).empty()) return;
    const std::string path = Trim(libraryText);
    std::uint32_t resource = 1;
    if (ResourceNumberAcceptable(Trim(resourceNumber)) && !Trim(resourceNumber).empty())
        resource = static_cast<std::uint32_t>(std::stoul(Trim(resourceNumber)));
    m_prelim = GetPrelimInfo(path, resource, ModelFile(m_places.modelsFolder, GetBaseName(path), kInfExtension),
                             m_places.load);
    libDescText = m_prelim.description;
    switch (m_prelim.result) {
        case PrelimResult::Fine:
            alertText.clear();
            break;
        case PrelimResult::Big:
            alertText = "Caution: Large member count.";
            break;
        case PrelimResult::NoObjects:
            alertText = "This library has no objects";
            break;
        case PrelimResult::Error:
            alertText = "Error";
            break;
    }
    m_makeDatEnabled = m_prelim.result == PrelimResult::Fine || m_prelim.result == PrelimResult::Big;
    interfacesCaption = "Include " + std::to_string(m_prelim.interfaces) + " interfaces";
    modulesCaption = "Include " + std::to_string(m_prelim.modules) + " modules";
    interfacesBoxEnabled = m_prelim.interfaces > 0;
    modulesBoxEnabled = m_prelim.modules > 0;
    if (m_prelim.infInterfaces) includeInterfaces = *m_prelim.infInterfaces;
    if (m_prelim.infModules) includeModules = *m_prelim.infModules;
    // A box that cannot be changed stays clear: the library has nothing to include.
    if (!interfacesBoxEnabled) includeInterfaces = false;
    if (!modulesBoxEnabled) includeModules = false;
}

DatFileDescription WizardSession::DescribeSelectedDatFile()
{
    DatFileDescription description = DescribeDatFile(m_places.modelsFolder, selectedDatFile);
    libDescText = description.text;
    includeInterfaces = description.interfaces;
    includeModules = description.modules;
    return description;
}

bool WizardSession::MakeOrLoadDataFile(ProgressSink& progress)
{
    std::string path, key;
    // The lists of a file just made come from its rows, not from reading it back.
    std::optional<ModelLists> made;
    if (action != WizardAction::LoadDataFile) {
        path = Trim(libraryText);
        if (path.empty()) {
            m_prompt.Tell("You must first choose an object library.", PromptIcon::Exclamation);
            return false;
        }
        // A double click reaches here without the button: a library without
        // objects makes no model.
        if (m_prelim.result == PrelimResult::NoObjects && !m_makeDatEnabled) {
            m_prompt.Tell("This library has no objects", PromptIcon::Exclamation);
            return false;
        }
        key = GetBaseName(path);
        std::string resource = ResourceNumberAcceptable(Trim(resourceNumber)) ? ResourceOrOne(resourceNumber) : "1";

        // Two libraries of one base name share the model's files: replacing
        // the model of another library is asked first.
        const std::filesystem::path existing = ModelFile(m_places.modelsFolder, key, kDatExtension);
        if (FileExists(existing)) {
            auto origin = ReadDatOrigin(existing);
            if (origin && (!SameLibraryFile(origin->path, path) || ResourceOrOne(origin->resource) != resource)) {
                const std::string was =
                    origin->path + (ResourceOrOne(origin->resource) == "1" ? "" : "\\" + origin->resource);
                const std::string now = path + (resource == "1" ? "" : "\\" + resource);
                const PromptAnswer answer = m_prompt.Ask(PromptMessage{
                    "The model " + key + " was made from " + was + ". Replace it with a model of " + now + "?",
                    PromptIcon::Question,
                    PromptButtons::YesNo,
                    PromptAnswer::No,
                    {}});
                if (answer != PromptAnswer::Yes) return false;
            }
        }

        ExtractOptions options;
        options.inclInterfaces = includeInterfaces;
        options.inclModules = includeModules;
        options.modelsFolder = m_places.modelsFolder;
        options.errorLog = m_places.errorLog;
        options.load = m_places.load;
        options.keepRows = true;
        ExtractionResult extracted = ExtractFromTypeLib(path, resource, options, progress, m_prompt);
        if (!extracted.ok) {
            // The extraction showed why; the previous DAT file is as it was.
            InitializeWizard(WizardStage::Start);
            m_libraryPath.clear();
            m_libraryFileName.clear();
            m_modelKey.clear();
            alertText = "Error";
            return false;
        }
        resourceNumber = resource;
        if (extracted.rows) made = ModelListsFromRows(*extracted.rows);
    } else {
        key = selectedDatFile;
        if (key.empty()) {
            m_prompt.Tell("Please choose a data file to load.", PromptIcon::Exclamation);
            return false;
        }
    }

    const std::filesystem::path datFile = ModelFile(m_places.modelsFolder, key, kDatExtension);
    auto origin = ReadDatOrigin(datFile);
    if (!origin) {
        ReportError("MakeOrLoadDataFile", origin.error());
        return false;
    }
    if (action == WizardAction::LoadDataFile) {
        path = datFile.filename().string();
        m_libraryFileName = origin->library;
    } else {
        m_libraryFileName = GetFileNamePart(path);
    }
    m_libraryPath = path;
    m_modelKey = key;
    // The boxes say what the data file holds, so the settings saved with
    // the model describe it.
    resourceNumber = ResourceOrOne(origin->resource);
    includeInterfaces = origin->interfaces;
    includeModules = origin->modules;

    InitializeWizard(WizardStage::Start);
    FillCategoriesList();
    settings.modelName = GetBaseName(m_libraryFileName);
    const std::filesystem::path infFile = InfFile();
    std::optional<InfData> inf;
    if (FileExists(infFile)) {
        auto read = GetInfData(infFile);
        if (read)
            inf = std::move(*read);
        else
            ReportError("GetInfData", read.error());
    }
    if (inf) ApplyInfSettings(*inf);
    GetOMDData(std::move(made));
    if (inf) ApplyListSettings(*inf);

    EnableTabs(true);
    m_deleteEnabled = true;
    alertText = std::string("DAT file created successfully\n") +
                (inf ? "Existing INF file loaded" : "No existing INF file to load");
    InitializeWizard(WizardStage::DataFileMade);
    return true;
}

void WizardSession::ApplyInfSettings(const InfData& inf)
{
    const std::string libraryName = settings.modelName;
    settings.modelName = Trim(inf.modelName).empty() ? libraryName : Trim(inf.modelName);
    settings.category = inf.category;
    settings.topOnlyOnce = inf.topOnlyOnce;
    settings.topIsCustom = inf.topIsCustom;
    settings.builtInTopObject = inf.builtInTopObject;
    settings.customTopObject = inf.customTopObject;
    settings.connectToTop = inf.connectToTop;
    settings.makeEventsObject = inf.makeEventsObject;
    settings.makeControlsObject = inf.makeControlsObject;
    settings.globalObject = inf.globalObject;
    settings.customObjects = inf.customObjects;
    settings.edges = inf.edges;
    edgeCountText = "Edges: " + std::to_string(settings.edges.size());
}

WizardSession::MakeModelOutcome WizardSession::MakeModelCommand(ProgressSink& progress)
{
    MakeModelOutcome outcome;
    auto refuse = [&](std::string text, int tab) {
        m_prompt.Tell(std::move(text), PromptIcon::Exclamation);
        outcome.showTab = tab;
        return outcome;
    };
    if (m_libraryPath.empty()) return refuse("You must first choose an object library.", 0);
    if (settings.modelName.empty()) return refuse("Please choose a name and category for the model.", 1);
    if (settings.category.empty()) return refuse("Please choose a menu category for the model.", 1);
    if (Trim(settings.topIsCustom ? settings.customTopObject : settings.builtInTopObject).empty())
        return refuse("Please choose a top object for the model. For help on this, click the Help button.", 2);

    progress.Caption("Making model ...");
    progress.Yield();
    InfData data = SettingsToSave();
    auto made = MakeModel(DatFile(), InfFile(), data, m_places.compact);
    if (!made) {
        // The model's files are as they were; the wizard stays where it was.
        const Error& error = made.error();
        constexpr std::string_view kSaving = "SaveDataToINF: ";
        if (error.description.starts_with(kSaving))
            ReportError("SaveDataToINF", Error{error.domain, error.code, error.description.substr(kSaving.size())});
        else
            ReportError("MakeModel", error);
        return outcome;
    }
    outcome.made = true;
    // The fields show what was saved (a name or category filled in).
    settings.modelName = data.modelName;
    settings.category = data.category;
    resourceNumber = data.resourceNumber;
    GetOMDData();
    ApplyListSettings(data);

    inColumnShown = false;
    hiddenMissing = visibleMissing = 0;
    missingObjectsText.clear();
    if (m_host.ShowModel(m_modelKey)) {
        FillInModelList(m_host.TreeObjectKeys());
    } else {
        m_prompt.Tell(
            "ARL cannot display the model with the currently available information. However, this does not "
            "affect the use of the wizard. (ShowModel code 2)",
            PromptIcon::Information);
    }
    InitializeWizard(WizardStage::ModelMade);
    return outcome;
}

void WizardSession::DeleteModel()
{
    if (m_modelKey.empty()) return;
    const PromptAnswer answer = m_prompt.Ask(PromptMessage{"Delete this model (both DAT and INF files)?",
                                                           PromptIcon::Question,
                                                           PromptButtons::YesNo,
                                                           PromptAnswer::No,
                                                           {}});
    if (answer != PromptAnswer::Yes) return;
    for (const std::filesystem::path& file : {DatFile(), InfFile()}) {
        std::error_code ec;
        if (!std::filesystem::remove(file, ec) && ec) {
            ReportError("DeleteModel",
                        Error::FileSystem(ec.value(), "cannot delete " + file.string() + ": " + ec.message()));
            return;
        }
    }
    // The main window lets go of this model only: another model it shows stays.
    if (EqualsNoCase(m_host.CurrentModelKey(), m_modelKey)) m_host.ClearModel();
    m_deleteEnabled = false;
    EnableTabs(false);
}

void WizardSession::Restore()
{
    const std::filesystem::path copy = ModelFile(m_places.backupFolder, m_modelKey, kInfExtension);
    if (m_modelKey.empty() || !FileExists(copy)) return;
    const PromptAnswer answer = m_prompt.Ask(PromptMessage{
        "Do you want to restore all Wizard settings to their values when ARL was installed? If so, you will lose "
        "all changes to these settings?",
        PromptIcon::Question,
        PromptButtons::YesNo,
        PromptAnswer::No,
        {}});
    if (answer != PromptAnswer::Yes) return;

    // Read whole, then written over the model's INF file in one replacing step.
    std::ifstream in(copy, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        ReportError("Restore", Error::FileSystem(EIO, "cannot read " + copy.string()));
        return;
    }
    const std::filesystem::path infFile = InfFile();
    if (auto written = WriteFileAtomically(infFile, bytes); !written) {
        ReportError("Restore", written.error());
        return;
    }
    auto inf = GetInfData(infFile);
    if (!inf) {
        ReportError("GetInfData", inf.error());
        return;
    }
    settings.modelName = GetBaseName(m_libraryFileName);
    ApplyInfSettings(*inf);
    if (!lists.hasGlobal) settings.globalObject = false;
    ApplyListSettings(*inf);
    m_prompt.Tell("INF settings are restored. Click Make Model button to make a model with the restored settings.",
                  PromptIcon::Information);
}

std::string WizardSession::InstructionText(int tab, bool atOpening)
{
    switch (tab) {
        case 0:
            return std::string(atOpening ? "(1) Choose" : "(1) Highlight") +
                   " a library by browsing, searching or reading the registry or (2) load an existing DAT file."
                   " Hit the Tips button for help locating a library."
                   " Then click the Make/Load Data File button at the bottom (or double click the item)."
                   " Note that this fills the right-hand list with all objects in the library."
                   " If successful, go to the next tab.";
        case 1:
            return "Enter a model name. We suggest the name of the application, as in Word 8 for mswrd8.olb."
                   " Then choose a model category to be used in the Open Model dialog. Then go to the next tab.";
        case 2:
            return "Choose a built-in top object for the model OR enter a custom top object"
                   " and connect some real objects to it."
                   " This is the key step in the model creation process, and"
                   " you may need to experiment a bit (or check the documentation)."
                   " For more on this, click the Help button."
                   " When done, click the Make Model button to make the model."
                   " Note that the right-hand list now shows which objects are in the model."
                   " Then go to the next tab.";
        case 3:
            return "See the instructions on the tab itself. When done, click the Make Model button to remake the "
                   "model if desired or go to the next tab.";
        case 4:
            return "The list shows all edges that end in an object belonging to another object library."
                   " If you want to add any of these edges to the model, check the checkbox."
                   " Then click the Make Model button to remake the model if desired or go to the next tab.";
        case 5:
            return "Use this tab to add custom objects to the model (although this is generally not necessary)."
                   " Note that custom objects will not appear in the Wizard until you create the model again."
                   " Also, you will need to add some edges to incorporate these objects into the model."
                   " (This is done from the Edges tab.)"
                   " When done, click the Make Model button to remake the model if desired or go to the next tab.";
        case 6:
            return "This tab shows the collection status of all objects. The 2nd and 3rd columns show the values"
                   " as reported by ARL. The remaining columns show any changes to these values."
                   " To make a change, choose the object and click a button."
                   " You will be prompted for any necessary information.";
        case 7:
            return "The upper list shows functions with return type Object or Variant."
                   " These functions WOULD contribute edges to the model IF their return types were not generic."
                   " Hence, you may want to create some edges to compensate."
                   " For examples and more information, click the Help button."
                   " To create edges, select the parents and children and click the down arrow button."
                   " ARL will create one edge for EACH combination of parent and child. Note that you can also add "
                   "a label to the edges."
                   " When done, click the Make Model button to remake the model if desired.";
        default:
            return {};
    }
}

int WizardSession::HelpContext(int tab)
{
    return tab >= 1 && tab <= 7 ? tab + 5 : 1;
}

}  // namespace arbolith
