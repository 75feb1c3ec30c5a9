// SPDX-License-Identifier: MIT
#include "help/help_file.h"

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

class HelpFile::Impl {
public:
    std::filesystem::path path;
    HelpFormat format = HelpFormat::Chm;
};

HelpFile::HelpFile(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
HelpFile::HelpFile(HelpFile&&) noexcept = default;
HelpFile& HelpFile::operator=(HelpFile&&) noexcept = default;
HelpFile::~HelpFile() = default;

Result<HelpFile> HelpFile::Open(const std::filesystem::path& file)
{
    return Error::FileSystem(0, "cannot open the help file " + file.string() + ": help files cannot be read yet");
}

HelpFormat HelpFile::Format() const
{
    return m_impl->format;
}

const std::filesystem::path& HelpFile::Path() const
{
    return m_impl->path;
}

Result<HelpTopic> HelpFile::Topic(const HelpId&)
{
    return Error::FileSystem(0, "help files cannot be read yet");
}

Result<HelpTopic> HelpFile::DefaultTopic()
{
    return Error::FileSystem(0, "help files cannot be read yet");
}

Result<std::string> HelpFile::ReadEntry(std::string_view)
{
    return Error::FileSystem(0, "help files cannot be read yet");
}

}  // namespace arbolith::help
