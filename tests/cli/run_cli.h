// SPDX-License-Identifier: MIT
// Runs arbolith-cli through the shell, as a user runs it, in a program folder
// of the test's own; its output is read back from files in that folder.
#pragma once

#include "support/temp_dir.h"

#include <sys/wait.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace arbolith::test {

inline std::string Quoted(std::string_view text)
{
    std::string out = "'";
    for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct CliRun {
    int status = -1;  // -1: ended by a signal
    std::string out;
    std::string err;
    // The stderr lines that are messages, not progress captions.
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> lines;
        std::istringstream in(err);
        for (std::string line; std::getline(in, line);)
            if (line.starts_with("arbolith-cli:")) lines.push_back(line);
        return lines;
    }
};

// The lines of a command's output, without their line ends.
inline std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// args: already quoted where needed.
inline CliRun RunCli(const TempDir& home, const std::string& args)
{
    const std::string out = (home / "stdout.txt").string(), err = (home / "stderr.txt").string();
    const std::string command = "ARBOLITH_HOME=" + Quoted(home.path().string()) + " " + Quoted(ARBOLITH_CLI) + " " +
                                args + " > " + Quoted(out) + " 2> " + Quoted(err);
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadBytes(out), ReadBytes(err)};
}

}  // namespace arbolith::test
