// SPDX-License-Identifier: MIT
// The commands of the settings tabs: top object and its connections, custom
// objects, collection corrections and extra edges. Every text typed into a
// list is checked when it is typed, so a name the INF file cannot hold is
// refused at once and never reaches Make Model; a cancelled input box leaves
// the row as it was.
#include "wizard/wizard_session.h"

#include "platform/text_encoding.h"

#include <algorithm>
#include <functional>

namespace arbolith {

namespace {

bool Contains(std::string_view text, char c)
{
    return text.find(c) != std::string_view::npos;
}

// Row numbers that exist, each once, from the last to the first.
std::vector<std::size_t> RowsLastFirst(std::vector<std::size_t> rows, std::size_t count)
{
    std::erase_if(rows, [&](std::size_t row) { return row >= count; });
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

}  // namespace

std::string RefusedEntryText(std::string_view text, std::string_view what)
{
    std::string reason;
    const std::string_view trimmed = TrimView(text);
    if (Contains(text, '\n') || Contains(text, '\r'))
        reason = "contains a line break";
    else if (Contains(text, '|'))
        reason = "contains the character \"|\"";
    else if (Contains(text, '='))
        reason = "contains the character \"=\"";
    else if (!trimmed.empty() && trimmed.front() == '[')
        reason = "begins with the character \"[\"";
    else if (!trimmed.empty() && trimmed.front() == ';')
        reason = "begins with the character \";\"";
    if (reason.empty()) return {};
    return "The " + std::string(what) + " \"" + std::string(text) + "\" cannot be used: it " + reason +
           ", which the model's settings file cannot hold.";
}

namespace {

// Asks for one field. Nothing when the user cancelled or the answer was
// refused (the refusal is shown).
std::optional<std::string> AskField(Prompt& prompt, const std::string& text, const std::string& title,
                                    const std::string& current, std::string_view what)
{
    auto answer = prompt.Input(text, title, current);
    if (!answer) return std::nullopt;
    if (std::string refused = RefusedEntryText(*answer, what); !refused.empty()) {
        prompt.Tell(std::move(refused), PromptIcon::Exclamation);
        return std::nullopt;
    }
    return answer;
}

bool AskYes(Prompt& prompt, std::string text, PromptAnswer defaultAnswer = PromptAnswer::Yes)
{
    return prompt.Ask(PromptMessage{std::move(text), PromptIcon::Question, PromptButtons::YesNo, defaultAnswer, {}}) ==
           PromptAnswer::Yes;
}

}  // namespace

// --- Top tab -------------------------------------------------------------

void WizardSession::ProlificClicked(std::size_t row)
{
    if (row < lists.prolific.size()) settings.builtInTopObject = lists.prolific[row].name;
}

void WizardSession::ConnectSelectionChanged()
{
    connectSelected.resize(lists.objectNames.size(), false);
    const std::string customTop = Trim(settings.customTopObject);
    settings.connectToTop.clear();
    for (std::size_t i = 0; i < lists.objectNames.size(); ++i)
        if (connectSelected[i] && !EqualsNoCase(lists.objectNames[i], customTop))
            settings.connectToTop.push_back(lists.objectNames[i]);
}

std::string WizardSession::ConnectToTopText() const
{
    std::string text;
    for (const std::string& name : settings.connectToTop) text += (text.empty() ? "" : "|") + name;
    return text;
}

void WizardSession::SelectAllConnections(bool select)
{
    connectSelected.assign(lists.objectNames.size(), select);
    ConnectSelectionChanged();
}

// --- Add Object tab --------------------------------------------------------

namespace {

// The name, collection flag, member and doc string of a custom object,
// asked one after the other as Add Object and Edit Selected Object do.
// `skip` is the row being edited: its own name is no clash.
std::optional<InfCustomObject> AskCustomObject(Prompt& prompt, const InfCustomObject& current,
                                               const std::vector<InfCustomObject>& customs,
                                               const std::vector<ModelObjectRow>& model,
                                               std::optional<std::size_t> skip)
{
    auto name = AskField(prompt,
                         "Enter name for custom object. Must differ from existing object names (both custom and "
                         "built-in.)",
                         "Custom Object Name", current.name, "name");
    if (!name) return std::nullopt;
    InfCustomObject object;
    object.name = Trim(*name);
    if (object.name.empty()) return std::nullopt;
    for (std::size_t i = 0; i < customs.size(); ++i)
        if (i != skip && EqualsNoCase(customs[i].name, object.name)) {
            prompt.Tell("There is a custom object named " + object.name, PromptIcon::Exclamation);
            return std::nullopt;
        }
    // Rows an earlier making added (the custom objects themselves among
    // them) are no built-in objects.
    for (const ModelObjectRow& row : model)
        if (!row.custom && EqualsNoCase(row.name, object.name)) {
            prompt.Tell("There is a built-in object named " + object.name, PromptIcon::Exclamation);
            return std::nullopt;
        }
    object.isCollection = AskYes(prompt, "Is the custom object a collection?",
                                 skip && !current.isCollection ? PromptAnswer::No : PromptAnswer::Yes);
    if (object.isCollection) {
        auto member = AskField(prompt, "Enter name for member object of collection.", "Member Name", current.memberName,
                               "member name");
        if (!member) return std::nullopt;
        object.memberName = Trim(*member);
    }
    auto doc = AskField(prompt, "Enter an optional documentation string", "Doc String", current.docString,
                        "documentation string");
    if (!doc) return std::nullopt;
    object.docString = *doc;
    return object;
}

}  // namespace

void WizardSession::AddCustomObject()
{
    auto object = AskCustomObject(m_prompt, {}, settings.customObjects, lists.inModel, std::nullopt);
    if (object) settings.customObjects.push_back(std::move(*object));
}

void WizardSession::EditCustomObject(std::optional<std::size_t> row)
{
    if (!row || *row >= settings.customObjects.size()) {
        m_prompt.Tell("Please select an object to edit.", PromptIcon::Exclamation);
        return;
    }
    auto object = AskCustomObject(m_prompt, settings.customObjects[*row], settings.customObjects, lists.inModel, row);
    if (object) settings.customObjects[*row] = std::move(*object);
}

void WizardSession::DeleteCustomObject(std::optional<std::size_t> row)
{
    if (!row || *row >= settings.customObjects.size()) {
        m_prompt.Tell("Please select an object to delete", PromptIcon::Exclamation);
        return;
    }
    settings.customObjects.erase(settings.customObjects.begin() + static_cast<std::ptrdiff_t>(*row));
}

void WizardSession::EditCustomObjectFields(std::size_t row)
{
    if (row >= settings.customObjects.size()) return;
    InfCustomObject object = settings.customObjects[row];
    auto name = AskField(m_prompt, "Edit name", "Edit Object", object.name, "name");
    if (!name) return;
    auto isColl = m_prompt.Input("Edit IsColl value -- True or False only", "Edit Object",
                                 object.isCollection ? "True" : "False");
    if (!isColl) return;
    auto member = AskField(m_prompt, "Edit member", "Edit Object", object.memberName, "member name");
    if (!member) return;
    auto doc = AskField(m_prompt, "Edit doc string", "Edit Object", object.docString, "documentation string");
    if (!doc) return;
    // An object without a name could not be stored in the model.
    if (Trim(*name).empty()) {
        m_prompt.Tell("A custom object needs a name.", PromptIcon::Exclamation);
        return;
    }
    object.name = Trim(*name);
    object.isCollection = EqualsNoCase(Trim(*isColl), "true");
    object.memberName = Trim(*member);
    object.docString = *doc;
    settings.customObjects[row] = std::move(object);
}

// --- Collection tab --------------------------------------------------------

void WizardSession::MakeCollections(const std::vector<std::size_t>& rows)
{
    for (std::size_t row : rows) {
        if (row >= lists.collections.size()) continue;
        CollectionRow& item = lists.collections[row];
        auto member =
            AskField(m_prompt, "Enter member name for " + item.object + ".", "Member Name", item.object, "member name");
        if (!member) return;  // a cancel or a refused name ends the command; this row stays
        item.newColl = "Y";
        item.newMember = Trim(*member);
    }
}

void WizardSession::MakeNoncollections(const std::vector<std::size_t>& rows)
{
    if (rows.empty() || !AskYes(m_prompt, "Change all selected items to noncollections?")) return;
    for (std::size_t row : rows)
        if (row < lists.collections.size()) {
            lists.collections[row].newColl = "N";
            lists.collections[row].newMember.clear();
        }
}

void WizardSession::RestoreCollections(const std::vector<std::size_t>& rows)
{
    if (rows.empty() || !AskYes(m_prompt, "Change all selected items to original settings?")) return;
    for (std::size_t row : rows)
        if (row < lists.collections.size()) lists.collections[row].newColl = lists.collections[row].newMember = "";
}

void WizardSession::RestoreAllCollections()
{
    if (!AskYes(m_prompt, "Change all items to original settings?")) return;
    for (CollectionRow& row : lists.collections) row.newColl = row.newMember = "";
}

// --- Add Edge tab ----------------------------------------------------------

void WizardSession::ConnectEdges(const std::vector<std::size_t>& parents, const std::vector<std::size_t>& children)
{
    auto isAbort = [](const std::string& answer) { return AsciiLower(Trim(answer)) == "<q>"; };
    std::string onceLabel;
    if (labelOption == EdgeLabelOption::PromptOnce) {
        auto answer = AskField(m_prompt, "Enter a label that will apply to all edges. Enter <q> to abort.",
                               "Edge Label", "", "label");
        if (!answer || isAbort(*answer)) return;
        onceLabel = *answer;
    }
    for (std::size_t p : parents) {
        if (p >= lists.objectNames.size()) continue;
        const std::string& parent = lists.objectNames[p];
        for (std::size_t c : children) {
            if (c >= lists.objectNames.size()) continue;
            const std::string& child = lists.objectNames[c];
            std::string label;
            switch (labelOption) {
                case EdgeLabelOption::None:
                    break;
                case EdgeLabelOption::Parent:
                    label = parent;
                    break;
                case EdgeLabelOption::Child:
                    label = child;
                    break;
                case EdgeLabelOption::PromptOnce:
                    label = onceLabel;
                    break;
                case EdgeLabelOption::PromptEach: {
                    auto answer = AskField(m_prompt, "Enter a label for this edge. Enter <q> to abort.",
                                           parent + " to " + child, "", "label");
                    if (!answer || isAbort(*answer)) return;  // the edges added so far stay
                    label = *answer;
                    break;
                }
            }
            settings.edges.push_back({parent, child, Trim(label)});
            edgeCountText = std::to_string(settings.edges.size());
        }
    }
}

void WizardSession::DeleteEdges(const std::vector<std::size_t>& rows)
{
    const std::vector<std::size_t> doomed = RowsLastFirst(rows, settings.edges.size());
    if (doomed.empty() || !AskYes(m_prompt, "Delete selected edges from lower list?")) return;
    for (std::size_t row : doomed) settings.edges.erase(settings.edges.begin() + static_cast<std::ptrdiff_t>(row));
    edgeCountText = std::to_string(settings.edges.size());
}

void WizardSession::ClearEdges()
{
    if (!AskYes(m_prompt, "Clear the lower list?")) return;
    settings.edges.clear();
    edgeCountText = "0";
}

void WizardSession::EditEdge(std::size_t row)
{
    if (row >= settings.edges.size()) return;
    InfEdge edge = settings.edges[row];
    auto parent = AskField(m_prompt, "Edit parent", "Edit Edge", edge.parent, "parent name");
    if (!parent) return;
    auto child = AskField(m_prompt, "Edit child", "Edit Edge", edge.child, "child name");
    if (!child) return;
    auto label = AskField(m_prompt, "Edit label", "Edit Edge", edge.label, "label");
    if (!label) return;
    settings.edges[row] = {Trim(*parent), Trim(*child), Trim(*label)};
}

}  // namespace arbolith
