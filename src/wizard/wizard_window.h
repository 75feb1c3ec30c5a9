// SPDX-License-Identifier: MIT
// The Create Model Wizard's window, frmWizard: the eight tabs, the model
// list beside them and the buttons below, over a WizardSession that holds
// every state and command. The window copies what the user typed into the
// session before a command and shows the session's state after it. Long
// work (making or loading a DAT file, making the model, the search for
// libraries) runs on a worker thread while the window stays responsive.
#pragma once

#include "dialogs/background_task.h"
#include "wizard/library_discovery.h"
#include "wizard/wizard_session.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTabWidget;
class QTreeView;
class QTreeWidget;

namespace arbolith {

// Every named control; each widget's objectName is its name here (an array
// element "optAction" index 2 is named "optAction2").
struct WizardControls {
    QTabWidget* tabWizard = nullptr;
    QLabel* lblStep = nullptr;
    QPlainTextEdit* txtStatus = nullptr;
    std::array<QRadioButton*, 2> optShowEdges{};  // "Objects", "Edges"
    QStackedWidget* modelLists = nullptr;
    QTreeWidget* lvInModel = nullptr;
    QTreeWidget* lvAllEdges = nullptr;
    QLabel* lblMissingObjects = nullptr;
    QPushButton *cmdRestore = nullptr, *cmdDelete = nullptr, *cmdHelp = nullptr, *cmdClose = nullptr,
                *cmdMakeModel = nullptr;
    QProgressBar* prgBusy = nullptr;  // shown while long work runs
    QLabel* lblBusy = nullptr;        // that work's latest caption

    // Tab 0.
    std::array<QRadioButton*, 4> optAction{};  // Browse, Search, Load Data File, Registry
    QStackedWidget* fraActions = nullptr;      // shows fraAction[action]
    std::array<QWidget*, 4> fraAction{};
    QComboBox* drvBrowse = nullptr;
    QTreeView* dirBrowse = nullptr;
    QListWidget* fileBrowse = nullptr;
    std::array<QRadioButton*, 3> optShowType{};  // "all", "libs, execs", "libs"
    QComboBox* drvSearch = nullptr;
    QPushButton* cmdSearch = nullptr;
    QLabel* lblSearchProgress = nullptr;
    QTreeWidget* lvLibrarySearch = nullptr;
    QLabel* lblSearch = nullptr;
    QListWidget* lstDatFiles = nullptr;
    QLineEdit* txtDatFileModel = nullptr;
    QPushButton* cmdGetRegValues = nullptr;
    QTreeWidget* lvRefs = nullptr;
    QLabel* lblRegistryNote = nullptr;
    QLineEdit* txtLibrary = nullptr;
    QLabel* lblLibDesc = nullptr;
    QLabel* lblAlert = nullptr;
    QCheckBox *chkInterfaces = nullptr, *chkModules = nullptr;
    QLineEdit* txtResourceNumber = nullptr;
    QPushButton *cmdMakeDat = nullptr, *cmdTips = nullptr;

    // Tab 1.
    QLineEdit *txtModelName = nullptr, *txtCategory = nullptr;
    QListWidget* lstCategories = nullptr;
    // Tab 2.
    std::array<QRadioButton*, 2> optTopType{};  // "Built-in top", "Custom top"
    QGroupBox *fraBuiltInTop = nullptr, *fraCustomTop = nullptr;
    QListWidget* lstProlific = nullptr;
    QLineEdit *txtBuiltInTop = nullptr, *txtCustomTop = nullptr;
    QListWidget* lstConnectToTop = nullptr;
    QPushButton *cmdConnectAll = nullptr, *cmdConnectNone = nullptr;
    QLineEdit* txtConnectToTop = nullptr;
    QCheckBox* chkTopOnlyOnce = nullptr;
    // Tab 3.
    QLabel *lblEvents = nullptr, *lblControls = nullptr;
    QCheckBox *chkMakeEventsObject = nullptr, *chkMakeControlsObject = nullptr, *chkGlobal = nullptr;
    // Tab 4.
    QTreeWidget* lvExternalEdges = nullptr;
    // Tab 5.
    QTreeWidget* lvCustomObjects = nullptr;
    QPushButton *cmdAddObject = nullptr, *cmdEditObject = nullptr, *cmdDeleteObject = nullptr;
    // Tab 6.
    QTreeWidget* lvCollections = nullptr;
    QPushButton *cmdCollections = nullptr, *cmdNoncollections = nullptr, *cmdRestoreSelected = nullptr,
                *cmdRestoreAll = nullptr;
    // Tab 7.
    QTreeWidget* lvReturnTypeObj = nullptr;
    std::array<QPushButton*, 2> cmdExpandList{};  // enlarge the upper list, shrink it back
    QWidget* fraEdgeMaking = nullptr;             // everything below the upper list
    QTreeWidget *lvParents = nullptr, *lvChildren = nullptr, *lvEdges = nullptr;
    QPushButton* cmdConnectEdge = nullptr;
    std::array<QRadioButton*, 5> optEdgeName{};  // none, parent, child, prompt each, prompt once
    QLabel* lblEdgeCount = nullptr;
    QPushButton *cmdDeleteEdges = nullptr, *cmdClearEdges = nullptr;
};

class frmWizard : public QWidget {
public:
    // `prompt` shows the wizard's message boxes (on the window's thread, also
    // for questions asked while work runs on a worker); `host` is the main
    // window; `showHelp` opens the wizard's help at a context number.
    frmWizard(WizardPlaces places, Prompt& prompt, WizardHost& host, std::function<void(int helpContext)> showHelp,
              QWidget* parent = nullptr);
    ~frmWizard() override;

    const WizardControls& Controls() const { return m_ui; }
    WizardSession& Session() { return *m_session; }
    // Tab 0 with `path` chosen as a pick in the Browse list would choose it
    // (resource 0: the number in the resource box), its folder shown there.
    void ChooseLibraryFile(const std::string& path, std::uint32_t resource);
    // True while a DAT file or the model is being made on the worker thread.
    bool IsBusy() const { return m_busy; }
    bool IsSearching() const { return m_search.IsRunning(); }
    // Serves events until no work and no search runs (tests, closing).
    bool WaitUntilIdle(int timeoutMs = -1);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Construction, one part of the window each.
    void CreateControls();
    QWidget* CreateLibraryTab();
    QWidget* CreateBrowseFrame();
    QWidget* CreateSearchFrame();
    QWidget* CreateDatFrame();
    QWidget* CreateRegistryFrame();
    QWidget* CreateModelTab();
    QWidget* CreateTopTab();
    QWidget* CreateSpecialTab();
    QWidget* CreateExternalEdgesTab();
    QWidget* CreateCustomObjectsTab();
    QWidget* CreateCollectionsTab();
    QWidget* CreateEdgesTab();
    void ConnectLibraryTab();
    void ConnectSettingsTabs();
    void Open();

    // Widgets into the session, and the session into the widgets.
    void ReadControls();
    void ShowState();       // captions, enabling, scalar fields
    void ShowLibraryTab();  // tab 0's labels and boxes
    void ShowSettings();    // tabs 1-3's fields
    void ShowLists();       // every list of the session
    void FillInModel();
    void FillAllEdges();
    void FillProlific();
    void FillConnectToTop();
    void ShowConnections();
    void FillExternalEdges();
    void FillCustomObjects();
    void FillCollections();
    void FillReturnTypes();
    void FillObjectLists();
    void FillEdges();
    void FillCategories();

    // Tab 0.
    void ChooseAction(WizardAction action);
    void FillBrowseRoots();
    void ShowBrowseFolder(const std::filesystem::path& folder);
    void BrowseFolderChanged();
    void FillFileList();
    void ChooseShowType(int showType);
    void RestoreBrowseSettings();
    void ChooseLibrary(const std::string& path, std::uint32_t resource);
    void ChooseDatFile();
    void FillDatFiles();
    void StartOrCancelSearch();
    void SearchFinished(SearchOutcome outcome, std::string rootLabel);
    void ShowSearchResults(const std::vector<FoundLibrary>& found);
    void ReadRegistryList();
    void ShowAlert();

    // Commands.
    void MakeOrLoadDataFile();
    void MakeModel();
    void DeleteModel();
    void RestoreSettings();
    void TabChanged(int tab);
    void ShowModelList(bool edges);
    void ExpandReturnTypes(bool expand);
    // Runs `command` on the worker thread with the forwarding prompt and
    // progress, the window's commands disabled; `done` follows on this thread.
    // The progress bar moves a step per caption, `steps` in all.
    void RunLongCommand(int steps, std::function<void(ProgressSink&)> command, std::function<void()> done);
    void SetBusy(bool busy);
    void ShowBusyCaption(const std::string& caption);
    void CloseWhenIdle();

    WizardPlaces m_places;
    std::function<void(int)> m_showHelp;
    class GuiThreadHost;
    std::unique_ptr<GuiThreadHost> m_host;
    ForwardingPrompt m_prompt;
    std::unique_ptr<WizardSession> m_session;
    std::vector<BrowseRoot> m_roots;
    // The search results shown, as found: a name that is not UTF-8 is shown
    // with replacement characters but opened by its own bytes.
    std::vector<FoundLibrary> m_found;
    QFileSystemModel* m_folders = nullptr;
    int m_showType = 2;
    BackgroundTask m_work;
    BackgroundTask m_search;
    // Set before the work starts and cleared once it has returned: meanwhile
    // the session belongs to the worker and the window does not read it.
    bool m_busy = false;
    bool m_closePending = false;
    bool m_filling = false;
    bool m_returnTypesShown = false;  // lvReturnTypeObj shows the session's list  // lists being refilled: their change
                                      // signals are not the user's
    WizardControls m_ui;
};

}  // namespace arbolith
