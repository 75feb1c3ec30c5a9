// SPDX-License-Identifier: MIT
#include "app/command_line.h"

#include "browser/object_browser.h"
#include "platform/paths.h"
#include "typelib/typelib_loader.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <array>
#include <cstdlib>
#include <fstream>

namespace arbolith {

namespace {

constexpr const char* kProgram = "arbolith";

// The parser knows only --help and --version. Single-dash words are read
// as long options, so the toolkit's "-platform" or "-reverse" is one unknown
// option rather than a bundle of letters that could include "h" or "v".
struct Parser {
    QCommandLineParser parser;
    QCommandLineOption help = parser.addHelpOption();
    QCommandLineOption version = parser.addVersionOption();

    Parser()
    {
        parser.setApplicationDescription(
            QStringLiteral("Arbolith: browse the object model of a COM type library.\n"
                           "Without a display, use arbolith-cli (arbolith-cli --help lists its commands).\n"
                           "The toolkit's own options (-platform NAME, -style NAME, ...) are accepted too."));
        parser.addPositionalArgument(
            QStringLiteral("file"),
            QStringLiteral("A type library (.tlb, .olb, .dll, .ocx, .exe; \"path\\N\" for resource N) to open in the "
                           "Create Model Wizard, or the key of a model in the Models folder to show."),
            QStringLiteral("[file]"));
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    }
};

constexpr std::array<std::string_view, 5> kLibraryExtensions = {"tlb", "olb", "dll", "ocx", "exe"};

bool HasLibraryExtension(const std::string& path)
{
    const std::string extension = GetExtension(path, true);
    for (std::string_view known : kLibraryExtensions)
        if (extension == known) return true;
    return false;
}

// The file begins as a raw type library of either format does.
bool BeginsAsTypeLibrary(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    char magic[4] = {};
    if (!in.read(magic, sizeof magic)) return false;
    const std::string_view begin(magic, sizeof magic);
    return begin == "MSFT" || begin == "SLTG";
}

OpenRequest Unusable(std::string_view argument, const std::string& why)
{
    OpenRequest request;
    request.message = "Cannot open \"" + std::string(argument) + "\": " + why;
    return request;
}

bool NamesPlatform(const QStringList& arguments)
{
    for (const QString& argument : arguments)
        if (argument == QLatin1String("-platform") || argument == QLatin1String("--platform")) return true;
    return false;
}

}  // namespace

std::string EnvironmentVariable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

LaunchDecision DecideLaunch(const QStringList& arguments, const EnvironmentLookup& environment)
{
    Parser p;
    // Unknown options are judged later, once the toolkit has taken its own.
    (void)p.parser.parse(arguments);
    LaunchDecision d;
    if (p.parser.isSet(p.help) || p.parser.isSet(QStringLiteral("help-all"))) {
        std::string text = p.parser.helpText().toStdString();
        // The parser names the program after the application object, or
        // "<executable_name>" before there is one: the usage line always
        // says "arbolith".
        const std::string usage = "Usage: ";
        if (text.starts_with(usage)) {
            const auto end = text.find(' ', usage.size());
            if (end != std::string::npos) text.replace(usage.size(), end - usage.size(), kProgram);
        }
        return {false, 0, text, {}};
    }
    if (p.parser.isSet(p.version))
        return {
            false, 0, std::string(kProgram) + " " + QCoreApplication::applicationVersion().toStdString() + "\n", {}};

    const bool display = !environment("DISPLAY").empty() || !environment("WAYLAND_DISPLAY").empty() ||
                         !environment("QT_QPA_PLATFORM").empty() || NamesPlatform(arguments);
    if (!display)
        return {false,
                2,
                {},
                "arbolith: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); use arbolith-cli, or run with "
                "QT_QPA_PLATFORM=offscreen\n"};
    return d;
}

std::string CheckRemainingArguments(const QStringList& arguments)
{
    Parser p;
    (void)p.parser.parse(arguments);
    const QStringList unknown = p.parser.unknownOptionNames();
    if (!unknown.isEmpty())
        return "arbolith: unknown option \"" + unknown.front().toStdString() +
               "\"; arbolith --help lists the options\n";
    const QStringList positional = p.parser.positionalArguments();
    if (positional.size() > 1)
        return "arbolith: unexpected argument \"" + positional[1].toStdString() +
               "\"; the program opens one file or model at a time\n";
    return {};
}

std::optional<std::string> FileArgument(const QStringList& arguments)
{
    Parser p;
    (void)p.parser.parse(arguments);
    const QStringList positional = p.parser.positionalArguments();
    if (positional.isEmpty()) return std::nullopt;
    return positional.front().toStdString();
}

OpenRequest ClassifyFileArgument(std::string_view argument, const std::filesystem::path& modelsFolder,
                                 const std::filesystem::path& workingFolder)
{
    namespace fs = std::filesystem;
    if (argument.empty()) return Unusable(argument, "the name is empty.");
    fs::path named(argument);
    if (named.is_relative()) named = workingFolder / named;
    // "path\N" names resource N of the file `path`; a file whose own name
    // ends so is taken as it is.
    const LibraryLocation location = SplitResourcePath(named.lexically_normal().string());
    std::error_code ec;
    const fs::file_status status = fs::status(location.path, ec);
    if (fs::is_directory(status)) return Unusable(argument, "it is a folder, not a type library.");
    if (fs::exists(status)) {
        if (!fs::is_regular_file(status) ||
            (!HasLibraryExtension(location.path) && !BeginsAsTypeLibrary(location.path)))
            return Unusable(argument, "it is not a type library (.tlb, .olb, .dll, .ocx or .exe).");
        OpenRequest request;
        request.kind = OpenKind::Library;
        request.path = location.path;
        request.resource = location.resource;
        return request;
    }
    // A model key is a plain name: no folder, no resource number.
    const bool plainName = argument.find('/') == std::string_view::npos && location.resource == 0;
    if (plainName && FileExists(browser::FindDatFile(modelsFolder, argument))) {
        OpenRequest request;
        request.kind = OpenKind::Model;
        request.modelKey = std::string(argument);
        return request;
    }
    if (!plainName || HasLibraryExtension(location.path)) return Unusable(argument, "there is no such file.");
    return Unusable(argument, "there is no such file, and no model of that name in " + modelsFolder.string() + ".");
}

}  // namespace arbolith
