// SPDX-License-Identifier: MIT
// Builds small MSFT libraries byte by byte for the reader tests, so a test
// changes one field instead of copying a byte array. The library holds:
//   T0 enum "Color" { Red = 5 } (help context 7)
//   T1 interface "IThing" { HRESULT Get([in] long value); }
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace arbolith::test {

class MsftBuilder {
public:
    MsftBuilder& Magic(std::uint32_t v)
    {
        m_magic = v;
        return *this;
    }
    MsftBuilder& TypeCount(std::int32_t v)
    {
        m_typeCount = v;
        return *this;
    }
    MsftBuilder& MemberBlockOffset(std::uint32_t v)
    {
        m_memberBlock = v;
        return *this;
    }  // of T1
    MsftBuilder& ParamCount(std::int16_t v)
    {
        m_paramCount = v;
        return *this;
    }
    MsftBuilder& ParamType(std::int32_t v)
    {
        m_paramType = v;
        return *this;
    }  // type encoding of the parameter
    MsftBuilder& NameLength(std::uint8_t v)
    {
        m_nameLength = v;
        return *this;
    }  // of "IThing"
    MsftBuilder& Lcid(std::uint32_t v)
    {
        m_lcid = v;
        return *this;
    }
    MsftBuilder& EnumName(std::string v)
    {
        m_enumName = std::move(v);
        return *this;
    }

    // Offsets of the parts, known after Bytes().
    struct Layout {
        std::size_t segmentDirectory = 0, typeinfos = 0, names = 0, typedescs = 0, memberBlock0 = 0, memberBlock1 = 0,
                    end = 0;
    };
    const Layout& Parts() const { return m_layout; }

    std::string Bytes();

private:
    std::uint32_t m_magic = 0x5446534D;
    std::int32_t m_typeCount = 2;
    std::optional<std::uint32_t> m_memberBlock;
    std::int16_t m_paramCount = 1;
    std::int32_t m_paramType = static_cast<std::int32_t>(0x80000003);  // VT_I4 inline
    std::optional<std::uint8_t> m_nameLength;
    std::uint32_t m_lcid = 0x409;
    std::string m_enumName = "Color";
    Layout m_layout;
};

}  // namespace arbolith::test
