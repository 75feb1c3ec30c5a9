// SPDX-License-Identifier: MIT
// Builds small MSFT libraries byte by byte for the reader and extraction
// tests: interfaces (dual ones too), coclasses, enums and types imported
// from other libraries, stored in the order they are added. A test that
// needs a damaged library spoils the bytes of a sound one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "typelib/typelib.h"

namespace arbolith::test {

// Little-endian numbers in a library's bytes.
inline std::uint32_t Get32(const std::string& b, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b.at(at + i));
    return v;
}
inline void Put32(std::string& b, std::size_t at, std::uint32_t v, int bytes = 4)
{
    for (int i = 0; i < bytes; ++i) b.at(at + i) = static_cast<char>((v >> (8 * i)) & 0xFF);
}
// Where segment `seg` (0 typeinfos, 9 type descriptions, ...) of a built
// library starts: its header is 0x54 bytes, then one offset per type.
inline std::size_t SegmentAt(const std::string& b, int seg)
{
    return Get32(b, 0x54 + 4 * Get32(b, 0x20) + 16 * seg);
}
constexpr std::size_t kTypeInfoSize = 0x64;

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

    std::uint32_t lcid = 0x409;  // names are decoded from its code page

    // An imported library; the value is the `import` of a TypeTarget.
    int Import(const Guid& guid, std::uint16_t major, std::uint16_t minor, std::string fileName);
    // Each returns the new type's index. A dual is stored as a dispinterface
    // flagged dual whose base is `base`, as compilers write one.
    int Interface(std::string name, const Guid& guid, std::optional<TypeTarget> base, std::vector<MethodSpec> methods);
    int Dual(std::string name, const Guid& guid, TypeTarget base, std::vector<MethodSpec> methods);
    int Coclass(std::string name, const Guid& guid, std::vector<std::pair<TypeTarget, std::int32_t>> implemented);
    // Constants of type long, each small enough to be stored in its record.
    int Enum(std::string name, std::vector<std::pair<std::string, std::int32_t>> constants);
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
        std::vector<std::pair<std::string, std::int32_t>> constants;
    };
    int Add(Type type);
    struct ImportSpec {
        Guid guid;
        std::uint16_t major = 0, minor = 0;
        std::string fileName;
    };
    std::string m_name;
    Guid m_guid;
    std::uint32_t m_major, m_minor;
    std::vector<ImportSpec> m_imports;
    std::vector<Type> m_types;
};

// "TestLib": T0 enum `enumName` { Red = 5 }, T1 interface IThing { HRESULT Get([in] long value); }.
std::string SampleLibrary(const std::string& enumName = "Color", std::uint32_t lcid = 0x409);

inline std::vector<std::string> FunctionNames(const TypeInfo& type)
{
    std::vector<std::string> names;
    for (const Function& fn : type.functions) names.push_back(fn.name);
    return names;
}

// {N-0000-0000-C000-000000000046}: the form of the standard OLE GUIDs.
Guid OleGuid(std::uint32_t first);

}  // namespace arbolith::test
