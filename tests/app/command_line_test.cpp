// SPDX-License-Identifier: MIT
// The desktop program's command line, decided before any window exists, and
// the program itself started the way a user without a display starts it.
#include "app/command_line.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <map>
#include <string>

namespace arbolith {
namespace {

EnvironmentLookup Environment(std::map<std::string, std::string> variables)
{
    return [variables](const char* name) {
        const auto it = variables.find(name);
        return it == variables.end() ? std::string() : it->second;
    };
}

TEST(CommandLine, DisplayOrChosenPlatformDecidesWhetherTheProgramRuns)
{
    struct Case {
        QStringList arguments;
        std::map<std::string, std::string> environment;
        bool run;
        int exitCode;
    };
    const Case cases[] = {
        {{"arbolith"}, {{"WAYLAND_DISPLAY", "wayland-0"}}, true, 0},
        {{"arbolith"}, {{"QT_QPA_PLATFORM", "offscreen"}}, true, 0},
        {{"arbolith", "-platform", "offscreen"}, {}, true, 0},
        {{"arbolith"}, {{"DISPLAY", ""}}, false, 2},
        {{"arbolith", "-reverse"}, {}, false, 2},  // a toolkit option, not -r -e -v ...
        {{"arbolith", "-h"}, {{"DISPLAY", ":0"}}, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const LaunchDecision d = DecideLaunch(c.arguments, Environment(c.environment));
        EXPECT_EQ(d.run, c.run);
        EXPECT_EQ(d.exitCode, c.exitCode);
        if (!c.run && c.exitCode == 2) {
            EXPECT_EQ(d.error.find("arbolith: no display"), 0u);
            EXPECT_NE(d.error.find("arbolith-cli"), std::string::npos);
            EXPECT_NE(d.error.find("QT_QPA_PLATFORM=offscreen"), std::string::npos);
            EXPECT_EQ(d.error.find('\n'), d.error.size() - 1);  // one line
        }
    }
    EXPECT_EQ(DecideLaunch({"arbolith", "--help"}).output.rfind("Usage: arbolith [options] [file]\n", 0), 0u);
}

TEST(CommandLine, WhatTheToolkitLeavesMustBeKnown)
{
    EXPECT_EQ(CheckRemainingArguments({"arbolith"}), "");
    EXPECT_NE(CheckRemainingArguments({"arbolith", "--frobnicate"}).find("unknown option \"frobnicate\""),
              std::string::npos);
    EXPECT_EQ(CheckRemainingArguments({"arbolith", "lib.tlb"}), "");
    EXPECT_NE(CheckRemainingArguments({"arbolith", "a.tlb", "b.tlb"}).find("unexpected argument \"b.tlb\""),
              std::string::npos);
    EXPECT_EQ(FileArgument({"arbolith"}), std::nullopt);
    EXPECT_EQ(FileArgument({"arbolith", "--", "-odd.tlb"}), "-odd.tlb");
}

TEST(CommandLine, FileArgumentIsALibraryAModelKeyOrToldWhyNot)
{
    test::TempDir dir;
    const auto here = dir.path() / "work", models = dir.path() / "Models";
    std::filesystem::create_directories(here / "folder.tlb");
    std::filesystem::create_directories(models);
    test::WriteBytes(models / "Quill.dat", "x");
    test::WriteBytes(models / "a.b.dat", "x");
    test::WriteBytes(here / "lib.TLB", "not even a library: the name decides");
    test::WriteBytes(here / "raw.bin", std::string("MSFT\x02\x00\x01\x00", 8));
    test::WriteBytes(here / "old.dat", "SLTG....");
    test::WriteBytes(here / "notes.txt", "MSF");
    test::WriteBytes(here / "x.dll", "MZ");
    const std::string lib = (here / "lib.TLB").string(), dll = (here / "x.dll").string();

    struct Case {
        std::string argument;
        OpenKind kind;
        std::string expected;  // the path, the model key, or a part of the message
        std::uint32_t resource = 0;
    };
    const Case cases[] = {
        {"lib.TLB", OpenKind::Library, lib},
        {"./sub/../lib.TLB", OpenKind::Library, lib},
        {lib, OpenKind::Library, lib},
        {"raw.bin", OpenKind::Library, (here / "raw.bin").string()},
        {"old.dat", OpenKind::Library, (here / "old.dat").string()},
        {"x.dll\\2", OpenKind::Library, dll, 2},
        {"Quill", OpenKind::Model, "Quill"},
        {"quill", OpenKind::Model, "quill"},
        {"a.b", OpenKind::Model, "a.b"},
        {"notes.txt", OpenKind::Unusable, "\"notes.txt\": it is not a type library"},
        {"folder.tlb", OpenKind::Unusable, "it is a folder"},
        {"missing.olb", OpenKind::Unusable, "\"missing.olb\": there is no such file."},
        {"missing.dll\\3", OpenKind::Unusable, "there is no such file."},
        {"sub/Quill", OpenKind::Unusable, "there is no such file."},
        {"Nothing", OpenKind::Unusable, "no model of that name in " + models.string()},
        {"", OpenKind::Unusable, "the name is empty"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument);
        const OpenRequest r = ClassifyFileArgument(c.argument, models, here);
        EXPECT_EQ(r.kind, c.kind);
        if (c.kind == OpenKind::Library) {
            EXPECT_EQ(r.path, c.expected);
            EXPECT_EQ(r.resource, c.resource);
        } else if (c.kind == OpenKind::Model) {
            EXPECT_EQ(r.modelKey, c.expected);
        } else {
            EXPECT_NE(r.message.find(c.expected), std::string::npos) << r.message;
        }
    }
}

// The program as built, with no display in its environment.
std::pair<int, std::string> RunWithoutDisplay(const std::string& arguments)
{
    const std::string command =
        "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" ARBOLITH_GUI_PROGRAM "' " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return {-1, "cannot start"};
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST(CommandLine, ProgramWithoutDisplayAnswersHelpAndVersionAndOtherwiseSaysWhy)
{
    const auto [plainCode, plain] = RunWithoutDisplay("");
    EXPECT_EQ(plainCode, 2);
    EXPECT_EQ(plain.rfind("arbolith: no display", 0), 0u) << plain;
    EXPECT_EQ(plain.find('\n'), plain.size() - 1) << plain;
    const auto [helpCode, help] = RunWithoutDisplay("--help");
    EXPECT_EQ(helpCode, 0);
    EXPECT_NE(help.find("--version"), std::string::npos) << help;
    const auto [versionCode, version] = RunWithoutDisplay("--version");
    EXPECT_EQ(versionCode, 0);
    EXPECT_EQ(version.rfind("arbolith ", 0), 0u) << version;
}

}  // namespace
}  // namespace arbolith
