// SPDX-License-Identifier: MIT
#include "help/winhelp.h"

namespace arbolith::help {

class WinHelpFile::Impl {
public:
    std::string title;
};

WinHelpFile::WinHelpFile(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
WinHelpFile::WinHelpFile(WinHelpFile&&) noexcept = default;
WinHelpFile& WinHelpFile::operator=(WinHelpFile&&) noexcept = default;
WinHelpFile::~WinHelpFile() = default;

Result<WinHelpFile> WinHelpFile::Open(const std::filesystem::path& file)
{
    return Error::FileSystem(0, file.string() + ": WinHelp files cannot be read yet");
}

Result<WinHelpFile> WinHelpFile::FromBytes(std::string, std::string name)
{
    return Error::FileSystem(0, name + ": WinHelp files cannot be read yet");
}

const std::string& WinHelpFile::Title() const
{
    return m_impl->title;
}

Result<WinHelpTopic> WinHelpFile::TopicForContext(std::uint32_t) const
{
    return Error::FileSystem(0, "WinHelp files cannot be read yet");
}

Result<WinHelpTopic> WinHelpFile::TopicForKeyword(std::string_view) const
{
    return Error::FileSystem(0, "WinHelp files cannot be read yet");
}

Result<WinHelpTopic> WinHelpFile::FirstTopic() const
{
    return Error::FileSystem(0, "WinHelp files cannot be read yet");
}

}  // namespace arbolith::help
