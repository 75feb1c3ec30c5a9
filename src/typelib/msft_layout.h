// SPDX-License-Identifier: MIT
// Numbers that fix the layout of the MSFT type-library format and of the PE
// resource tree around it. Constants only; the readers hold the logic.
#pragma once

#include <cstdint>

namespace arbolith::msft {

// File signatures (first four bytes, little-endian).
inline constexpr std::uint32_t MSFT_MAGIC = 0x5446534D;    // "MSFT"
inline constexpr std::uint32_t SLTG_MAGIC = 0x47544C53;    // "SLTG", the older format
inline constexpr std::uint16_t DOS_MAGIC = 0x5A4D;         // "MZ"
inline constexpr std::uint32_t PE_SIGNATURE = 0x00004550;  // "PE\0\0"

// Library header.
inline constexpr std::uint32_t HDR_SIZE = 0x54;
inline constexpr std::uint32_t HDR_GUID = 0x08;      // GUID segment offset or -1
inline constexpr std::uint32_t HDR_LCID = 0x10;      // LCID as set
inline constexpr std::uint32_t HDR_VARFLAGS = 0x14;  // SYSKIND bits 0-3, flags above
inline constexpr std::uint32_t HDR_VERSION = 0x18;   // major low 16, minor high 16
inline constexpr std::uint32_t HDR_LIBFLAGS = 0x1C;
inline constexpr std::uint32_t HDR_TYPE_COUNT = 0x20;
inline constexpr std::uint32_t HDR_DOC = 0x24;            // string table
inline constexpr std::uint32_t HDR_HELP_CONTEXT = 0x28;   // the one loaders report
inline constexpr std::uint32_t HDR_NAME = 0x38;           // name table
inline constexpr std::uint32_t HDR_HELP_FILE = 0x3C;      // string table
inline constexpr std::uint32_t HDR_DISPATCH_HREF = 0x4C;  // hreftype of IDispatch or -1
inline constexpr std::uint32_t VARFLAG_SYSKIND_MASK = 0x0F;
inline constexpr std::uint32_t VARFLAG_HELP_DLL = 0x100;       // one extra u32 after the header
inline constexpr std::uint16_t LIBFLAG_HAS_DISK_IMAGE = 0x08;  // loaders add it for files read from disk

// Segment directory: 15 entries after the typeinfo offset array.
inline constexpr std::uint32_t SEGDIR_COUNT = 15;
inline constexpr std::uint32_t SEGDIR_ENTRY_SIZE = 16;  // offset, length, -1, 0x0F
enum Segment : std::uint32_t {
    SEG_TYPEINFO = 0,
    SEG_IMPORT_INFO = 1,
    SEG_IMPORT_FILES = 2,
    SEG_REFERENCES = 3,
    SEG_GUID_HASH = 4,
    SEG_GUIDS = 5,
    SEG_NAME_HASH = 6,
    SEG_NAMES = 7,
    SEG_STRINGS = 8,
    SEG_TYPEDESCS = 9,
    SEG_ARRAYDESCS = 10,
    SEG_CUSTOM_DATA = 11,
    SEG_CD_GUIDS = 12,
};

// Typeinfo record (0x64 bytes each in segment 0).
inline constexpr std::uint32_t TI_SIZE = 0x64;
inline constexpr std::uint32_t TI_KIND = 0x00;          // bits 0-3 TYPEKIND
inline constexpr std::uint32_t TI_MEMBER_BLOCK = 0x04;  // absolute file offset
inline constexpr std::uint32_t TI_COUNTS = 0x18;        // cFuncs low 16, cVars high 16
inline constexpr std::uint32_t TI_GUID = 0x2C;
inline constexpr std::uint32_t TI_FLAGS = 0x30;
inline constexpr std::uint32_t TI_NAME = 0x34;
inline constexpr std::uint32_t TI_VERSION = 0x38;
inline constexpr std::uint32_t TI_DOC = 0x3C;
inline constexpr std::uint32_t TI_HELP_CONTEXT = 0x44;
inline constexpr std::uint32_t TI_IMPL_COUNT = 0x4C;  // u16
inline constexpr std::uint32_t TI_VFT_SIZE = 0x4E;    // u16, bytes
inline constexpr std::uint32_t TI_DATATYPE1 = 0x54;   // base / first reference / alias / DLL name
inline constexpr std::uint32_t TKIND_MASK = 0x0F;

// Reference record (coclass implemented interfaces), 16 bytes.
inline constexpr std::uint32_t REF_SIZE = 16;  // hreftype, flags, custom data, next

// Function record.
inline constexpr std::uint32_t FN_RET = 0x04;
inline constexpr std::uint32_t FN_FLAGS = 0x08;
inline constexpr std::uint32_t FN_VTABLE = 0x0C;
inline constexpr std::uint32_t FN_FKCCIC = 0x10;
inline constexpr std::uint32_t FN_PARAM_COUNT = 0x14;  // i16
inline constexpr std::uint32_t FN_OPT_COUNT = 0x16;    // i16, -1 vararg
inline constexpr std::uint32_t FN_OPTIONAL = 0x18;     // help context, help string, ...
inline constexpr std::uint32_t FN_PARAM_SIZE = 12;     // type, name, flags
inline constexpr std::uint32_t FKCCIC_FUNCKIND_MASK = 0x7;
inline constexpr std::uint32_t FKCCIC_INVKIND_SHIFT = 3;
inline constexpr std::uint32_t FKCCIC_INVKIND_MASK = 0xF;
inline constexpr std::uint32_t FKCCIC_CALLCONV_SHIFT = 8;
inline constexpr std::uint32_t FKCCIC_CALLCONV_MASK = 0xF;
inline constexpr std::uint32_t FKCCIC_HAS_DEFAULTS = 0x1000;

// Variable record.
inline constexpr std::uint32_t VAR_TYPE = 0x04;
inline constexpr std::uint32_t VAR_FLAGS = 0x08;
inline constexpr std::uint32_t VAR_KIND = 0x0C;      // u16
inline constexpr std::uint32_t VAR_VALUE = 0x10;     // offset in struct, or constant value
inline constexpr std::uint32_t VAR_OPTIONAL = 0x14;  // help context, help string, ...
inline constexpr std::uint32_t VAR_CONST = 2;

// Names: owner, hash next, length byte, flags byte, hash, then the bytes.
inline constexpr std::uint32_t NAME_PREFIX = 12;
inline constexpr std::uint32_t NAME_LENGTH = 8;  // low byte is the length
// Strings: u16 length, then the bytes.
inline constexpr std::uint32_t STRING_PREFIX = 2;
inline constexpr std::uint32_t GUID_ENTRY_SIZE = 24;      // GUID, hreftype, hash next
inline constexpr std::uint32_t TYPEDESC_SIZE = 8;         // u16 vt, u16 aux, i32 target
inline constexpr std::uint32_t IMPORT_INFO_SIZE = 12;     // flags, file offset, GUID or index
inline constexpr std::uint32_t IMPORT_BY_GUID = 0x10000;  // import info: last field is a GUID offset
inline constexpr std::uint32_t IMPORT_FILE_PREFIX = 14;   // GUID, LCID, major, minor, len<<2|flags

// Variant types the reader interprets.
inline constexpr std::uint16_t VT_EMPTY = 0;
inline constexpr std::uint16_t VT_I2 = 2;
inline constexpr std::uint16_t VT_I4 = 3;
inline constexpr std::uint16_t VT_R4 = 4;
inline constexpr std::uint16_t VT_R8 = 5;
inline constexpr std::uint16_t VT_CY = 6;
inline constexpr std::uint16_t VT_DATE = 7;
inline constexpr std::uint16_t VT_BSTR = 8;
inline constexpr std::uint16_t VT_ERROR = 10;
inline constexpr std::uint16_t VT_BOOL = 11;
inline constexpr std::uint16_t VT_I1 = 16;
inline constexpr std::uint16_t VT_UI1 = 17;
inline constexpr std::uint16_t VT_UI2 = 18;
inline constexpr std::uint16_t VT_UI4 = 19;
inline constexpr std::uint16_t VT_I8 = 20;
inline constexpr std::uint16_t VT_UI8 = 21;
inline constexpr std::uint16_t VT_INT = 22;
inline constexpr std::uint16_t VT_UINT = 23;
inline constexpr std::uint16_t VT_VOID = 24;
inline constexpr std::uint16_t VT_HRESULT = 25;
inline constexpr std::uint16_t VT_PTR = 26;
inline constexpr std::uint16_t VT_SAFEARRAY = 27;
inline constexpr std::uint16_t VT_CARRAY = 28;
inline constexpr std::uint16_t VT_USERDEFINED = 29;

// Flags the dispatch view of a dual interface depends on.
inline constexpr std::uint16_t TYPEFLAG_FOLEAUTOMATION = 0x100;
inline constexpr std::uint16_t PARAMFLAG_FLCID = 0x04;
inline constexpr std::uint16_t PARAMFLAG_FRETVAL = 0x08;
inline constexpr std::int32_t FUNC_DISPATCH = 4;

// PE headers.
inline constexpr std::uint32_t PE_OFFSET_FIELD = 0x3C;
inline constexpr std::uint16_t PE32_MAGIC = 0x10B;
inline constexpr std::uint16_t PE32PLUS_MAGIC = 0x20B;
inline constexpr std::uint32_t SECTION_HEADER_SIZE = 40;
inline constexpr std::uint32_t RESOURCE_DIR_SIZE = 16;
inline constexpr std::uint32_t RESOURCE_ENTRY_SIZE = 8;
inline constexpr std::uint32_t RESOURCE_DATA_ENTRY_SIZE = 16;
inline constexpr std::uint32_t RESOURCE_HIGH_BIT = 0x80000000;
inline constexpr std::uint32_t RESOURCE_DIRECTORY = 2;  // data-directory index

}  // namespace arbolith::msft
