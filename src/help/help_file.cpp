// SPDX-License-Identifier: MIT
#include "help/help_file.h"

#include "help/chm_file.h"
#include "help/html_text.h"
#include "help/winhelp.h"

#include "platform/paths.h"
#include "platform/text_encoding.h"

#include <charconv>

namespace arbolith::help {

std::optional<HelpFormat> HelpFormatOf(std::string_view fileName)
{
    const std::string extension = GetExtension(fileName);
    if (EqualsNoCase(extension, "chm")) return HelpFormat::Chm;
    if (EqualsNoCase(extension, "hlp")) return HelpFormat::WinHelp;
    return std::nullopt;
}

HelpId ParseHelpId(std::string_view id)
{
    HelpId parsed;
    if (id.size() > 1 && id.front() == '_') {
        parsed.kind = HelpId::Kind::Keyword;
        parsed.keyword = std::string(id.substr(1));
        return parsed;
    }
    std::uint32_t number = 0;
    const auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), number);
    if (error == std::errc() && end == id.data() + id.size() && !id.empty() && number != 0) {
        parsed.kind = HelpId::Kind::Context;
        parsed.context = number;
    }
    return parsed;
}

namespace {

HelpTopic ChmTopic(std::string page, std::string path)
{
    HelpTopic topic;
    const std::string text = DecodeFileText(page);
    topic.title = HtmlTitle(text);
    topic.text = HtmlToText(text);
    topic.html = std::move(page);
    topic.path = std::move(path);
    return topic;
}

HelpTopic WinHelpTopicAsHelpTopic(const WinHelpTopic& found)
{
    HelpTopic topic;
    topic.title = found.title;
    if (!found.title.empty()) {
        topic.html = "<h1>" + EscapeHtml(found.title) + "</h1>\n";
        topic.text = found.title;
    }
    for (const std::string& paragraph : found.paragraphs) {
        topic.html += "<p>" + EscapeHtml(paragraph) + "</p>\n";
        if (!topic.text.empty()) topic.text += '\n';
        topic.text += paragraph;
    }
    return topic;
}

}  // namespace

class HelpFile::Impl {
public:
    std::filesystem::path path;
    HelpFormat format = HelpFormat::Chm;
    std::optional<ChmFile> chm;
    std::optional<WinHelpFile> winHelp;

    Result<HelpTopic> ChmPage(Result<std::string> path)
    {
        if (!path) return path.error();
        auto page = chm->Read(*path);
        if (!page) return page.error();
        return ChmTopic(std::move(*page), std::move(*path));
    }
};

HelpFile::HelpFile(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
HelpFile::HelpFile(HelpFile&&) noexcept = default;
HelpFile& HelpFile::operator=(HelpFile&&) noexcept = default;
HelpFile::~HelpFile() = default;

Result<HelpFile> HelpFile::Open(const std::filesystem::path& file)
{
    const auto format = HelpFormatOf(file.string());
    if (!format)
        return Error::FileSystem(0, file.string() + ": not a help file (the name ends in neither .chm nor .hlp)");
    auto impl = std::make_unique<Impl>();
    impl->path = file;
    impl->format = *format;
    if (*format == HelpFormat::Chm) {
        auto chm = ChmFile::Open(file);
        if (!chm) return chm.error();
        impl->chm.emplace(std::move(*chm));
    } else {
        auto winHelp = WinHelpFile::Open(file);
        if (!winHelp) return winHelp.error();
        impl->winHelp.emplace(std::move(*winHelp));
    }
    return HelpFile(std::move(impl));
}

HelpFormat HelpFile::Format() const
{
    return m_impl->format;
}

const std::filesystem::path& HelpFile::Path() const
{
    return m_impl->path;
}

Result<HelpTopic> HelpFile::Topic(const HelpId& id)
{
    if (id.kind == HelpId::Kind::None) return Error::Model(m_impl->path.string() + ": the help id names no topic");
    if (m_impl->chm) {
        if (id.kind == HelpId::Kind::Context) return m_impl->ChmPage(m_impl->chm->ContextTopic(id.context));
        return m_impl->ChmPage(m_impl->chm->KeywordTopic(id.keyword));
    }
    auto found = id.kind == HelpId::Kind::Context ? m_impl->winHelp->TopicForContext(id.context)
                                                  : m_impl->winHelp->TopicForKeyword(id.keyword);
    if (!found) return found.error();
    return WinHelpTopicAsHelpTopic(*found);
}

Result<HelpTopic> HelpFile::DefaultTopic()
{
    if (m_impl->chm) return m_impl->ChmPage(m_impl->chm->DefaultTopic());
    auto found = m_impl->winHelp->FirstTopic();
    if (!found) return found.error();
    return WinHelpTopicAsHelpTopic(*found);
}

Result<std::string> HelpFile::ReadEntry(std::string_view path)
{
    if (!m_impl->chm) return Error::Model(m_impl->path.string() + ": a WinHelp file has no entries to read by path");
    return m_impl->chm->Read(path);
}

}  // namespace arbolith::help
