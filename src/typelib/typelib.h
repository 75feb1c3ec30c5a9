// SPDX-License-Identifier: MIT
// A type library as the rest of Arbolith sees it: plain values, read once by
// src/typelib (LoadTypeLib) and never touched by the reader again.
//
// Views of a dual interface: the file stores it once; TypeInfo for it holds
// the dispinterface view (kind Dispatch, the inherited IUnknown/IDispatch
// functions first, every function rewritten as a dispatch member), and
// interfaceView holds the vtable view (kind Interface, its own functions as
// stored). Enumerating a type's functions gives the dispinterface view.
//
// Text is UTF-8 throughout, decoded from the library's code page.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace arbolith {

struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::uint8_t data4[8] = {};

    bool operator==(const Guid&) const = default;
    bool IsNull() const { return *this == Guid{}; }
    // "{00020430-0000-0000-C000-000000000046}", upper-case hex.
    std::string ToString() const;
};

enum class TypeKind : std::uint8_t {
    Enum = 0,
    Record = 1,
    Module = 2,
    Interface = 3,
    Dispatch = 4,
    Coclass = 5,
    Alias = 6,
    Union = 7,
};

// "enum", "record", "module", "interface", "dispinterface", "coclass",
// "alias", "union".
std::string_view TypeKindKeyword(TypeKind kind);

// Variant-type codes and flag bits the callers test.
inline constexpr std::uint16_t kVtUserDefinedBase = 0;    // base code of a library type
inline constexpr std::uint16_t kVtCArrayBit = 0x1000;     // fixed-size array of the base
inline constexpr std::uint16_t kVtSafeArrayBit = 0x2000;  // SAFEARRAY of the base
inline constexpr std::uint16_t kParamFlagOptional = 0x10;
inline constexpr std::uint16_t kVarFlagReadOnly = 0x01;
inline constexpr std::int32_t kImplTypeFlagDefault = 0x1;
inline constexpr std::int32_t kImplTypeFlagSource = 0x2;
inline constexpr std::uint16_t kTypeFlagHidden = 0x10;
inline constexpr std::uint16_t kTypeFlagDual = 0x40;

// A reference to a type declared in a library: this one or an imported one.
// The library fields are always filled (from the import record when the
// library could not be loaded), so a reference copied into another library's
// view still names its own library.
struct TypeRef {
    std::int32_t index = -1;  // index of the type in its library; -1 if unknown
    std::string name;         // "" when unresolved
    bool external = false;    // declared in another library than the referencing one
    bool resolved = false;    // the type itself was found (always true for internal)
    std::string libraryName;  // name the library gives itself ("stdole")
    std::uint16_t libraryMajor = 0;
    std::uint16_t libraryMinor = 0;
    Guid libraryGuid;
    // The loaded library of a resolved external reference; null otherwise.
    std::shared_ptr<const struct TypeLib> library;
};

// A variable-type descriptor with pointer levels left out.
struct TypeDesc {
    std::uint16_t code = 0;  // base VARTYPE plus kVtSafeArrayBit / kVtCArrayBit
    std::uint8_t pointerLevels = 0;
    // Set when the base is a library type (base code 0). Every descriptor
    // naming the same type shares one TypeRef: a large library has hundreds
    // of thousands of them, and a TypeRef is over a hundred bytes.
    std::shared_ptr<const TypeRef> ref;

    std::uint16_t BaseCode() const { return code & 0x0FFF; }
};

struct Parameter {
    std::string name;
    std::uint16_t flags = 0;  // PARAMFLAG_*: 1 in, 2 out, 4 lcid, 8 retval, 0x10 optional
    TypeDesc type;
};

struct Function {
    std::string name;
    std::string doc;
    std::int32_t memberId = 0;
    std::int32_t invokeKind = 1;  // 1 func, 2 propget, 4 propput, 8 propputref
    std::int32_t funcKind = 0;    // 0 virtual, 1 pure virtual, 2 non-virtual, 3 static, 4 dispatch
    std::int32_t callConv = 0;
    std::uint16_t flags = 0;  // FUNCFLAG_*
    std::uint32_t helpContext = 0;
    std::int16_t paramsOptional = 0;  // -1 for a vararg function
    std::uint16_t vtableOffset = 0;
    TypeDesc returnType;
    std::vector<Parameter> params;
};

// A constant's value as the library stores it.
struct ConstantValue {
    std::uint16_t vt = 0;
    std::int64_t integer = 0;  // integer, boolean, error and currency (raw) types
    double real = 0;           // VT_R4, VT_R8, VT_DATE
    std::string text;          // VT_BSTR, UTF-8

    // The value converted to a 32-bit integer as OLE Automation would; nullopt
    // when it does not fit or is not a number.
    std::optional<std::int32_t> ToInt32() const;
};

struct Variable {
    std::string name;
    std::string doc;
    std::int32_t memberId = 0;
    std::int32_t varKind = 0;  // 0 per instance, 1 static, 2 constant, 3 dispatch
    std::uint16_t flags = 0;   // VARFLAG_*
    std::uint32_t helpContext = 0;
    TypeDesc type;
    std::optional<ConstantValue> value;  // constants only
};

struct ImplType {
    TypeRef ref;
    std::int32_t flags = 0;  // IMPLTYPEFLAG_*: 1 default, 2 source, 4 restricted, 8 default vtable
};

struct TypeInfo {
    TypeKind kind = TypeKind::Enum;
    std::string name;
    std::string doc;
    Guid guid;
    std::uint32_t helpContext = 0;
    std::uint16_t typeFlags = 0;
    std::uint16_t majorVersion = 0;
    std::uint16_t minorVersion = 0;
    std::vector<Function> functions;
    std::vector<Variable> variables;
    std::vector<ImplType> implTypes;
    std::optional<TypeDesc> aliasOf;  // aliases only
    std::string dllName;              // modules only
    // Dual interfaces only: the vtable view (see the file comment).
    std::shared_ptr<const TypeInfo> interfaceView;
};

struct TypeLib {
    std::string name;
    std::string doc;
    std::string helpFile;
    std::uint32_t helpContext = 0;
    Guid guid;
    std::uint16_t majorVersion = 0;
    std::uint16_t minorVersion = 0;
    std::uint32_t lcid = 0;
    std::int32_t sysKind = 0;     // 0 win16, 1 win32, 2 mac, 3 win64
    std::uint16_t libFlags = 0;   // LIBFLAG_*
    std::vector<TypeInfo> types;  // library order
    std::string path;             // the file it came from, "path\N" for resource N > 1

    std::size_t TypeCount() const { return types.size(); }
    std::size_t CountOf(TypeKind kind) const;
};

// One member of a type as callers list them: functions first, then variables.
// A dispinterface property (a variable of a Dispatch type) gives a propget
// member and, unless read-only, a propput member taking the value as its one
// parameter. Constants of enums and modules have invoke kind 32 and a value.
struct Member {
    std::string name;
    std::string doc;
    std::int32_t invokeKind = 1;  // 1, 2, 4, 8, or 32 for a constant
    std::int32_t memberId = 0;
    std::uint32_t helpContext = 0;
    std::uint16_t flags = 0;  // FUNCFLAG_* for functions, VARFLAG_* for variables
    TypeDesc returnType;
    std::vector<Parameter> params;
    std::optional<std::int32_t> value;  // constants that are integers
    bool isConstant = false;
};
inline constexpr std::int32_t kInvokeConstant = 32;
std::vector<Member> Members(const TypeInfo& type);

// Index into type.implTypes of a coclass's default interface: the one flagged
// default and not source, else the first not flagged source.
std::optional<std::size_t> DefaultInterface(const TypeInfo& type);
// The one flagged default and source, else the first flagged source, else none.
std::optional<std::size_t> DefaultSourceInterface(const TypeInfo& type);

struct LoadOptions {
    // Folders searched (after the referencing library's own folder and the
    // registry) for libraries that a loaded library imports.
    std::vector<std::string> searchPaths;
    // Path of the library registered for GUID and version, when known.
    std::function<std::optional<std::string>(const Guid&, std::uint16_t major, std::uint16_t minor)> locateRegistered;
    // Off: imported types stay unresolved (their library is not looked for).
    bool resolveExternal = true;
};

// Loads "path" (resource 1 of a PE file, or a raw library) or "path\N"
// (TYPELIB resource N). Imported types that cannot be found are reported in
// their TypeRef (resolved = false); only a damaged or unknown file fails.
Result<TypeLib> LoadTypeLib(std::string_view pathWithResource, const LoadOptions& options = {});

}  // namespace arbolith
