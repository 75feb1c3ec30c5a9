// SPDX-License-Identifier: MIT
#include "browser/object_browser.h"

#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/text_encoding.h"
#include "store/dat_schema.h"
#include "store/inf_file.h"

#include <algorithm>

namespace arbolith::browser {

namespace fs = std::filesystem;

namespace {

std::string WithoutSpaces(std::string_view text)
{
    std::string out;
    for (const char c : text)
        if (c != ' ') out += c;
    return out;
}

}  // namespace

std::string ModelBaseName(const fs::path& modelsFolder, std::string_view libraryName)
{
    std::string base = GetBaseName(libraryName);
    const std::string whole = GetFileNamePart(libraryName);
    // "a.b" may be a library file "a" with extension "b", or the key of the
    // model of library "a.b.olb": the key wins when only its files exist.
    if (whole != base && !FileExists(FindDatFile(modelsFolder, base)) &&
        (FileExists(FindDatFile(modelsFolder, whole)) ||
         FileExists(FindEntryNoCase(modelsFolder, whole + "." + std::string(kInfExtension)))))
        return whole;
    return base;
}

fs::path FindDatFile(const fs::path& modelsFolder, std::string_view baseName)
{
    const std::string extension = "." + std::string(kDatExtension);
    const fs::path packed = FindEntryNoCase(modelsFolder, WithoutSpaces(baseName) + extension);
    if (FileExists(packed) || baseName.find(' ') == std::string_view::npos) return packed;
    const fs::path spaced = FindEntryNoCase(modelsFolder, std::string(baseName) + extension);
    return FileExists(spaced) ? spaced : packed;
}

ObjectBrowser::ObjectBrowser(fs::path modelsFolder, Prompt& prompt, ProgressSink* progress)
    : m_modelsFolder(std::move(modelsFolder)), m_prompt(prompt), m_progress(progress)
{
}

void ObjectBrowser::Tell(std::string text, PromptIcon icon)
{
    m_prompt.Tell(std::move(text), icon);
}

Result<ActiveModelResult> ObjectBrowser::SetActiveModel(std::string_view libraryName)
{
    m_members.Close();
    CurrentModel m;
    auto result = ReadActiveModel(libraryName, m);
    m_current = std::move(m);
    return result;
}

Result<ActiveModelResult> ObjectBrowser::ReadActiveModel(std::string_view libraryName, CurrentModel& m)
{
    m = {};
    m.library = std::string(libraryName);
    m.baseName = ModelBaseName(m_modelsFolder, libraryName);
    m.datPath = FindDatFile(m_modelsFolder, m.baseName);
    m.infPath = FindEntryNoCase(m_modelsFolder, m.baseName + "." + std::string(kInfExtension));

    InfBrowseKeys keys;
    bool infRead = false;
    if (FileExists(m.infPath)) {
        if (auto read = ReadInfBrowseKeys(m.infPath)) {
            keys = std::move(*read);
            infRead = true;
        } else {
            Tell(IniFailureMessage("Error getting string from ", m.infPath, read.error()));
        }
    }
    m.modelName = keys.modelName;

    if (!FileExists(m.datPath)) {
        m.library.clear();
        return ActiveModelResult::DatMissing;
    }
    m.topObjectName = keys.topObjectName;
    m.topObjectKey = keys.topObjectKey.value_or(0);
    m.topOnlyOnce = keys.topOnlyOnce;
    m.showHidden = keys.showHidden;
    m.showExternal = keys.showExternal;

    auto libraryRow = ReadLibraryFacts(m.datPath);
    if (!libraryRow) {
        m.library.clear();
        return libraryRow.error();
    }
    // Model making always writes the key; without it (a damaged or hand-made
    // file) the tree would start at whatever object has key 0.
    if (infRead && !keys.topObjectKey)
        Tell("The INF file " + m.infPath.string() +
                 " does not say which object is the top of the model (TopObjectKey of section TopObject is "
                 "missing or not a number), so the tree starts at the object with key 0. Make the model again "
                 "with the Create Model Wizard to set the top object.",
             PromptIcon::Exclamation);
    m.libraryHelpFile = std::move(libraryRow->helpFile);
    m.libraryFile = std::move(libraryRow->file);
    m.libraryGuid = std::move(libraryRow->guid);
    m.libraryVersion = std::move(libraryRow->version);
    m.helpFile = Trim(keys.helpFile).empty() ? m.libraryHelpFile : keys.helpFile;
    return ActiveModelResult::Opened;
}

bool ObjectBrowser::LibraryMenuClicked(std::string_view libraryName)
{
    return OpenModel(libraryName, false);
}

bool ObjectBrowser::OpenAtStartup(std::string_view currentLibrary)
{
    return !currentLibrary.empty() && OpenModel(currentLibrary, true);
}

void ObjectBrowser::CloseModel()
{
    m_members.Close();
    m_current = {};
    m_model = {};
    m_seeds.clear();
    m_nodes.clear();
    m_flatTree = false;
    m_display = std::make_shared<const TreeDisplay>();
    m_displaySelection = -1;
    m_displayExpanded = 0;
}

bool ObjectBrowser::OpenModel(std::string_view libraryName, bool atStartUp)
{
    auto opened = SetActiveModel(libraryName);
    if (!opened) {
        Tell(MissingDatMessage() + "\n" + opened.error().description, PromptIcon::Critical);
        return false;
    }
    if (*opened == ActiveModelResult::DatMissing) {
        // At start-up a model whose files have gone is passed over quietly.
        if (!atStartUp) Tell(MissingDatMessage(), PromptIcon::Critical);
        return false;
    }
    const bool built = flatView ? CreateFlatModelNodes() : CreateModelNodes();
    DisplayTree();
    return built;
}

bool ObjectBrowser::FillArrays()
{
    if (auto filled = m_model.FillObjectsArray(m_current.datPath); !filled) {
        Tell("Error filling objects array for " + m_current.library + ". " + filled.error().description);
        return false;
    }
    ReadNonleafCounts(m_current.infPath, defaultDepth, m_model.objects);
    if (auto filled = m_model.FillEdgesArray(m_current.datPath); !filled) {
        Tell("Error A8: " + filled.error().description);
        return false;
    }
    TellUnlinkedEdges();
    return true;
}

void ObjectBrowser::TellUnlinkedEdges()
{
    if (const std::size_t unlinked = m_model.UnlinkedEdgeCount())
        Tell(std::to_string(unlinked) + " of the " + std::to_string(m_model.edges.size()) + " edges of " +
                 m_current.datPath.string() + " name no object of the model; the tree leaves them out.",
             PromptIcon::Exclamation);
}

bool ObjectBrowser::CreateModelNodes()
{
    m_nodes.clear();
    m_seeds.clear();
    m_flatTree = false;
    if (!FillArrays()) return false;
    const auto top = m_model.PositionOfKey(m_current.topObjectKey);
    if (!top) {
        Tell("Error creating library nodes. The top object key " + std::to_string(m_current.topObjectKey) +
             " names no object of the model (it has " + std::to_string(m_model.objects.size()) + " objects).");
        return false;
    }
    m_seeds = {RootSeed(m_model, *top)};
    return CreateNodes(kMaxLevel, false);  // FillArrays has just read the branch counts
}

bool ObjectBrowser::CreateFlatModelNodes()
{
    m_nodes.clear();
    m_seeds.clear();
    if (!FillArrays()) return false;
    m_nodes = CreateFlatNodes(m_model);
    m_seeds = {m_nodes.front()};
    m_flatTree = true;
    return true;
}

bool ObjectBrowser::CreateNodes(std::int32_t maxLevel, bool readCounts)
{
    if (readCounts) ReadNonleafCounts(m_current.infPath, defaultDepth, m_model.objects);
    const BuildRules rules{m_current.topObjectName, m_current.topOnlyOnce, m_current.showHidden,
                           m_current.showExternal};
    if (auto built = browser::CreateNodes(m_model, m_seeds, maxLevel, rules, m_nodes, m_progress); !built) {
        Tell("Error A7: " + built.error().description);
        return false;
    }
    return true;
}

void ObjectBrowser::DisplayTree(std::optional<std::int32_t> levelCount)
{
    m_viewExpanded.reset();
    // An empty node array shows an empty tree rather than the last one, whose
    // nodes would no longer match the array.
    m_display = std::make_shared<const TreeDisplay>(
        TreeDisplay::Build(m_model, m_nodes, m_seeds.size(), switches, LabelStyle::Display));
    const auto count = static_cast<std::int32_t>(m_nodes.size());
    m_displayExpanded = std::clamp(levelCount.value_or(1), std::int32_t{1}, std::max(count, 1));
    m_displaySelection = count == 0 ? -1 : m_displayExpanded - 1;
    if (count == 0) m_displayExpanded = 0;
}

std::vector<std::int32_t> ObjectBrowser::DisplayExpanded() const
{
    if (m_viewExpanded) return *m_viewExpanded;
    std::vector<std::int32_t> nodes(static_cast<std::size_t>(m_displayExpanded));
    for (std::int32_t i = 0; i < m_displayExpanded; ++i) nodes[static_cast<std::size_t>(i)] = i;
    return nodes;
}

std::string ObjectBrowser::NodesCaption() const
{
    return browser::NodesCaption(m_nodes.size(), m_current.showHidden, m_current.showExternal);
}

TreeChange ObjectBrowser::SwitchToGlobalView()
{
    if (m_nodes.empty()) return TreeChange::None;
    if (m_flatTree) {
        // The flat tree's root stands for no object; its global view is the
        // whole flat tree again.
        m_nodes = CreateFlatNodes(m_model);
        m_seeds = {m_nodes.front()};
    } else {
        NodeRecord root = m_nodes.front();
        root.parent = -1;
        m_seeds = {root};
        CreateNodes(kMaxLevel, true);
    }
    DisplayTree();
    return TreeChange::Rebuilt;
}

TreeChange ObjectBrowser::SwitchToLocalView(std::optional<std::int32_t> selected)
{
    if (!selected || *selected < 0 || static_cast<std::size_t>(*selected) >= m_nodes.size()) return TreeChange::None;
    // The path from the selected node up to the root; parents always come
    // before their children, and the depth cap bounds its length.
    std::vector<NodeRecord> path;
    for (std::int32_t at = *selected; path.size() <= static_cast<std::size_t>(kMaxLevel);) {
        const NodeRecord& node = m_nodes[static_cast<std::size_t>(at)];
        path.push_back(node);
        if (at == 0 || node.parent < 0 || node.parent >= at) break;
        at = node.parent;
    }
    std::reverse(path.begin(), path.end());
    for (std::size_t k = 0; k < path.size(); ++k) {
        path[k].parent = static_cast<std::int32_t>(k) - 1;
    }
    m_seeds = std::move(path);
    CreateNodes(kMaxLevel, true);
    DisplayTree(static_cast<std::int32_t>(m_seeds.size()));
    return TreeChange::Rebuilt;
}

TreeChange ObjectBrowser::RefreshTree()
{
    if (m_seeds.empty()) return TreeChange::None;
    const auto last = static_cast<std::int32_t>(m_seeds.size()) - 1;
    if (static_cast<std::size_t>(last) >= m_nodes.size()) return TreeChange::None;
    return SwitchToLocalView(last);
}

Result<ViewFile> ObjectBrowser::CurrentView(std::vector<bool> expanded) const
{
    if (!m_current.IsOpen() || m_seeds.empty()) return Error::Model("no model is open");
    if (m_flatTree) return Error::Model("the flat tree cannot be saved as a view");
    ViewFile view;
    view.modelKey = m_current.baseName;
    view.branchLimits.reserve(m_model.objects.size());
    for (const ObjectRecord& o : m_model.objects) view.branchLimits.push_back(o.branchLimit);
    view.seeds.reserve(m_seeds.size());
    for (std::size_t k = 0; k < m_seeds.size(); ++k)
        view.seeds.push_back(MakeViewSeed(m_model, m_seeds[k], static_cast<std::int32_t>(k)));
    expanded.resize(m_nodes.size());
    view.expanded = std::move(expanded);
    return view;
}

Result<TreeChange> ObjectBrowser::LoadView(const ViewFile& view)
{
    if (view.seeds.empty() || view.seeds.size() > kMaxViewSeeds)
        return Error::Model("a view holds 1 to " + std::to_string(kMaxViewSeeds) + " seeds, this one " +
                            std::to_string(view.seeds.size()));
    // Everything is read and checked before the current model is replaced.
    CurrentModel next;
    auto opened = ReadActiveModel(view.modelKey, next);
    if (!opened) return opened.error();
    if (*opened == ActiveModelResult::DatMissing) {
        Tell("The file " + next.datPath.string() + " for " + next.modelName +
                 " is missing or corrupted. Please recreate the object model by choosing New Library from the "
                 "Model menu.",
             PromptIcon::Critical);
        return TreeChange::None;
    }
    ObjectModel model;
    if (auto filled = model.FillObjectsArray(next.datPath); !filled) return filled.error();
    ReadNonleafCounts(next.infPath, defaultDepth, model.objects);
    if (auto filled = model.FillEdgesArray(next.datPath); !filled) return filled.error();
    auto seeds = ViewSeedNodes(model, view.seeds);
    if (!seeds) return seeds.error();
    ApplyViewBranchLimits(view.branchLimits, model.objects);

    m_members.Close();
    m_current = std::move(next);
    m_model = std::move(model);
    m_seeds = std::move(*seeds);
    m_flatTree = false;
    TellUnlinkedEdges();
    CreateNodes(kMaxLevel, false);  // the stored branch limits, not the INF file's
    DisplayTree(static_cast<std::int32_t>(m_seeds.size()));
    std::vector<std::int32_t> open;
    const std::size_t n = std::min(view.expanded.size(), m_nodes.size());
    for (std::size_t i = 0; i < n; ++i)
        if (view.expanded[i]) open.push_back(static_cast<std::int32_t>(i));
    m_viewExpanded = std::move(open);
    return TreeChange::Rebuilt;
}

TreeChange ObjectBrowser::Relabel()
{
    if (m_nodes.empty()) return TreeChange::None;
    m_display = std::make_shared<const TreeDisplay>(
        TreeDisplay::Build(m_model, m_nodes, m_seeds.size(), switches, LabelStyle::Relabel));
    return TreeChange::Relabelled;
}

TreeChange ObjectBrowser::ToggleDisplay(bool& value, std::string_view state)
{
    if (state == "On")
        value = true;
    else if (state == "Off")
        value = false;
    else
        value = !value;
    return Relabel();
}

TreeChange ObjectBrowser::ToggleShowMember(std::string_view state)
{
    return ToggleDisplay(switches.showMember, state);
}
TreeChange ObjectBrowser::ToggleShowChildCount(std::string_view state)
{
    return ToggleDisplay(switches.showChildCount, state);
}
TreeChange ObjectBrowser::ToggleShowFlags(std::string_view state)
{
    return ToggleDisplay(switches.showFlags, state);
}
TreeChange ObjectBrowser::ToggleShowOrigin(std::string_view state)
{
    return ToggleDisplay(switches.showOrigin, state);
}

TreeChange ObjectBrowser::ToggleModelSetting(bool& value, bool hidden)
{
    if (m_flatTree) {
        Tell("This feature not available when viewing a flat tree.", PromptIcon::Information);
        return TreeChange::None;
    }
    if (!m_current.IsOpen()) return TreeChange::None;
    value = !value;
    auto written =
        hidden ? WriteInfShowHidden(m_current.infPath, value) : WriteInfShowExternal(m_current.infPath, value);
    if (!written) Tell(IniFailureMessage("Error writing boolean to ", m_current.infPath, written.error()));
    CreateModelNodes();
    DisplayTree();
    return TreeChange::Rebuilt;
}

TreeChange ObjectBrowser::ToggleShowHidden()
{
    return ToggleModelSetting(m_current.showHidden, true);
}
TreeChange ObjectBrowser::ToggleShowExternal()
{
    return ToggleModelSetting(m_current.showExternal, false);
}

std::optional<ExpandLevels> ObjectBrowser::AskExpandLevels()
{
    const auto answer = m_prompt.Input(std::string(kExpandLevelsQuestion), {}, {});
    return answer ? ParseExpandLevels(*answer) : std::nullopt;
}

std::optional<ObjectBrowser::ObjectClick> ObjectBrowser::ObjectNodeClicked(std::int32_t node)
{
    if (node < 0 || static_cast<std::size_t>(node) >= m_nodes.size()) return std::nullopt;
    ObjectClick click;
    if (const ObjectRecord* o = NodeObject(m_model, m_nodes[static_cast<std::size_t>(node)])) {
        auto panes = m_members.Read(m_current.datPath, o->key, o->defaultName);
        if (!panes) {
            Tell("Error displaying members. " + panes.error().description);
            return std::nullopt;
        }
        click.panes = std::move(*panes);
    } else {
        // The flat view's root stands for no object and has no members.
        SetMemberCaptions(click.panes, "");
    }
    click.status = ObjectStatusText(m_model, m_nodes, node);
    return click;
}

std::string ObjectBrowser::WindowCaption(std::string_view programTitle) const
{
    return m_current.modelName + " - " + std::string(programTitle);
}

// The path as it is: on a file system that tells case apart, a path in
// capitals would name a file that is not there.
std::string ObjectBrowser::MissingDatMessage() const
{
    return "The file " + m_current.datPath.string() + " for " + m_current.modelName +
           " is missing or corrupted. Please recreate the object model from the type library using the Create "
           "Model Wizard under the File menu.";
}

}  // namespace arbolith::browser
