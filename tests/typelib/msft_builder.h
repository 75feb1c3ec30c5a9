// SPDX-License-Identifier: MIT
// Builds small MSFT libraries byte by byte for the reader tests, so a test
// changes one field instead of copying a byte array.
//
// MsftBuilder makes one fixed library whose fields a test can spoil:
//   T0 enum "Color" { Red = 5 } (help context 7)
//   T1 interface "IThing" { HRESULT Get([in] long value); }
// LibraryBuilder makes libraries of the test's own shape: interfaces (dual
// ones too), coclasses and types imported from other libraries, stored in
// the order they are added.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "typelib/typelib.h"

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

// A type a member or a base refers to: one of the library's own types (by
// index) or one of an imported library (by its GUID).
struct TypeTarget {
    int local = -1;
    int import = -1;  // from LibraryBuilder::Import
    Guid guid;        // of the imported type
};
inline TypeTarget Own(int index)
{
    return TypeTarget{index, -1, Guid{}};
}
inline TypeTarget Imported(int import, const Guid& guid)
{
    return TypeTarget{-1, import, guid};
}

// A parameter or return type: a base variant type (VT_I4, ...) with pointer
// levels, or a library type (`target` set, `vt` ignored).
struct TypeSpec {
    std::uint16_t vt = 3;
    int pointers = 0;
    std::optional<TypeTarget> target;
};

struct ParamSpec {
    std::string name;
    std::uint16_t flags = 1;  // PARAMFLAG_*
    TypeSpec type;
};

struct MethodSpec {
    std::string name;
    std::int32_t memberId = 0;
    std::int32_t invokeKind = 1;
    std::vector<ParamSpec> params;
    TypeSpec returns{25, 0, std::nullopt};  // HRESULT
};
inline MethodSpec Method(std::string name, std::int32_t memberId = 0, std::vector<ParamSpec> params = {})
{
    return MethodSpec{std::move(name), memberId, 1, std::move(params), TypeSpec{25, 0, std::nullopt}};
}

class LibraryBuilder {
public:
    LibraryBuilder(std::string name, const Guid& guid, std::uint16_t major = 1, std::uint16_t minor = 0);

    // An imported library; the value is the `import` of a TypeTarget.
    int Import(const Guid& guid, std::uint16_t major, std::uint16_t minor, std::string fileName);
    // Each returns the new type's index. A dual is stored as a dispinterface
    // flagged dual whose base is `base`, as compilers write one.
    int Interface(std::string name, const Guid& guid, std::optional<TypeTarget> base, std::vector<MethodSpec> methods);
    int Dual(std::string name, const Guid& guid, TypeTarget base, std::vector<MethodSpec> methods);
    int Coclass(std::string name, const Guid& guid, std::vector<std::pair<TypeTarget, std::int32_t>> implemented);
    // Sets the base of a type added before its base was.
    void SetBase(int type, TypeTarget base);

    std::string Bytes() const;

private:
    struct Type {
        std::uint32_t kind = 3;
        std::string name;
        Guid guid;
        std::uint16_t flags = 0;
        std::optional<TypeTarget> base;
        std::vector<MethodSpec> methods;
        std::vector<std::pair<TypeTarget, std::int32_t>> implemented;
    };
    struct ImportSpec {
        Guid guid;
        std::uint16_t major = 0, minor = 0;
        std::string fileName;
    };
    std::string m_name;
    Guid m_guid;
    std::uint16_t m_major, m_minor;
    std::vector<ImportSpec> m_imports;
    std::vector<Type> m_types;
};

// {N-0000-0000-C000-000000000046}: the form of the standard OLE GUIDs.
Guid OleGuid(std::uint32_t first);

}  // namespace arbolith::test
