// SPDX-License-Identifier: MIT
#include "cli/cli_enums.h"

#include "app/folders.h"
#include "cli/cli_output.h"
#include "cli/cli_support.h"
#include "cli/cli_tree.h"
#include "enums/enum_source.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>

namespace arbolith::cli {
namespace {

// The enum table asked for: Special.mdb beside the program (a build tree) or
// in the installed data folder, or the model's DAT file. `modelKey` is set to
// the key of the model opened.
std::optional<enums::EnumSource> OpenSource(const EnumsOptions& options, const std::string& model,
                                            std::string* modelKey = nullptr)
{
    if (options.vba) {
        const std::filesystem::path program = RunningProgramFolder();
        const auto special = enums::FindSpecialFile(program, enums::SpecialDataFolders(program));
        if (!special) {
            Complain(std::string(enums::kSpecialFileName) + " is neither beside the program nor in " +
                     (program / ".." / "share" / "arbolith").lexically_normal().string());
            return std::nullopt;
        }
        auto source = enums::EnumSource::OpenVba(*special);
        if (!source) {
            Complain(source.error().description);
            return std::nullopt;
        }
        return std::move(*source);
    }
    StderrPrompt prompt;
    const auto browser = OpenCliModel(model, options.modelsFolder, prompt);
    if (!browser) return std::nullopt;
    if (modelKey) *modelKey = browser->Current().baseName;
    auto source = enums::EnumSource::OpenModel(browser->Current().datPath);
    if (!source) {
        Complain(source.error().description);
        return std::nullopt;
    }
    return std::move(*source);
}

void AppendRow(std::string& text, std::string_view enumName, const enums::EnumConstant& constant)
{
    AppendPrintable(text, enumName);
    text += '\t';
    AppendPrintable(text, constant.name);
    text += '\t';
    text += std::to_string(constant.value);
    text += '\n';
}

// Rows of (enumeration, constant), grouped by enumeration as they come.
class EnumsJson {
public:
    EnumsJson(const EnumsOptions& options, std::string_view modelKey)
    {
        m_json = BeginJsonDocument("enums");
        m_json.Field("source", options.vba ? "vba" : "model");
        if (options.vba)
            m_json.Key("model").Null();
        else
            m_json.Field("model", modelKey);
        m_json.Key("find");
        if (options.findGiven)
            m_json.String(options.find);
        else
            m_json.Null();
        m_json.Key("enums").BeginArray();
    }
    // Starts the enumeration's entry unless it is the one being written, so
    // an enumeration without constants is listed too.
    void Enum(std::string_view enumName)
    {
        if (m_open && enumName == m_current) return;
        if (m_open) m_json.EndArray().EndObject();
        m_json.BeginObject().Field("name", enumName).Key("constants").BeginArray();
        m_current = enumName;
        m_open = true;
    }
    void Add(std::string_view enumName, const enums::EnumConstant& constant)
    {
        Enum(enumName);
        m_json.BeginObject().Field("name", constant.name).Field("value", constant.value).EndObject();
    }
    int Finish()
    {
        if (m_open) m_json.EndArray().EndObject();
        m_json.EndArray();
        return FinishJsonDocument(m_json);
    }

private:
    JsonWriter m_json;
    std::string m_current;
    bool m_open = false;
};

int Write(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int EnumsCommand(const EnumsOptions& options)
{
    if (options.vba != options.args.empty()) {
        Complain("give either a model or --vba");
        return 2;
    }
    std::string modelKey;
    auto source = OpenSource(options, options.vba ? std::string() : options.args.front(), &modelKey);
    if (!source) return 1;
    std::string text;
    if (options.findGiven) {
        if (options.find.empty()) {
            Complain("--find needs a text to look for");
            return 2;
        }
        const auto matches = source->FindConstants(options.find);
        if (!matches) {
            Complain(matches.error().description);
            return 1;
        }
        if (options.json) {
            EnumsJson json(options, modelKey);
            for (const enums::ConstantMatch& match : *matches) json.Add(match.enumName, match.constant);
            return json.Finish();
        }
        for (const enums::ConstantMatch& match : *matches) AppendRow(text, match.enumName, match.constant);
        return Write(text);
    }
    const auto names = source->EnumNames();
    if (!names) {
        Complain(names.error().description);
        return 1;
    }
    std::optional<EnumsJson> json;
    if (options.json) json.emplace(options, modelKey);
    for (const std::string& name : *names) {
        const auto constants = source->Constants(name);
        if (!constants) {
            // Nothing is printed: a partial list would pass for the whole one.
            Complain(constants.error().description);
            return 1;
        }
        if (json) json->Enum(name);
        for (const enums::EnumConstant& constant : *constants) {
            if (json)
                json->Add(name, constant);
            else
                AppendRow(text, name, constant);
        }
    }
    return json ? json->Finish() : Write(text);
}

int EnumCodeCommand(const EnumsOptions& options)
{
    const std::size_t wanted = options.vba ? 1 : 2;
    if (options.args.size() != wanted) {
        Complain(options.vba ? "give the enumeration's name after --vba" : "give a model and an enumeration's name");
        return 2;
    }
    auto source = OpenSource(options, options.vba ? std::string() : options.args.front());
    if (!source) return 1;
    const auto names = source->EnumNames();
    if (!names) {
        Complain(names.error().description);
        return 1;
    }
    // The name as stored, found without regard to (ASCII) case.
    const std::string& asked = options.args.back();
    const auto lower = [](unsigned char c) { return std::tolower(c); };
    const auto found = std::find_if(names->begin(), names->end(), [&](const std::string& name) {
        return std::ranges::equal(name, asked, {}, lower, lower);
    });
    if (found == names->end()) {
        Complain("no enumeration named " + Printable(asked) + " in " + std::string(source->Table()));
        return 1;
    }
    const std::string& enumName = *found;
    const auto constants = source->Constants(enumName);
    if (!constants) {
        Complain(constants.error().description);
        return 1;
    }
    // Names are made printable before the code is made, so a control
    // character in one cannot break the generated lines.
    std::vector<std::string> items;
    items.reserve(constants->size());
    for (const enums::EnumConstant& constant : *constants)
        items.push_back(enums::ConstantItem({Printable(constant.name), constant.value}));
    const std::string shownName = Printable(enumName);
    return Write(options.select ? enums::EnumSelectCode(shownName, items) : enums::EnumCopyText(shownName, items));
}

}  // namespace arbolith::cli
