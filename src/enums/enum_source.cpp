// SPDX-License-Identifier: MIT
#include "enums/enum_source.h"

namespace arbolith::enums {

class EnumSource::Impl {
public:
    std::string table;
};

EnumSource::EnumSource(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
EnumSource::EnumSource(EnumSource&&) noexcept = default;
EnumSource& EnumSource::operator=(EnumSource&&) noexcept = default;
EnumSource::~EnumSource() = default;

std::optional<std::filesystem::path> FindSpecialFile(const std::filesystem::path&,
                                                     const std::vector<std::filesystem::path>&)
{
    return std::nullopt;
}

Result<EnumSource> EnumSource::OpenModel(const std::filesystem::path& datFile)
{
    return Error::Model(datFile.string() + ": enums cannot be read yet");
}

Result<EnumSource> EnumSource::OpenVba(const std::filesystem::path& specialFile)
{
    return Error::Model(specialFile.string() + ": enums cannot be read yet");
}

std::string_view EnumSource::Table() const
{
    return m_impl->table;
}

Result<std::vector<std::string>> EnumSource::EnumNames()
{
    return Error::Model("enums cannot be read yet");
}

Result<std::vector<EnumConstant>> EnumSource::Constants(std::string_view)
{
    return Error::Model("enums cannot be read yet");
}

Result<std::vector<ConstantMatch>> EnumSource::FindConstants(std::string_view)
{
    return Error::Model("enums cannot be read yet");
}

std::string ConstantItem(const EnumConstant&)
{
    return {};
}

std::string MatchItem(const ConstantMatch&)
{
    return {};
}

std::string ConstantCopyText(std::string_view)
{
    return {};
}

std::string EnumCopyText(std::string_view, const std::vector<std::string>&)
{
    return {};
}

std::string EnumSelectCode(std::string_view, const std::vector<std::string>&)
{
    return {};
}

}  // namespace arbolith::enums
