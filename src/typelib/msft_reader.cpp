// SPDX-License-Identifier: MIT
// Reads an MSFT library in two passes over bytes already in memory:
//  1. header, segment directory and every typeinfo with its members, as
//     stored (for a dual interface that is its vtable view);
//  2. the dispatch view of each dual interface, which needs the functions of
//     its whole base chain, possibly from imported libraries. A base that is
//     itself a dual of this library gets its view first, whatever the order
//     of the types in the file.
// Every offset read from the file is checked through ByteView before use.
#include "typelib/msft_reader.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "typelib/code_pages.h"
#include "typelib/dispatch_view.h"
#include "typelib/msft_layout.h"
#include "typelib/stored_values.h"

namespace arbolith {
namespace {

using namespace msft;

constexpr int kMaxTypeDepth = 16;  // PTR -> PTR -> ... chains in one descriptor

constexpr const char* kSegmentNames[SEGDIR_COUNT] = {
    "typeinfo table",     "import info", "import files",      "references",   "GUID hash",
    "GUID table",         "name hash",   "name table",        "string table", "typedesc table",
    "array descriptions", "custom data", "custom-data GUIDs", "segment 13",   "segment 14"};

struct RawTypeInfo {
    std::int32_t datatype1 = -1;
    std::uint16_t implCount = 0;
};

class Parser {
public:
    Parser(ByteView file, const ImportResolver& resolver) : m_file(file), m_resolver(resolver), m_text(file.Size()) {}

    Read<TypeLib> Run();

private:
    Read<bool> ReadHeader();
    Read<bool> ReadTypeInfo(std::uint32_t index, TypeInfo& type, RawTypeInfo& raw);
    Read<bool> ReadMembers(std::uint32_t index, std::uint32_t memOff, std::uint32_t funcCount, std::uint32_t varCount,
                           TypeInfo& type);
    std::uint32_t ReadFunction(ByteView body, std::uint32_t recOff, Function& fn) const;
    std::uint32_t ReadVariable(ByteView body, std::uint32_t recOff, Variable& var) const;

    std::string Name(std::int32_t off) const;
    std::string String(std::int32_t off) const;
    Guid GuidAt(std::int32_t off) const;
    TypeDesc DecodeType(std::int32_t encoded) const;
    TypeRef ResolveHref(std::int32_t href) const;
    std::shared_ptr<const TypeRef> SharedRef(std::int32_t href) const;
    std::optional<ConstantValue> DecodeValue(std::int32_t encoded) const;
    std::string Decode(std::string_view bytes) const;

    ByteView m_file;
    const ImportResolver& m_resolver;
    std::array<ByteView, SEGDIR_COUNT> m_seg{};
    std::uint32_t m_typeCount = 0;
    std::int32_t m_dispatchHref = -1;
    TypeLib m_lib;
    std::vector<RawTypeInfo> m_raw;
    // Member tables and records decoded so far. In a sound file no two types
    // share a member block and no two members share a record, so this never
    // exceeds the file size; a file that points many types or members at the
    // same bytes to multiply them is refused once it does.
    std::uint64_t m_memberBytes = 0;
    std::uint64_t m_referencesRead = 0;  // coclass reference records; each is read once in a sound file
    mutable LibraryText m_text;
    mutable std::unordered_map<std::uint32_t, std::shared_ptr<const TypeLib>> m_imports;  // by import-file offset
    mutable std::unordered_map<std::int32_t, TypeRef> m_refCache;
    mutable std::unordered_map<std::int32_t, std::shared_ptr<const TypeRef>> m_sharedRefs;  // for TypeDesc
};

Read<bool> Parser::ReadHeader()
{
    auto head = m_file.Slice(0, HDR_SIZE, "library header");
    if (!head) return head.error();
    if (head->U32At(0) != MSFT_MAGIC) return m_file.Fail(ErrCode::BadMagic, 0, "not a type library");
    std::int32_t count = head->I32At(HDR_TYPE_COUNT);
    if (count < 0 || !CountFits(static_cast<std::uint32_t>(count), 4 + TI_SIZE, m_file.Size()))
        return m_file.Fail(
            ErrCode::BadValue, HDR_TYPE_COUNT,
            "typeinfo count " + std::to_string(count) + " impossible for a file of " + Hex(m_file.Size()) + " bytes");
    m_typeCount = static_cast<std::uint32_t>(count);
    std::uint32_t varflags = head->U32At(HDR_VARFLAGS);
    std::uint64_t dirOff = HDR_SIZE + 4ull * m_typeCount + ((varflags & VARFLAG_HELP_DLL) ? 4 : 0);
    auto dir = m_file.Slice(dirOff, SEGDIR_COUNT * SEGDIR_ENTRY_SIZE, "segment directory");
    if (!dir) return dir.error();
    for (std::uint32_t i = 0; i < SEGDIR_COUNT; ++i) {
        std::int32_t off = dir->I32At(i * SEGDIR_ENTRY_SIZE);
        std::int32_t len = dir->I32At(i * SEGDIR_ENTRY_SIZE + 4);
        if (off == -1 || len <= 0) continue;
        if (off < 0)
            return m_file.Fail(ErrCode::BadValue, dirOff + i * SEGDIR_ENTRY_SIZE,
                               std::string(kSegmentNames[i]) + ": negative offset");
        if (!m_file.Contains(static_cast<std::uint32_t>(off), static_cast<std::uint32_t>(len)))
            return m_file.Fail(ErrCode::Truncated, static_cast<std::uint32_t>(off),
                               std::string(kSegmentNames[i]) + " at " + Hex(static_cast<std::uint32_t>(off)) + " (" +
                                   Hex(static_cast<std::uint32_t>(len)) + " bytes) past end of file (" +
                                   Hex(m_file.Size()) + ")");
        m_seg[i] = ByteView(m_file.Data() + off, static_cast<std::uint32_t>(len), static_cast<std::uint32_t>(off));
    }
    if (!CountFits(m_typeCount, TI_SIZE, m_seg[SEG_TYPEINFO].Size()) ||
        m_seg[SEG_TYPEINFO].Size() < std::uint64_t{m_typeCount} * TI_SIZE)
        return m_file.Fail(ErrCode::Truncated, m_seg[SEG_TYPEINFO].Base(),
                           "typeinfo table holds " + Hex(m_seg[SEG_TYPEINFO].Size()) + " bytes, too few for " +
                               std::to_string(m_typeCount) + " typeinfos");

    m_lib.lcid = head->U32At(HDR_LCID);
    m_lib.sysKind = static_cast<std::int32_t>(varflags & VARFLAG_SYSKIND_MASK);
    std::uint32_t version = head->U32At(HDR_VERSION);
    m_lib.majorVersion = static_cast<std::uint16_t>(version & 0xFFFF);
    m_lib.minorVersion = static_cast<std::uint16_t>(version >> 16);
    m_lib.libFlags = static_cast<std::uint16_t>(head->U32At(HDR_LIBFLAGS));
    m_lib.guid = GuidAt(head->I32At(HDR_GUID));
    m_lib.doc = String(head->I32At(HDR_DOC));
    m_lib.helpContext = head->U32At(HDR_HELP_CONTEXT);
    m_lib.name = Name(head->I32At(HDR_NAME));
    m_lib.helpFile = String(head->I32At(HDR_HELP_FILE));
    m_dispatchHref = head->I32At(HDR_DISPATCH_HREF);
    return true;
}

std::string Parser::Decode(std::string_view bytes) const
{
    return m_text.Decode(bytes, m_lib.lcid);
}

std::string Parser::Name(std::int32_t off) const
{
    const ByteView& names = m_seg[SEG_NAMES];
    if (off < 0 || !names.Contains(static_cast<std::uint32_t>(off), NAME_PREFIX)) return {};
    std::uint32_t len = names.U8At(static_cast<std::uint32_t>(off) + NAME_LENGTH);
    auto bytes = names.Slice(static_cast<std::uint32_t>(off) + NAME_PREFIX, len, "name");
    if (!bytes) return {};
    return Decode(std::string_view(reinterpret_cast<const char*>(bytes->Data()), len));
}

std::string Parser::String(std::int32_t off) const
{
    const ByteView& strings = m_seg[SEG_STRINGS];
    std::uint16_t len = 0;
    if (off < 0 || !strings.U16(static_cast<std::uint32_t>(off), len)) return {};
    auto bytes = strings.Slice(static_cast<std::uint32_t>(off) + STRING_PREFIX, len, "string");
    if (!bytes) return {};
    return Decode(std::string_view(reinterpret_cast<const char*>(bytes->Data()), len));
}

Guid Parser::GuidAt(std::int32_t off) const
{
    return off < 0 ? Guid{} : ReadStoredGuid(m_seg[SEG_GUIDS], static_cast<std::uint32_t>(off));
}

std::optional<ConstantValue> Parser::DecodeValue(std::int32_t encoded) const
{
    ConstantValue v;
    if (encoded < 0) {
        // Inline: type in bits 26-30, value in the low 26 bits, read at the type's width.
        std::uint32_t u = static_cast<std::uint32_t>(encoded);
        v.vt = static_cast<std::uint16_t>((u >> 26) & 0x1F);
        std::uint32_t raw = u & 0x03FFFFFF;
        switch (v.vt) {
            case VT_I1:
                v.integer = static_cast<std::int8_t>(raw & 0xFF);
                break;
            case VT_I2:
            case VT_BOOL:
                v.integer = static_cast<std::int16_t>(raw & 0xFFFF);
                break;
            case VT_UI1:
                v.integer = raw & 0xFF;
                break;
            case VT_UI2:
                v.integer = raw & 0xFFFF;
                break;
            default:
                v.integer = raw;
                break;
        }
        return v;
    }
    const ByteView& cd = m_seg[SEG_CUSTOM_DATA];
    std::uint32_t off = static_cast<std::uint32_t>(encoded);
    std::uint16_t vt = 0;
    if (!cd.U16(off, vt)) return std::nullopt;
    if (vt != VT_BSTR) return ReadStoredNumber(cd, off + 2, vt);
    // A string: its length in 32 bits (0xFFFFFFFF for none), then its bytes.
    v.vt = vt;
    std::uint32_t len = 0;
    if (!cd.U32(off + 2, len)) return std::nullopt;
    if (len == 0xFFFFFFFF) return v;
    auto bytes = cd.Slice(off + 6, len, "string constant");
    if (!bytes) return std::nullopt;
    v.text = Decode(std::string_view(reinterpret_cast<const char*>(bytes->Data()), len));
    return v;
}

TypeRef Parser::ResolveHref(std::int32_t href) const
{
    if (auto it = m_refCache.find(href); it != m_refCache.end()) return it->second;
    TypeRef ref;
    ref.libraryName = m_lib.name;
    ref.libraryMajor = m_lib.majorVersion;
    ref.libraryMinor = m_lib.minorVersion;
    ref.libraryGuid = m_lib.guid;
    std::uint32_t h = static_cast<std::uint32_t>(href);
    if (href == -1) {
        // nothing: unresolved, index -1
    } else if ((h & 3) == 0) {
        if (h % TI_SIZE == 0 && h / TI_SIZE < m_typeCount) {
            ref.index = static_cast<std::int32_t>(h / TI_SIZE);
            ref.resolved = true;
            // Names of all types are read before any reference is resolved.
            ref.name =
                ref.index < static_cast<std::int32_t>(m_lib.types.size()) ? m_lib.types[ref.index].name : std::string();
        }
    } else if (h & 1) {
        ref.external = true;
        ref.libraryName.clear();
        ref.libraryMajor = ref.libraryMinor = 0;
        ref.libraryGuid = {};
        const ByteView& infos = m_seg[SEG_IMPORT_INFO];
        std::uint32_t off = h & ~3u;
        auto info = infos.Slice(off, IMPORT_INFO_SIZE, "import info");
        if (info) {
            std::uint32_t flags = info->U32At(0);
            std::uint32_t fileOff = info->U32At(4);
            std::int32_t target = info->I32At(8);
            const ByteView& files = m_seg[SEG_IMPORT_FILES];
            auto file = files.Slice(fileOff, IMPORT_FILE_PREFIX, "import file");
            if (file) {
                ImportedLibrary imp;
                imp.guid = GuidAt(file->I32At(0));
                imp.lcid = file->U32At(4);
                imp.major = file->U16At(8);
                imp.minor = file->U16At(10);
                std::uint32_t len = file->U16At(12) >> 2;
                if (auto name = files.Slice(std::uint64_t{fileOff} + IMPORT_FILE_PREFIX, len, "import file name"))
                    imp.fileName = std::string(reinterpret_cast<const char*>(name->Data()), len);
                ref.libraryName = imp.fileName;
                ref.libraryGuid = imp.guid;
                ref.libraryMajor = imp.major;
                ref.libraryMinor = imp.minor;
                if (imp.guid == m_lib.guid && imp.major == m_lib.majorVersion && !imp.guid.IsNull()) {
                    // The library imports from itself (stdole2 does, for IDispatch).
                    std::int32_t found = -1;
                    if (flags & IMPORT_BY_GUID) {
                        Guid g = GuidAt(target);
                        for (std::size_t i = 0; i < m_lib.types.size() && found < 0; ++i)
                            if (m_lib.types[i].guid == g) found = static_cast<std::int32_t>(i);
                    } else if (target >= 0 && static_cast<std::uint32_t>(target) < m_typeCount) {
                        found = target;
                    }
                    TypeRef self;
                    self.libraryName = m_lib.name;
                    self.libraryMajor = m_lib.majorVersion;
                    self.libraryMinor = m_lib.minorVersion;
                    self.libraryGuid = m_lib.guid;
                    if (found >= 0) {
                        self.index = found;
                        self.name = m_lib.types[found].name;
                        self.resolved = true;
                    }
                    m_refCache.emplace(href, self);
                    return self;
                }
                std::shared_ptr<const TypeLib> lib;
                if (auto it = m_imports.find(fileOff); it != m_imports.end())
                    lib = it->second;
                else {
                    if (m_resolver) lib = m_resolver(imp);
                    m_imports.emplace(fileOff, lib);
                }
                if (lib) {
                    ref.libraryName = lib->name;
                    ref.libraryMajor = lib->majorVersion;
                    ref.libraryMinor = lib->minorVersion;
                    ref.libraryGuid = lib->guid;
                    std::int32_t found = -1;
                    if (flags & IMPORT_BY_GUID) {
                        Guid g = GuidAt(target);
                        for (std::size_t i = 0; i < lib->types.size(); ++i)
                            if (lib->types[i].guid == g) {
                                found = static_cast<std::int32_t>(i);
                                break;
                            }
                    } else if (target >= 0 && static_cast<std::size_t>(target) < lib->types.size()) {
                        found = target;
                    }
                    if (found >= 0) {
                        ref.index = found;
                        ref.name = lib->types[found].name;
                        ref.resolved = true;
                        ref.library = lib;
                    }
                }
            }
        }
    }
    m_refCache.emplace(href, ref);
    return ref;
}

// One TypeRef per reference target, shared by every descriptor naming it.
std::shared_ptr<const TypeRef> Parser::SharedRef(std::int32_t href) const
{
    auto [it, added] = m_sharedRefs.try_emplace(href);
    if (added) it->second = std::make_shared<const TypeRef>(ResolveHref(href));
    return it->second;
}

TypeDesc Parser::DecodeType(std::int32_t encoded) const
{
    TypeDesc td;
    std::uint16_t arrayBit = 0;
    std::int32_t t = encoded;
    for (int depth = 0; depth < kMaxTypeDepth; ++depth) {
        if (t < 0) {
            td.code = static_cast<std::uint16_t>(arrayBit | (static_cast<std::uint32_t>(t) & 0x0FFF));
            return td;
        }
        auto desc = m_seg[SEG_TYPEDESCS].Slice(static_cast<std::uint32_t>(t), TYPEDESC_SIZE, "typedesc");
        if (!desc) return td;  // unreadable: VT_EMPTY
        std::uint16_t vt = desc->U16At(0) & 0x0FFF;
        std::int32_t target = desc->I32At(4);
        switch (vt) {
            case VT_PTR:
                if (td.pointerLevels < 255) ++td.pointerLevels;
                t = target;
                continue;
            case VT_SAFEARRAY:
                if (arrayBit != 0) {
                    td.code = static_cast<std::uint16_t>(arrayBit | vt);
                    return td;
                }
                arrayBit = kVtSafeArrayBit;
                t = target;
                continue;
            case VT_CARRAY: {
                if (arrayBit != 0) {
                    td.code = static_cast<std::uint16_t>(arrayBit | vt);
                    return td;
                }
                arrayBit = kVtCArrayBit;
                std::uint32_t elem = 0;
                if (target < 0 || !m_seg[SEG_ARRAYDESCS].U32(static_cast<std::uint32_t>(target), elem)) {
                    td.code = arrayBit;
                    return td;
                }
                t = static_cast<std::int32_t>(elem);
                continue;
            }
            case VT_USERDEFINED:
                td.code = arrayBit;
                td.ref = SharedRef(target);
                return td;
            default:
                td.code = static_cast<std::uint16_t>(arrayBit | vt);
                return td;
        }
    }
    td.code = arrayBit;  // chain too long: treated as unreadable
    return td;
}

// Both record readers return the record's length, 0 when it cannot be read.
std::uint32_t Parser::ReadFunction(ByteView body, std::uint32_t recOff, Function& fn) const
{
    std::uint16_t len = 0;
    if (!body.U16(recOff, len) || len < FN_OPTIONAL) return 0;
    auto rec = body.Slice(recOff, len, "function record");
    if (!rec) return 0;
    fn.returnType = DecodeType(rec->I32At(FN_RET));
    fn.flags = static_cast<std::uint16_t>(rec->U32At(FN_FLAGS));
    fn.vtableOffset = rec->U16At(FN_VTABLE) & 0xFFFE;
    std::uint32_t fkccic = rec->U32At(FN_FKCCIC);
    fn.funcKind = static_cast<std::int32_t>(fkccic & FKCCIC_FUNCKIND_MASK);
    fn.invokeKind = static_cast<std::int32_t>((fkccic >> FKCCIC_INVKIND_SHIFT) & FKCCIC_INVKIND_MASK);
    fn.callConv = static_cast<std::int32_t>((fkccic >> FKCCIC_CALLCONV_SHIFT) & FKCCIC_CALLCONV_MASK);
    std::int16_t paramCount = rec->I16At(FN_PARAM_COUNT);
    fn.paramsOptional = rec->I16At(FN_OPT_COUNT);
    if (paramCount < 0) return 0;
    std::uint32_t perParam = FN_PARAM_SIZE + ((fkccic & FKCCIC_HAS_DEFAULTS) ? 4 : 0);
    std::uint32_t paramBytes = perParam * static_cast<std::uint32_t>(paramCount);
    if (paramBytes > len - FN_OPTIONAL) return 0;
    std::uint32_t optionalCount = (len - FN_OPTIONAL - paramBytes) / 4;
    if (optionalCount > 0) fn.helpContext = rec->U32At(FN_OPTIONAL);
    if (optionalCount > 1) fn.doc = String(rec->I32At(FN_OPTIONAL + 4));
    std::uint32_t paramBase = len - FN_PARAM_SIZE * static_cast<std::uint32_t>(paramCount);
    fn.params.resize(static_cast<std::size_t>(paramCount));
    for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(paramCount); ++i) {
        std::uint32_t p = paramBase + i * FN_PARAM_SIZE;
        Parameter& param = fn.params[i];
        param.type = DecodeType(rec->I32At(p));
        param.name = Name(rec->I32At(p + 4));
        param.flags = static_cast<std::uint16_t>(rec->U32At(p + 8));
    }
    return len;
}

std::uint32_t Parser::ReadVariable(ByteView body, std::uint32_t recOff, Variable& var) const
{
    std::uint16_t word = 0;
    if (!body.U16(recOff, word)) return 0;
    std::uint32_t len = word & 0xFF;  // the high byte is not part of the length
    if (len < VAR_OPTIONAL) return 0;
    auto rec = body.Slice(recOff, len, "variable record");
    if (!rec) return 0;
    var.type = DecodeType(rec->I32At(VAR_TYPE));
    var.flags = static_cast<std::uint16_t>(rec->U32At(VAR_FLAGS));
    var.varKind = rec->U16At(VAR_KIND);
    if (var.varKind == static_cast<std::int32_t>(VAR_CONST)) var.value = DecodeValue(rec->I32At(VAR_VALUE));
    std::uint32_t optionalCount = (len - VAR_OPTIONAL) / 4;
    if (optionalCount > 0) var.helpContext = rec->U32At(VAR_OPTIONAL);
    if (optionalCount > 1) var.doc = String(rec->I32At(VAR_OPTIONAL + 4));
    return len;
}

Read<bool> Parser::ReadMembers(std::uint32_t index, std::uint32_t memOff, std::uint32_t funcCount,
                               std::uint32_t varCount, TypeInfo& type)
{
    std::string where = "typeinfo " + std::to_string(index);
    std::uint32_t total = funcCount + varCount;
    std::uint32_t recordBytes = 0;
    if (!m_file.U32(memOff, recordBytes))
        return m_file.Fail(
            ErrCode::Truncated, memOff,
            where + ": member block offset " + Hex(memOff) + " past end of file (" + Hex(m_file.Size()) + ")");
    auto body = m_file.Slice(std::uint64_t{memOff} + 4, recordBytes, where + ": member records");
    if (!body) return body.error();
    if (!CountFits(total, 12, m_file.Size()))
        return m_file.Fail(ErrCode::BadValue, memOff,
                           where + ": member count " + std::to_string(total) + " impossible");
    auto arrays = m_file.Slice(std::uint64_t{memOff} + 4 + recordBytes, 12ull * total, where + ": member tables");
    if (!arrays) return arrays.error();
    auto overlap = [&] {
        return m_file.Fail(ErrCode::BadValue, memOff, where + ": member data overlaps that of other members or types");
    };
    m_memberBytes += 12ull * total;
    if (m_memberBytes > m_file.Size()) return overlap();
    type.functions.reserve(funcCount);
    type.variables.reserve(varCount);
    std::uint64_t namesAt = 4ull * total, offsetsAt = 8ull * total;
    // A member whose record cannot be read is left out; the type stays.
    for (std::uint32_t k = 0; k < total; ++k) {
        std::int32_t id = arrays->I32At(4ull * k);
        std::int32_t nameOff = arrays->I32At(namesAt + 4ull * k);
        std::uint32_t recOff = arrays->U32At(offsetsAt + 4ull * k);
        if (k < funcCount) {
            Function fn;
            std::uint32_t len = ReadFunction(body.value(), recOff, fn);
            if (len == 0) continue;
            m_memberBytes += len;
            if (m_memberBytes > m_file.Size()) return overlap();
            fn.memberId = id;
            // A property accessor may leave its name out: it shares the previous one's.
            if (nameOff == -1 && !type.functions.empty())
                fn.name = type.functions.back().name;
            else
                fn.name = Name(nameOff);
            type.functions.push_back(std::move(fn));
        } else {
            Variable var;
            std::uint32_t len = ReadVariable(body.value(), recOff, var);
            if (len == 0) continue;
            m_memberBytes += len;
            if (m_memberBytes > m_file.Size()) return overlap();
            var.memberId = id;
            var.name = Name(nameOff);
            type.variables.push_back(std::move(var));
        }
    }
    return true;
}

Read<bool> Parser::ReadTypeInfo(std::uint32_t index, TypeInfo& type, RawTypeInfo& raw)
{
    ByteView rec(m_seg[SEG_TYPEINFO].Data() + index * TI_SIZE, TI_SIZE, m_seg[SEG_TYPEINFO].Base() + index * TI_SIZE);
    std::uint32_t kind = rec.U32At(TI_KIND) & TKIND_MASK;
    if (kind > static_cast<std::uint32_t>(TypeKind::Union))
        return rec.Fail(ErrCode::BadValue, 0,
                        "typeinfo " + std::to_string(index) + ": unknown type kind " + std::to_string(kind));
    type.kind = static_cast<TypeKind>(kind);
    std::uint32_t counts = rec.U32At(TI_COUNTS);
    type.typeFlags = static_cast<std::uint16_t>(rec.U32At(TI_FLAGS));
    std::uint32_t version = rec.U32At(TI_VERSION);
    type.majorVersion = static_cast<std::uint16_t>(version & 0xFFFF);
    type.minorVersion = static_cast<std::uint16_t>(version >> 16);
    type.doc = String(rec.I32At(TI_DOC));
    type.helpContext = rec.U32At(TI_HELP_CONTEXT);
    raw.implCount = rec.U16At(TI_IMPL_COUNT);
    raw.datatype1 = rec.I32At(TI_DATATYPE1);
    std::uint32_t funcCount = counts & 0xFFFF, varCount = counts >> 16;
    if (funcCount + varCount > 0) {
        auto members = ReadMembers(index, rec.U32At(TI_MEMBER_BLOCK), funcCount, varCount, type);
        if (!members) return members.error();
    }
    return true;
}

Read<TypeLib> Parser::Run()
{
    auto header = ReadHeader();
    if (!header) return header.error();
    m_lib.types.resize(m_typeCount);
    m_raw.resize(m_typeCount);
    // Names and GUIDs first, so references between types resolve in any order.
    for (std::uint32_t i = 0; i < m_typeCount; ++i) {
        m_lib.types[i].name = Name(m_seg[SEG_TYPEINFO].I32At(i * TI_SIZE + TI_NAME));
        m_lib.types[i].guid = GuidAt(m_seg[SEG_TYPEINFO].I32At(i * TI_SIZE + TI_GUID));
    }
    for (std::uint32_t i = 0; i < m_typeCount; ++i) {
        auto ok = ReadTypeInfo(i, m_lib.types[i], m_raw[i]);
        if (!ok) return ok.error();
        if (m_text.Exceeded()) break;  // failed below; no point reading on
    }
    for (std::uint32_t i = 0; i < m_typeCount; ++i) {
        TypeInfo& type = m_lib.types[i];
        const RawTypeInfo& raw = m_raw[i];
        switch (type.kind) {
            case TypeKind::Coclass: {
                std::int32_t off = raw.datatype1;
                for (std::uint32_t n = 0; n < raw.implCount && off >= 0; ++n) {
                    auto ref = m_seg[SEG_REFERENCES].Slice(static_cast<std::uint32_t>(off), REF_SIZE, "reference");
                    // Unreadable, or more records than the segment holds (a chain
                    // that loops or is shared): the interfaces read so far stay.
                    if (!ref || ++m_referencesRead > m_seg[SEG_REFERENCES].Size() / REF_SIZE) break;
                    type.implTypes.push_back({ResolveHref(ref->I32At(0)), ref->I32At(4)});
                    off = ref->I32At(12);
                }
                break;
            }
            case TypeKind::Interface:
                if (raw.datatype1 != -1) type.implTypes.push_back({ResolveHref(raw.datatype1), 0});
                break;
            case TypeKind::Dispatch: {
                std::int32_t base = m_dispatchHref != -1 ? m_dispatchHref : raw.datatype1;
                if (base != -1) type.implTypes.push_back({ResolveHref(base), 0});
                break;
            }
            case TypeKind::Alias:
                type.aliasOf = DecodeType(raw.datatype1);
                break;
            case TypeKind::Module:
                type.dllName = String(raw.datatype1);
                break;
            default:
                break;
        }
    }
    auto views = BuildDispatchViews(
        m_lib,
        [&](std::uint32_t i) -> std::optional<TypeRef> {
            if (m_raw[i].datatype1 == -1) return std::nullopt;
            return ResolveHref(m_raw[i].datatype1);
        },
        DispatchViewBound(m_file.Size()));
    if (!views) return views.error();
    if (m_text.Exceeded()) return m_text.Failure();
    return std::move(m_lib);
}

}  // namespace

Read<TypeLib> MsftReader::Open(ByteView data, const ImportResolver& resolveImport)
{
    Parser parser(data, resolveImport);
    return parser.Run();
}

Read<MsftReader::Identity> MsftReader::PeekIdentity(ByteView data)
{
    auto head = data.Slice(0, HDR_SIZE, "library header");
    if (!head) return head.error();
    if (head->U32At(0) != MSFT_MAGIC) return data.Fail(ErrCode::BadMagic, 0, "not a type library");
    Identity id;
    std::uint32_t version = head->U32At(HDR_VERSION);
    id.major = static_cast<std::uint16_t>(version & 0xFFFF);
    id.minor = static_cast<std::uint16_t>(version >> 16);
    std::int32_t guidOff = head->I32At(HDR_GUID);
    std::int32_t count = head->I32At(HDR_TYPE_COUNT);
    if (guidOff < 0 || count < 0 || !CountFits(static_cast<std::uint32_t>(count), 4, data.Size())) return id;
    std::uint64_t dirOff =
        HDR_SIZE + 4ull * static_cast<std::uint32_t>(count) + ((head->U32At(HDR_VARFLAGS) & VARFLAG_HELP_DLL) ? 4 : 0);
    std::uint32_t segOff = 0;
    if (!data.U32(dirOff + SEG_GUIDS * SEGDIR_ENTRY_SIZE, segOff)) return id;
    id.guid = ReadStoredGuid(data, std::uint64_t{segOff} + static_cast<std::uint32_t>(guidOff));
    return id;
}

}  // namespace arbolith
