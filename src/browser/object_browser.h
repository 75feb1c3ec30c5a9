// SPDX-License-Identifier: MIT
// The main window's work on an open model, without the window: which model
// is current, its object graph in memory, the tree unrolled from it, the
// Tree menu's commands and what a click on a node shows. The window binds
// Display() to trvObjects through ObjectTreeModel, the member panes to
// trvProps and trvMethods, and routes every message through the Prompt.
//
// Commands report what became of the tree (TreeChange) so the window knows
// whether to reset its view or only to repaint labels.
#pragma once

#include "browser/member_panes.h"
#include "browser/object_model.h"
#include "browser/tree_builder.h"
#include "browser/tree_display.h"
#include "browser/views.h"
#include "platform/progress.h"
#include "platform/prompt.h"
#include "platform/result.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith::browser {

// The current model: names and files, and the settings read from its INF file.
struct CurrentModel {
    std::string library;  // the name it was opened by; "" when no model is open
    std::string baseName;
    std::filesystem::path datPath;  // set by every opening, successful or not
    std::filesystem::path infPath;
    std::string modelName;
    std::string topObjectName;
    std::int32_t topObjectKey = 0;
    bool topOnlyOnce = false;
    bool showHidden = true;
    bool showExternal = true;
    std::string libraryHelpFile;  // Library.TL_HelpFile
    std::string libraryFile;      // Library.FQLibName: where the library was read from
    std::string libraryGuid;      // Library.TL_GUID
    std::string libraryVersion;   // Library.TL_Version
    std::string helpFile;         // INF HelpFile, else the library's

    bool IsOpen() const { return !library.empty(); }
};

enum class ActiveModelResult { Opened = 0, DatMissing = 2 };
enum class TreeChange { None, Rebuilt, Relabelled };

// The DAT file of a model base name in the models folder. The name is formed
// without spaces; extraction names the file with them, so when no file
// without spaces exists, the name with spaces is used when that file exists.
std::filesystem::path FindDatFile(const std::filesystem::path& modelsFolder, std::string_view baseName);
// The model base name of a library path, library file name or model key:
// the file name without its last extension ("C:\X\a.b.olb" gives "a.b"),
// except that a model key with a point in it ("a.b") stays whole when the
// models folder has that model and none of the shorter name.
std::string ModelBaseName(const std::filesystem::path& modelsFolder, std::string_view libraryName);

class ObjectBrowser {
public:
    ObjectBrowser(std::filesystem::path modelsFolder, Prompt& prompt, ProgressSink* progress = nullptr);

    // Program settings the window loads from and saves to ZV.INI.
    std::int32_t defaultDepth = 6;
    DisplaySwitches switches;
    // Set by the Open Model dialog: the next opening builds the flat tree.
    bool flatView = false;

    const CurrentModel& Current() const { return m_current; }
    const ObjectModel& Model() const { return m_model; }
    std::span<const NodeRecord> Nodes() const { return m_nodes; }
    std::size_t SeedCount() const { return m_seeds.size(); }
    bool IsFlatTree() const { return m_flatTree; }

    // Opening. SetActiveModel makes a model current and reads its settings;
    // an engine failure (a damaged DAT file) is returned, the model is then
    // not current. An INF file that does not name the top object is reported.
    Result<ActiveModelResult> SetActiveModel(std::string_view libraryName);
    // The one way a model is opened, by the window and the command line
    // alike: makes it current, builds its tree (the flat one when flatView
    // is set) and forms the display. A missing or damaged DAT file is
    // reported, except that at start-up (`atStartUp`) a missing one is
    // passed over silently. True when the tree was built.
    bool OpenModel(std::string_view libraryName, bool atStartUp);
    // OpenModel from the Models menu, and at start-up with the previous
    // run's model ("" opens nothing).
    bool LibraryMenuClicked(std::string_view libraryName);
    bool OpenAtStartup(std::string_view currentLibrary);
    // Forgets the current model and its tree (its files were deleted).
    void CloseModel();

    // Building. Each returns false after telling the user why it stopped;
    // the nodes built so far stay.
    bool CreateModelNodes();
    bool CreateFlatModelNodes();
    bool CreateNodes(std::int32_t maxLevel, bool readCounts);

    // Forms the display of the node array. With a level count, the first
    // that many nodes are expanded and the last of them selected; else the
    // root is expanded and selected.
    void DisplayTree(std::optional<std::int32_t> levelCount = std::nullopt);
    const TreeDisplay& Display() const { return *m_display; }
    // The same, to hand to ObjectTreeModel, which keeps it while shown.
    std::shared_ptr<const TreeDisplay> SharedDisplay() const { return m_display; }
    std::int32_t DisplaySelection() const { return m_displaySelection; }
    // The nodes to expand after a display, in order.
    std::vector<std::int32_t> DisplayExpanded() const;
    std::string NodesCaption() const;

    // Views.
    TreeChange SwitchToGlobalView();
    TreeChange SwitchToLocalView(std::optional<std::int32_t> selected);
    TreeChange RefreshTree();

    // Saved views. CurrentView is what Save View writes: the model, the
    // branch limits, the seeds and `expanded` (per node, in node order, as
    // the window shows them). The flat tree has no view.
    Result<ViewFile> CurrentView(std::vector<bool> expanded) const;
    // Opens the view's model and builds its tree from the stored seeds and
    // branch limits. The file is checked against the model first: on any
    // failure (returned) the open model and its tree stay as they were. A
    // model whose DAT file is missing is told about here and changes
    // nothing (TreeChange::None). After a load, DisplayExpanded() lists the
    // nodes the view had expanded.
    Result<TreeChange> LoadView(const ViewFile& view);

    // "On", "Off", or anything else to flip; the tree is relabelled.
    TreeChange ToggleShowMember(std::string_view state = {});
    TreeChange ToggleShowChildCount(std::string_view state = {});
    TreeChange ToggleShowFlags(std::string_view state = {});
    TreeChange ToggleShowOrigin(std::string_view state = {});
    // Flips the model's setting, keeps it in its INF file and rebuilds.
    TreeChange ToggleShowHidden();
    TreeChange ToggleShowExternal();

    // Asks the Expand Levels question through the prompt.
    std::optional<ExpandLevels> AskExpandLevels();

    // A click on a node of the object tree: the member panes and the status
    // text, or nothing after a message.
    struct ObjectClick {
        MemberPanes panes;
        std::string status;
    };
    std::optional<ObjectClick> ObjectNodeClicked(std::int32_t node);

    // "<model name> - <title>".
    std::string WindowCaption(std::string_view programTitle) const;
    // What the user is told when the current model's DAT file is missing or
    // damaged.
    std::string MissingDatMessage() const;

private:
    void Tell(std::string text, PromptIcon icon = PromptIcon::None);
    // SetActiveModel without making the model current: fills `m`.
    Result<ActiveModelResult> ReadActiveModel(std::string_view libraryName, CurrentModel& m);
    void TellUnlinkedEdges();
    bool FillArrays();
    TreeChange Relabel();
    TreeChange ToggleDisplay(bool& value, std::string_view state);
    TreeChange ToggleModelSetting(bool& value, bool hidden);

    std::filesystem::path m_modelsFolder;
    Prompt& m_prompt;
    ProgressSink* m_progress;
    MemberSource m_members;

    CurrentModel m_current;
    ObjectModel m_model;
    std::vector<NodeRecord> m_seeds;
    std::vector<NodeRecord> m_nodes;
    bool m_flatTree = false;
    std::shared_ptr<const TreeDisplay> m_display = std::make_shared<const TreeDisplay>();
    std::int32_t m_displaySelection = -1;
    std::int32_t m_displayExpanded = 0;
    // Set by LoadView after its display: the nodes the view had expanded.
    std::optional<std::vector<std::int32_t>> m_viewExpanded;
};

}  // namespace arbolith::browser
