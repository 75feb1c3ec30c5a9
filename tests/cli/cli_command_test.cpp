// SPDX-License-Identifier: MIT
// arbolith-cli run as a user runs it: its command lines, its messages (one
// line per failure, escaped), and what its switches leave in the INF file.
#include "cli/run_cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace arbolith {
namespace {

namespace fs = std::filesystem;
using test::Quoted;

const std::string kQuill = std::string(ARBOLITH_SAMPLE_DIR) + "/Quill.tlb";

// Whether text holds a byte a terminal would act on (other than line ends).
bool HasRawControl(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return (b < 0x20 && b != '\n') || b == 0x7F;
    });
}

class Cli : public ::testing::Test {
protected:
    test::CliRun Run(const std::string& args) const { return test::RunCli(home, args); }
    test::TempDir home;
};

TEST_F(Cli, CommandLinesItRefusesOrHelpsWith)
{
    const struct {
        const char* args;
        int status;
        const char* say;  // in the one message on stderr, or on stdout for help
    } cases[] = {
        {"", 2, "subcommand is required"},
        {"bogus", 2, "no command named bogus"},
        {"make", 2, "library is required (see: arbolith-cli make --help)"},
        {"make a.tlb b.tlb", 2, "not expected: b.tlb"},
        {"make a.tlb --top", 2, "--top"},
        {"extract --what a.tlb", 2, "--what"},
        {"tree Quill --depth -1", 2, "not a count of levels"},
        {"--help", 0, "tree"},
        {"make --help", 0, "--events, --no-events"},
        {"tree -h", 0, "--depth N"},
    };
    for (const auto& c : cases) {
        const test::CliRun ran = Run(c.args);
        SCOPED_TRACE(c.args + ("\n" + ran.out) + ran.err);
        EXPECT_EQ(ran.status, c.status);
        if (c.status != 0) {
            EXPECT_EQ(ran.Messages().size(), 1u);
        }
        EXPECT_NE((c.status == 0 ? ran.out : ran.err).find(c.say), std::string::npos);
    }
}

TEST_F(Cli, EachFailureIsOneMessageThatSaysWhatToDo)
{
    const std::string log = (home / "errorlog.txt").string();
    const struct {
        std::string args;
        std::vector<std::string> say;  // all in the one message
    } cases[] = {
        {"make /nowhere/Missing.tlb --top X", {"/nowhere/Missing.tlb: cannot open", "; details in " + log}},
        {"extract /nowhere/Missing.tlb", {"/nowhere/Missing.tlb: cannot open", "; details in " + log}},
        {"dump /nowhere/Missing.tlb", {"/nowhere/Missing.tlb: cannot open"}},
        {"tree Nothing",
         {"no model named Nothing in " + (home / "Models").string(),
          "make it from its library with: arbolith-cli make"}},
        {"tree /x/Quill.tlb", {"no model of library /x/Quill.tlb yet; make it with: arbolith-cli make /x/Quill.tlb"}},
        {"tree Quill.tlb --models " + Quoted((home / "M2").string()),
         {"make it with: arbolith-cli make Quill.tlb --models " + (home / "M2").string()}},
        {"make " + Quoted(kQuill) + " --top Applicatio",
         {"no object named Applicatio in the library; did you mean Application, ApplicationEvents?"}},
        {"make " + Quoted(kQuill) + " --top Zebra", {"no object named Zebra", "no name is close", "--custom-top"}},
    };
    for (const auto& c : cases) {
        const test::CliRun ran = Run(c.args);
        SCOPED_TRACE(c.args + "\n" + ran.err);
        EXPECT_EQ(ran.status, 1);
        const std::vector<std::string> messages = ran.Messages();
        ASSERT_EQ(messages.size(), 1u);
        for (const std::string& part : c.say) EXPECT_NE(messages[0].find(part), std::string::npos);
    }
    // A top object that is not there saves nothing.
    EXPECT_FALSE(fs::exists(home / "Models" / "Quill.INF"));
}

TEST_F(Cli, SwitchesOverrideTheInfFileEitherWay)
{
    const struct {
        const char* args;  // after "make Quill.tlb"
        const char* top;
        const char* events;
        const char* global;
    } steps[] = {
        {"--top Application --events --global", "BuiltInTopObject=Application", "True", "True"},
        {"", "BuiltInTopObject=Application", "True", "True"},  // the INF file's settings stay
        {"--no-events", "BuiltInTopObject=Application", "False", "True"},
        {"--events --no-global", "BuiltInTopObject=Application", "True", "False"},
        {"--events --no-events", "BuiltInTopObject=Application", "False", "False"},  // the last one counts
        {"--top Mine --custom-top --global", "CustomTopObject=Mine", "False", "True"},
    };
    for (const auto& s : steps) {
        const test::CliRun ran = Run("make " + Quoted(kQuill) + " " + s.args);
        ASSERT_EQ(ran.status, 0) << s.args << "\n" << ran.err;
        const std::string inf = test::ReadBytes(home / "Models" / "Quill.INF");
        SCOPED_TRACE(s.args + ("\n" + inf));
        EXPECT_NE(inf.find(s.top), std::string::npos);
        EXPECT_NE(inf.find(std::string("MakeEventsObject=") + s.events), std::string::npos);
        EXPECT_NE(inf.find(std::string("GlobalObject=") + s.global), std::string::npos);
    }
}

TEST_F(Cli, AnUnreadableSettingsFileIsOneWarningAndTheCommandGoesOn)
{
    ASSERT_EQ(Run("make " + Quoted(kQuill) + " --top Application").status, 0);
    fs::create_directory(home / "ZV.INI");  // a folder: no one can read it as a file
    const test::CliRun ran = Run("tree Quill --depth 0");
    EXPECT_EQ(ran.status, 0);
    EXPECT_EQ(ran.out, "Application\n");
    const std::vector<std::string> messages = ran.Messages();
    ASSERT_EQ(messages.size(), 1u) << ran.err;
    EXPECT_NE(messages[0].find("warning"), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find((home / "ZV.INI").string()), std::string::npos) << messages[0];
}

// A library whose names, and whose file name, carry control characters: a
// copy of the sample with "Windows" made "Win<LF>do<ESC>" (same length, so
// the file stays sound) under a name holding an escape sequence.
TEST_F(Cli, ControlCharactersInNamesReachNoTerminal)
{
    std::string bytes = test::ReadBytes(kQuill);
    const std::string from = "Windows", to = "Win\ndo\x1b";
    for (std::size_t at = 0; (at = bytes.find(from, at)) != std::string::npos; at += to.size())
        bytes.replace(at, from.size(), to);
    const fs::path library = home / "Qu\x1b[2Jill.tlb";
    test::WriteBytes(library, bytes);

    const struct {
        std::string args;
        const char* shows;  // escaped, on stdout or stderr
    } cases[] = {
        {"make " + Quoted(library.string()) + " --top Application", "Qu\\x1b[2Jill.tlb: model \"Qu\\x1b[2Jill\""},
        {"tree " + Quoted(library.string()) + " --depth 1", "  Win\\ndo\\x1b {Window}\n"},
        {"dump " + Quoted(library.string()), "name=Win\\ndo\\x1b\n"},
        {"make " + Quoted(library.string()) + " --top " + Quoted("Win\ndo\x1b"),
         "the value \"Win\\ndo\\x1b\" contains a line break"},  // an INF line cannot hold it
        {"make " + Quoted(library.string()) + " --top " + Quoted("Win\ndo"), "did you mean Win\\ndo\\x1b"},
        {"tree " + Quoted("No\x1b]0;title\x07pe"), "no model named No\\x1b]0;title\\x07pe"},
    };
    for (const auto& c : cases) {
        const test::CliRun ran = Run(c.args);
        const std::string both = ran.out + ran.err;
        EXPECT_FALSE(HasRawControl(both)) << c.args;
        EXPECT_NE(both.find(c.shows), std::string::npos) << c.args << "\n" << both;
    }
}

}  // namespace
}  // namespace arbolith
