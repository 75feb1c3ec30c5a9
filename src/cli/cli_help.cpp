// SPDX-License-Identifier: MIT
#include "cli/cli_help.h"

#include "cli/cli_output.h"
#include "help/help_file.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

namespace arbolith::cli {

int HelpCommand(const HelpOptions& options)
{
    help::HelpId id;
    if (options.id) {
        id = help::ParseHelpId(*options.id);
        if (id.kind == help::HelpId::Kind::None) {
            Complain("the help id " + *options.id +
                     " names no topic; give a context number other than 0, or _ and a keyword");
            return 1;
        }
    }
    auto file = help::HelpFile::Open(options.file);
    if (!file) {
        Complain(file.error().description);
        return 1;
    }
    auto topic = options.id ? file->Topic(id) : file->DefaultTopic();
    if (!topic) {
        Complain(topic.error().description);
        return 1;
    }
    if (options.json) {
        JsonWriter json = BeginJsonDocument("help");
        json.Field("file", options.file.string());
        json.Key("id");
        if (options.id)
            json.String(*options.id);
        else
            json.Null();
        json.Field("title", topic->title).Field("text", topic->text);
        FieldOrNull(json, "page", topic->path);
        return FinishJsonDocument(json);
    }
    // Each line of the text through Printable: a page's bytes must not
    // reach the terminal as control sequences.
    std::string out;
    AppendPrintable(out, topic->title);
    out += '\n';
    std::size_t start = 0;
    while (start < topic->text.size()) {
        const std::size_t end = std::min(topic->text.find('\n', start), topic->text.size());
        AppendPrintable(out, std::string_view(topic->text).substr(start, end - start));
        out += '\n';
        start = end + 1;
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace arbolith::cli
