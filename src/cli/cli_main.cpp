// SPDX-License-Identifier: MIT
// arbolith-cli: Arbolith without windows, for scripts, CI and large batches.
//   arbolith-cli dump LIBRARY[\N]...   print what the type-library reader sees
//   arbolith-cli extract LIBRARY[\N]... [options]   make the libraries' DAT files
//   arbolith-cli make LIBRARY[\N] [options]         make a browsable model of a library
//   arbolith-cli tree MODEL [--depth N]             print a model's object tree
//   arbolith-cli graph MODEL [--root NAME] [--depth N] [--format dot|svg|png] [-o FILE]   an object's diagram
//   arbolith-cli report MODEL KIND [--flat]         print one of a model's reports
//   arbolith-cli find MODEL --object NAME ...       the Find menu's searches
//   arbolith-cli models                             list the models of the models folder
//   arbolith-cli libraries [--prefix DIR]...        list the libraries registered in Wine prefixes
//   arbolith-cli scan ROOT [--hidden]               find the .olb and .tlb files below a folder
//   arbolith-cli search TEXT [--rebuild]            find members, objects and constants in every model
//   arbolith-cli help FILE [ID]                     print a topic of a help file (.chm, .hlp)
//   arbolith-cli enums MODEL|--vba [--find TEXT]    list the enumerations and their constants
//   arbolith-cli enum-code MODEL|--vba ENUM [--select]   the code the enum viewer makes of an enumeration
//   arbolith-cli diff A B [--json]                  what changed from one library or model to another
// `arbolith-cli COMMAND --help` lists a command's options. dump, tree, report, find, models,
// libraries, help, enums, graph, diff and search take --json: one JSON document on stdout
// instead of the text.
#include "cli/cli_catalog.h"
#include "cli/cli_commands.h"
#include "cli/cli_diff.h"
#include "cli/cli_discovery.h"
#include "cli/cli_enums.h"
#include "cli/cli_find.h"
#include "cli/cli_graph.h"
#include "cli/cli_help.h"
#include "cli/cli_output.h"
#include "cli/cli_report.h"
#include "cli/cli_search.h"
#include "cli/cli_tree.h"
#include "store/inf_file.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr const char* kLibraryHelp =
    "A library file (.tlb, .olb, .dll, .exe, .ocx); \"FILE\\N\" takes the file's TYPELIB resource N";

// A switch with its "--no-" form: unset when neither is given, so a setting
// kept elsewhere (the model's INF file) stays as it is.
class Switch {
public:
    Switch(CLI::App& command, const std::string& name, const std::string& help)
    {
        m_option = command.add_flag("--" + name + ",!--no-" + name, m_value, help);
    }
    std::optional<bool> Given() const { return m_option->count() ? std::optional<bool>(m_value) : std::nullopt; }
    bool Value() const { return m_option->count() && m_value; }

private:
    bool m_value = false;
    CLI::Option* m_option = nullptr;
};

// Lists "--events, --no-events" without the value CLI11 shows for a switch
// that sets false ("{false}").
class HelpFormatter : public CLI::Formatter {
public:
    std::string make_option_name(const CLI::Option* option, bool positional) const override
    {
        std::string name = CLI::Formatter::make_option_name(option, positional);
        for (std::size_t at; (at = name.find("{false}")) != std::string::npos;) name.erase(at, 7);
        for (std::size_t at = 0; (at = name.find(',', at)) != std::string::npos; at += 2) name.insert(at + 1, " ");
        return name;
    }
};

// A parse error as one line: the command, what is wrong, where help is.
int UsageError(const CLI::App& app, const CLI::ParseError& error)
{
    std::string command = "arbolith-cli";
    for (const CLI::App* sub : app.get_subcommands()) command += " " + sub->get_name();
    arbolith::cli::Complain(std::string(error.what()) + " (see: " + command + " --help)");
    return 2;
}

// The options several commands share: the models folder, and the model a
// command reads.
void AddModelsOption(CLI::App& command, std::filesystem::path& folder)
{
    command.add_option("--models", folder, "The models folder to use (made when missing)")->type_name("DIR");
}

// --json: the command's data as one JSON document on stdout, in the form
// schemas/cli/<command>.schema.json describes.
void AddJsonOption(CLI::App& command, bool& json)
{
    command.add_flag("--json", json,
                     "Print one JSON document (schema arbolith-cli/" + command.get_name() + "/1) instead of text");
}

void AddModelArgument(CLI::App& command, std::string& model)
{
    command.add_option("model", model, "A model's key (its library's file name), or the library's path")->required();
}

}  // namespace

int main(int argc, char* argv[])
{
    using namespace arbolith::cli;

    CLI::App app("Arbolith without windows: type libraries, their DAT files and their models.", "arbolith-cli");
    app.require_subcommand(1, 1);
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.formatter(std::make_shared<HelpFormatter>());

    DumpOptions dump;
    CLI::App* dumpCommand = app.add_subcommand("dump", "Print type libraries as the reader sees them");
    dumpCommand->add_option("library", dump.libraries, kLibraryHelp)->required();
    AddJsonOption(*dumpCommand, dump.json);

    ExtractOptionsGiven extract;
    CLI::App* extractCommand = app.add_subcommand("extract", "Make each library's DAT file in the models folder");
    extractCommand->add_option("library", extract.libraries, kLibraryHelp)->required();
    Switch extractInterfaces(*extractCommand, "interfaces", "Extract interfaces as objects too");
    Switch extractModules(*extractCommand, "modules", "Extract modules as objects too");
    AddModelsOption(*extractCommand, extract.modelsFolder);

    MakeOptions make;
    std::string connect;
    CLI::App* makeCommand =
        app.add_subcommand("make", "Make a browsable model of a library")
            ->footer(
                "The library is extracted unless its DAT file is current (or --reextract is given). The model's\n"
                "settings come from its INF file when there is one; the options given override them, either way,\n"
                "and are saved with the model.");
    makeCommand->add_option("library", make.request.library, kLibraryHelp)->required();
    makeCommand
        ->add_option("--top", make.request.topObject,
                     "The top object: an object of the library, unless --custom-top is given")
        ->type_name("NAME");
    Switch customTop(*makeCommand, "custom-top", "--top names a new object of its own, not one of the library");
    Switch events(*makeCommand, "events", "Make the <Events> object");
    Switch controls(*makeCommand, "controls", "Make the <Controls> object");
    Switch global(*makeCommand, "global", "Show the Global object under the top object");
    CLI::Option* connectOption =
        makeCommand->add_option("--connect", connect, "Objects to hang under a custom top object, separated by |")
            ->type_name("A|B");
    Switch interfaces(*makeCommand, "interfaces", "Extract interfaces as objects too");
    Switch modules(*makeCommand, "modules", "Extract modules as objects too");
    Switch reextract(*makeCommand, "reextract", "Extract the library even when its DAT file is current");
    AddModelsOption(*makeCommand, make.modelsFolder);

    TreeOptions tree;
    int depth = 0;
    CLI::App* treeCommand = app.add_subcommand("tree", "Print a model's object tree");
    AddModelArgument(*treeCommand, tree.model);
    CLI::Option* depthOption =
        treeCommand->add_option("--depth", depth, "Levels below the top object to print")
            ->type_name("N")
            ->check(CLI::Validator(
                [](const std::string& text) {
                    return text.starts_with('-') ? "not a count of levels: " + text : std::string();
                },
                ""));
    AddModelsOption(*treeCommand, tree.modelsFolder);
    AddJsonOption(*treeCommand, tree.json);

    ReportOptions report;
    CLI::App* reportCommand =
        app.add_subcommand("report", "Print one of a model's reports")
            ->footer(
                "The report window's items, one per line, without its caption: creatables (the externally\n"
                "creatable objects), hidden (the hidden objects), members (every member name once), stats\n"
                "(the library's statistics) or frequencies (each object of the model with how often the\n"
                "tree shows it: four columns separated by tabs, object, as interior node, as leaf node and\n"
                "total). A report that fails prints nothing on stdout.");
    AddModelArgument(*reportCommand, report.model);
    reportCommand->add_option("kind", report.kind, "creatables, hidden, members, stats or frequencies")
        ->required()
        ->check(CLI::IsMember(std::vector<std::string>(std::begin(kReportKinds), std::end(kReportKinds))));
    reportCommand->add_flag("--flat", report.flat, "frequencies: count over the flat tree, not the global one");
    AddModelsOption(*reportCommand, report.modelsFolder);
    AddJsonOption(*reportCommand, report.json);

    EnumsOptions enumsList;
    CLI::App* enumsCommand =
        app.add_subcommand("enums", "List the enumerations of a model or of VB/VBA")
            ->footer(
                "One constant a line: enumeration, constant and value, separated by tabs; enumerations by\n"
                "name, constants by value. --find: the constants whose name contains TEXT (letter case\n"
                "aside, every character taken literally), by enumeration. --vba reads Special.mdb.");
    enumsCommand->add_option("model", enumsList.args, "A model's key (its library's file name), or the library's path")
        ->expected(0, 1);
    enumsCommand->add_flag("--vba", enumsList.vba, "The enumerations of VB/VBA instead of a model's");
    CLI::Option* enumsFind =
        enumsCommand->add_option("--find", enumsList.find, "List the constants whose name contains TEXT")
            ->type_name("TEXT");
    AddModelsOption(*enumsCommand, enumsList.modelsFolder);
    AddJsonOption(*enumsCommand, enumsList.json);

    EnumsOptions enumCode;
    CLI::App* enumCodeCommand =
        app.add_subcommand("enum-code", "Print the code the enum viewer makes of an enumeration")
            ->footer(
                "The commented Enum block the viewer copies, or with --select the Select Case function that\n"
                "names a value, exactly as copied: CR LF line ends, tab indentation, no final line break.");
    enumCodeCommand->add_option("args", enumCode.args, "MODEL ENUM, or ENUM with --vba")->expected(1, 2)->required();
    enumCodeCommand->add_flag("--vba", enumCode.vba, "An enumeration of VB/VBA instead of a model's");
    enumCodeCommand->add_flag("--select", enumCode.select, "The Select Case function instead of the Enum block");
    AddModelsOption(*enumCodeCommand, enumCode.modelsFolder);

    FindOptions find;
    CLI::App* findCommand =
        app.add_subcommand("find", "Search a model as the Find menu does")
            ->footer(
                "Give one search. --object: the full path (labels joined by \\) of every node of the global\n"
                "tree whose label contains NAME, in the order the tree was built; with --whole-word the label\n"
                "is NAME, begins with NAME and a blank, or holds {NAME}. --parents: each parent of the object\n"
                "and the member that leads to it. --paths: the full path of every node of the object.\n"
                "--member: the objects with a member whose name contains NAME (with the member), or with\n"
                "--whole-word is NAME. Letter case does not matter. Nothing found: status 1.");
    AddModelArgument(*findCommand, find.model);
    const std::pair<CLI::Option*, FindKind> findKinds[] = {
        {findCommand->add_option("--object", find.text, "Find the nodes whose label matches")->type_name("NAME"),
         FindKind::Object},
        {findCommand->add_option("--parents", find.text, "List the parents of an object")->type_name("NAME"),
         FindKind::Parents},
        {findCommand->add_option("--paths", find.text, "List the paths to an object")->type_name("NAME"),
         FindKind::Paths},
        {findCommand->add_option("--member", find.text, "List the objects with a member")->type_name("NAME"),
         FindKind::Member},
    };
    CLI::Option* wholeWordOption =
        findCommand->add_flag("--whole-word", find.wholeWord, "--object and --member: match whole words");
    AddModelsOption(*findCommand, find.modelsFolder);
    AddJsonOption(*findCommand, find.json);

    std::filesystem::path modelsFolder;
    bool modelsJson = false;
    CLI::App* modelsCommand =
        app.add_subcommand("models", "List the models of the models folder")
            ->footer(
                "The Open Model dialog's catalog, one model a line: category, key, model name, library and the\n"
                "files there are (INF DAT, INF or DAT), separated by tabs.");
    modelsCommand->add_option("--models", modelsFolder, "The models folder to list")->type_name("DIR");
    AddJsonOption(*modelsCommand, modelsJson);

    LibrariesOptions libraries;
    CLI::App* librariesCommand =
        app.add_subcommand("libraries", "List the type libraries registered in the Wine prefixes")
            ->footer(
                "One line per library version, four fields separated by tabs: description, version, the\n"
                "file's Linux path (its Windows path when the file is missing) and the TYPELIB resource\n"
                "(0: the file's first). Without --prefix: $WINEPREFIX, ~/.wine and the prefixes in\n"
                "~/.local/share/wineprefixes.");
    librariesCommand->add_option("--prefix", libraries.prefixes, "A Wine prefix to read (may be given again)")
        ->type_name("DIR")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    AddJsonOption(*librariesCommand, libraries.json);

    SearchOptions scan;
    CLI::App* scanCommand =
        app.add_subcommand("scan", "Find the .olb and .tlb files below a folder")
            ->footer(
                "One line per file, its full path, breadth first: the files of the root folder by name, then\n"
                "those of its subfolders, level by level. Links to folders are not followed; /proc, /sys,\n"
                "/dev and /run are passed over.");
    scanCommand->add_option("root", scan.root, "The folder to search")->required();
    scanCommand->add_flag("--hidden", scan.hidden, "Enter folders whose names begin with \".\" too");

    ModelSearchOptions modelSearch;
    CLI::App* searchCommand =
        app.add_subcommand("search", "Find members, objects and enum constants in every model")
            ->footer(
                "One match a line: model, object, member and declaration, separated by tabs, ordered by\n"
                "model, object and member. TEXT is taken as plain words (quotes and operators only separate\n"
                "words); each word also finds longer words it begins, and every word must match a name, a\n"
                "declaration or a doc string. The index beside the models (.arbolith-index.db) is brought up\n"
                "to date first. Nothing found: status 1.");
    searchCommand->add_option("text", modelSearch.text, "The words to find")->required();
    searchCommand->add_flag("--rebuild", modelSearch.rebuild, "Make the index anew before searching");
    searchCommand->add_flag("--json", modelSearch.json, "Print one JSON document (schema arbolith-cli/search/1)");
    AddModelsOption(*searchCommand, modelSearch.modelsFolder);

    HelpOptions help;
    std::string helpId;
    CLI::App* helpCommand =
        app.add_subcommand("help", "Print a topic of a help file (.chm, .hlp)")
            ->footer(
                "The topic's title on the first line, then its text. ID is a context number (\"1000\") or \"_\"\n"
                "followed by a keyword (\"_Open\"); without it the file's default topic is printed.");
    helpCommand->add_option("file", help.file, "The help file")->required();
    CLI::Option* helpIdOption = helpCommand->add_option("id", helpId, "A context number, or _ and a keyword");
    AddJsonOption(*helpCommand, help.json);

    DiffOptions diffRequest;
    CLI::App* diffCommand =
        app.add_subcommand("diff", "Compare two libraries or models")
            ->footer(
                "A and B each name a library (\"FILE\\N\" for its TYPELIB resource N), a model's DAT file (a path\n"
                "ending in .DAT), or a model by its key in the models folder. Libraries are read in memory; no\n"
                "model file is written or changed. The report lists per object (by name) the members added,\n"
                "removed and changed, and the edges to children; then the enumerations; then a summary line.\n"
                "Equal: no output, status 0. Different: status 1. A side that cannot be read: status 2.");
    diffCommand->add_option("a", diffRequest.before, "The library or model before")->required();
    diffCommand->add_option("b", diffRequest.after, "The library or model after")->required();
    Switch diffInterfaces(*diffCommand, "interfaces",
                          "Read libraries with interfaces as objects (default: as the model compared with)");
    Switch diffModules(*diffCommand, "modules", "Read libraries with modules as objects (default: likewise)");
    diffCommand->add_flag("--json", diffRequest.json, "Print the report as one JSON document");
    diffCommand->add_option("--models", diffRequest.modelsFolder, "The models folder a model key is looked up in")
        ->type_name("DIR");

    GraphOptions graph;
    CLI::App* graphCommand =
        app.add_subcommand("graph", "Draw the neighbourhood of an object, as View > Diagram does")
            ->footer(
                "The root object (the model's top object unless --root is given) with its children and its\n"
                "parents to N levels, edges labelled with the member that leads to the child; hidden and\n"
                "external objects as the model's settings show them. A graph of more than 150 objects keeps\n"
                "the nearest and says so. DOT is written as text; SVG and PNG are laid out by Graphviz.\n"
                "--json prints the graph's objects and edges instead (FILE is still written when given).");
    AddModelArgument(*graphCommand, graph.model);
    graphCommand->add_option("--root", graph.root, "The object at the centre (letter case aside)")->type_name("NAME");
    graphCommand->add_option("--depth", graph.depth, "Levels of parents and of children to show (default 2)")
        ->type_name("N")
        ->check(CLI::Range(0, 1'000'000));
    graphCommand->add_flag("--all", graph.all, "Every object of the model instead (--depth does not apply)");
    graphCommand->add_option("--format", graph.format, "dot (default), svg or png")
        ->check(CLI::IsMember({"dot", "svg", "png"}));
    graphCommand->add_option("-o,--output", graph.output, "Write the drawing to FILE instead of stdout")
        ->type_name("FILE");
    graphCommand->add_flag("--json", graph.json, "Print the graph's objects and edges as JSON");
    AddModelsOption(*graphCommand, graph.modelsFolder);

    const auto isCommand = [&app](const std::string& name) {
        const auto commands = app.get_subcommands({});
        return std::any_of(commands.begin(), commands.end(), [&](const CLI::App* c) { return c->get_name() == name; });
    };
    if (argc > 1 && argv[1][0] != '-' && !isCommand(argv[1])) {
        Complain(std::string("no command named ") + argv[1] +
                 "; the commands are dump, extract, make, tree, graph, report, find, enums, enum-code, models, "
                 "libraries, scan, search, help and diff" +
                 " (see: arbolith-cli --help)");
        return 2;
    }
    app.footer("Run arbolith-cli COMMAND --help for a command's options.");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        return UsageError(app, error);
    }

    if (dumpCommand->parsed()) return DumpCommand(dump);
    if (extractCommand->parsed()) {
        extract.interfaces = extractInterfaces.Value();
        extract.modules = extractModules.Value();
        return ExtractCommand(extract);
    }
    if (makeCommand->parsed()) {
        make.request.customTop = customTop.Value();
        make.request.events = events.Given();
        make.request.controls = controls.Given();
        make.request.global = global.Given();
        make.request.interfaces = interfaces.Given();
        make.request.modules = modules.Given();
        make.request.reextract = reextract.Value();
        if (connectOption->count()) make.request.connectToTop = arbolith::SplitInfFields(connect);
        return MakeCommand(make);
    }
    if (reportCommand->parsed()) return ReportCommand(report);
    if (graphCommand->parsed()) return GraphCommand(graph);
    if (enumsCommand->parsed()) {
        enumsList.findGiven = enumsFind->count() > 0;
        return EnumsCommand(enumsList);
    }
    if (enumCodeCommand->parsed()) return EnumCodeCommand(enumCode);
    if (findCommand->parsed()) {
        int given = 0;
        for (const auto& [option, kind] : findKinds) {
            if (!option->count()) continue;
            ++given;
            find.kind = kind;
        }
        if (given != 1) {
            Complain("give one search: --object, --parents, --paths or --member (see: arbolith-cli find --help)");
            return 2;
        }
        if (find.text.empty()) {
            Complain("the name to find is empty (see: arbolith-cli find --help)");
            return 2;
        }
        if (wholeWordOption->count() && (find.kind == FindKind::Parents || find.kind == FindKind::Paths)) {
            Complain("--whole-word goes with --object or --member only (see: arbolith-cli find --help)");
            return 2;
        }
        return FindCommand(find);
    }
    if (diffCommand->parsed()) {
        diffRequest.interfaces = diffInterfaces.Given();
        diffRequest.modules = diffModules.Given();
        return DiffCommand(diffRequest);
    }
    if (modelsCommand->parsed()) return ModelsCommand(modelsFolder, modelsJson);
    if (librariesCommand->parsed()) return LibrariesCommand(libraries);
    if (scanCommand->parsed()) return SearchCommand(scan);
    if (searchCommand->parsed()) return ModelSearchCommand(modelSearch);
    if (helpCommand->parsed()) {
        if (helpIdOption->count()) help.id = helpId;
        return HelpCommand(help);
    }
    if (depthOption->count()) tree.depth = depth;
    return TreeCommand(tree);
}
