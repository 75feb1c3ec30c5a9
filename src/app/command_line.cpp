// SPDX-License-Identifier: MIT
#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdlib>

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
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    }
};

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
    if (!positional.isEmpty())
        return "arbolith: unexpected argument \"" + positional.front().toStdString() +
               "\"; models are opened from the Models menu, or with arbolith-cli\n";
    return {};
}

}  // namespace arbolith
