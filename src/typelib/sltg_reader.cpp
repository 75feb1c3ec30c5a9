// SPDX-License-Identifier: MIT
// Reads an SLTG library from bytes already in memory.
//
// The file is a directory of blocks: a header, one entry per block (length,
// offset of its index string, next block in the chain), the index strings,
// then the blocks in chain order. The last block of the chain describes the
// library: its attributes, one entry per type (name, doc, help context,
// GUID) and the name table every name and member help string lives in. Each
// other block holds one type: a header, the type's reference table, its
// member records and a tail with the counts and where each kind of member
// starts. Offsets inside a type's member area are relative to its start.
//
// Every offset read from the file is checked through ByteView before use;
// every chain is bounded by the counts that the file itself gives, and what
// one library may decode into is bounded by its size.
#include "typelib/sltg_reader.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "typelib/code_pages.h"
#include "typelib/dispatch_view.h"
#include "typelib/msft_layout.h"
#include "typelib/stored_values.h"

namespace arbolith {
namespace {

using namespace msft;

// The file header and the block directory.
constexpr std::uint32_t kHeaderSize = 0x24;
constexpr std::uint32_t kHdrBlockCount = 0x04;  // block entries + 1
constexpr std::uint32_t kHdrFirstBlock = 0x0A;  // 1-based entry of the first block in the file
constexpr std::uint32_t kEntrySize = 8;         // u32 length, u16 index string, u16 next (1-based, 0 = last)
constexpr std::uint32_t kMagicBlockSize = 13;   // "\1CompObj\0" "dir\0"
constexpr std::uint32_t kIndexStringSize = 11;
constexpr std::uint32_t kPadSize = 9;

// The library block.
constexpr std::uint16_t kLibMagic = 0x51CC;
constexpr std::uint32_t kLibFixedAfterStrings = 4 + 2 + 2 + 4 + 2 + 2 + 2 + 16;  // help context .. GUID
constexpr std::uint32_t kLibPadding = 0x40;
constexpr std::uint32_t kTypeEntryFixed = 2 + 2 + 2 + 2 + 2 + 2 + 4 + 2 + 16;  // without its three texts
constexpr std::uint16_t kNameTableShiftedMark = 0x0200;
constexpr std::uint32_t kNameTableShift = 0x20;
constexpr std::uint32_t kNamesBase = 0x218;  // header, hash table, size, first name's prefix
constexpr std::uint32_t kNoEnd = 0xFFFFFFFF;

// A type block.
constexpr std::uint16_t kTypeMagic = 0x0501;
constexpr std::uint32_t kTypeHeaderSize = 0x22;
constexpr std::uint32_t kThRefTable = 0x02;  // offset from the block, 0xFFFFFFFF none
constexpr std::uint32_t kThMembers = 0x0A;   // offset of the member header
constexpr std::uint32_t kThMajor = 0x12;
constexpr std::uint32_t kThMinor = 0x14;
constexpr std::uint32_t kThFlags1 = 0x1A;  // type flags bits 0-4 in bits 3-7
constexpr std::uint32_t kThFlags2 = 0x1B;  // type flags >> 5
constexpr std::uint32_t kThKind = 0x1D;
constexpr std::uint32_t kMemberHeaderSize = 9;
constexpr std::uint32_t kMhExtra = 0x05;  // bytes of member records before the tail
constexpr std::uint32_t kTailSize = 0x36;
constexpr std::uint32_t kTlFuncCount = 0x00;
constexpr std::uint32_t kTlVarCount = 0x02;
constexpr std::uint32_t kTlFuncs = 0x08;
constexpr std::uint32_t kTlVars = 0x0A;
constexpr std::uint32_t kTlImpls = 0x0C;
constexpr std::uint32_t kTlAlias = 0x14;        // alias: a VT, or the offset of its type words
constexpr std::uint32_t kTlSimpleAlias = 0x1C;  // non-zero: kTlAlias is a VT

// Member records.
constexpr std::uint16_t kNone = 0xFFFF;
constexpr std::uint16_t kNoHelpContext = 0xFFFE;
constexpr std::uint16_t kSameNameAsPrevious = 0xFFFE;
constexpr std::uint8_t kFlagsPresent = 0x20;  // in a function's or variable's magic
constexpr std::uint8_t kFuncVtable = 0x4C;
constexpr std::uint8_t kFuncDispatch = 0xCB;
constexpr std::uint8_t kFuncStatic = 0x8B;
constexpr std::uint32_t kFuncSize = 0x16;  // + 2 with flags
constexpr std::uint8_t kVarMagic = 0x0A;
constexpr std::uint32_t kVarSize = 0x12;  // + 2 with flags
constexpr std::uint8_t kVarTypeInline = 0x02;
constexpr std::uint8_t kVarValueInline = 0x08;
constexpr std::uint8_t kVarConst = 0x10;
constexpr std::uint8_t kVarDispatch = 0x40;
constexpr std::uint8_t kVarReadOnly = 0x80;
constexpr std::uint16_t kImplMagic = 0x004A;
constexpr std::uint32_t kImplSize = 0x16;
constexpr std::uint32_t kImplFlags = 0x06;
constexpr std::uint32_t kImplRef = 0x0A;

// The reference table of a type.
constexpr std::uint8_t kRefMagic = 0xDF;
constexpr std::uint32_t kRefByteCount = 0x44;  // 8 bytes per reference
constexpr std::uint32_t kRefRecords = 0x48;
constexpr std::uint32_t kRefNamesAfterRecords = 7;

// Words of a type description.
constexpr std::uint16_t kTypePointerMark = 0x0E00;
constexpr std::uint16_t kTypeVtMask = 0x3F;
constexpr std::uint16_t kParamNoFlags = 0xC000;
constexpr std::uint16_t kParamInOut = 0x8000;
constexpr std::uint16_t kParamOut = 0x4000;
constexpr std::uint16_t kParamLcid = 0x2000;
constexpr std::uint16_t kParamRetval = 0x0080;
constexpr std::uint16_t kParamFlagIn = 0x01, kParamFlagOut = 0x02, kParamFlagRetval = 0x08;

constexpr int kMaxTypeWords = 16;
constexpr int kMaxBaseDepth = 32;

// Member records may be decoded up to this multiple of the file's size
// (plus the floor of code_pages.h), since crafted chains can share records.
constexpr std::uint64_t kRecordsPerFileByte = 4;

const Guid kIidDispatch{0x00020400, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// What the library block says of one type.
struct TypeEntry {
    std::string indexName;
    std::uint16_t nameOffset = 0;
    std::string doc;
    std::uint32_t helpContext = 0;
    Guid guid;
};

struct Block {
    ByteView bytes;
    std::uint16_t indexString = 0;  // offset from the magic block
};

// "{00020430-0000-0000-C000-000000000046}" at the start of `text`.
std::optional<Guid> ParseGuid(std::string_view text)
{
    if (text.size() < 38 || text[0] != '{' || text[37] != '}') return std::nullopt;
    auto hex = [&](std::size_t from, std::size_t digits) -> std::optional<std::uint32_t> {
        std::uint32_t v = 0;
        for (std::size_t i = from; i < from + digits; ++i) {
            char c = text[i];
            int d = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
            if (d < 0) return std::nullopt;
            v = (v << 4) | static_cast<std::uint32_t>(d);
        }
        return v;
    };
    if (text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-') return std::nullopt;
    Guid g;
    auto d1 = hex(1, 8), d2 = hex(10, 4), d3 = hex(15, 4);
    if (!d1 || !d2 || !d3) return std::nullopt;
    g.data1 = *d1;
    g.data2 = static_cast<std::uint16_t>(*d2);
    g.data3 = static_cast<std::uint16_t>(*d3);
    static constexpr std::size_t kByteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        auto b = hex(kByteAt[i], 2);
        if (!b) return std::nullopt;
        g.data4[i] = static_cast<std::uint8_t>(*b);
    }
    return g;
}

// Digits of `base` at the front of `text`, consumed; nullopt when none.
std::optional<std::uint32_t> TakeNumber(std::string_view& text, int base)
{
    std::uint64_t v = 0;
    std::size_t n = 0;
    for (; n < text.size() && n < 9; ++n) {
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[n])));
        int d = c >= '0' && c <= '9' ? c - '0' : (base == 16 && c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        if (d < 0) break;
        v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    }
    if (n == 0) return std::nullopt;
    text.remove_prefix(n);
    return static_cast<std::uint32_t>(v);
}

bool TakePrefix(std::string_view& text, std::string_view prefix)
{
    if (!text.starts_with(prefix)) return false;
    text.remove_prefix(prefix.size());
    return true;
}

// "*\G{guid}#major.minor#lcid#path#": an imported library as a type's
// reference table names it.
std::optional<ImportedLibrary> ParseImport(std::string_view text)
{
    ImportedLibrary imp;
    if (!TakePrefix(text, "*\\G")) return std::nullopt;
    auto guid = ParseGuid(text);
    if (!guid) return std::nullopt;
    imp.guid = *guid;
    text.remove_prefix(38);
    if (!TakePrefix(text, "#")) return std::nullopt;
    auto major = TakeNumber(text, 10);
    if (!major || !TakePrefix(text, ".")) return std::nullopt;
    auto minor = TakeNumber(text, 10);
    if (!minor || !TakePrefix(text, "#")) return std::nullopt;
    auto lcid = TakeNumber(text, 16);
    if (!lcid || !TakePrefix(text, "#")) return std::nullopt;
    imp.major = static_cast<std::uint16_t>(*major);
    imp.minor = static_cast<std::uint16_t>(*minor);
    imp.lcid = *lcid;
    if (text.ends_with('#')) text.remove_suffix(1);
    // The stored path is the one on the machine that built the library;
    // only its file name means anything here.
    std::size_t slash = text.find_last_of("\\/");
    imp.fileName = std::string(slash == std::string_view::npos ? text : text.substr(slash + 1));
    return imp;
}

class Parser {
public:
    Parser(ByteView file, const ImportResolver& resolver)
        : m_file(file),
          m_resolver(resolver),
          m_text(file.Size()),
          m_recordLimit(kRecordsPerFileByte * file.Size() + kDecodedFloor)
    {
    }

    Read<TypeLib> Run();
    Read<MsftReader::Identity> Identity();

private:
    // One type's view of the library: its member area and references.
    struct TypeContext {
        std::uint32_t index = 0;
        ByteView items;                  // member records, offsets count from here
        std::vector<std::int32_t> refs;  // the reference table: where each entry is in m_refs
    };

    Read<std::vector<Block>> ReadDirectory();
    Read<std::uint64_t> ReadLibraryAttributes(ByteView lib);
    Read<bool> ReadLibraryBlock(ByteView lib);
    Read<bool> ReadType(std::uint32_t index, const Block& block);
    Read<bool> ReadReferences(ByteView block, std::uint32_t at, TypeContext& ctx);
    void ReadFunctions(const TypeContext& ctx, std::uint16_t first, std::uint16_t count, TypeInfo& type);
    void ReadVariables(const TypeContext& ctx, std::uint16_t first, std::uint16_t count, TypeInfo& type);
    void ReadImplTypes(const TypeContext& ctx, std::uint16_t first, TypeInfo& type);
    bool ReadFunction(const TypeContext& ctx, std::uint32_t at, Function& fn);
    bool ReadVariable(const TypeContext& ctx, std::uint32_t at, const Variable* previous, Variable& var);
    // Decodes the type words at `at`; returns the offset after them, 0 when
    // they cannot be read.
    std::uint32_t DecodeType(const TypeContext& ctx, std::uint32_t at, TypeDesc& td) const;
    std::optional<ConstantValue> ReadConstant(const TypeContext& ctx, std::uint16_t vt, std::uint16_t at) const;
    std::shared_ptr<const TypeRef> SharedRef(const TypeContext& ctx, std::uint32_t refIndex) const;
    TypeRef ResolveReference(std::string_view text);
    std::optional<TypeRef> FindDispatchBase(TypeRef ref) const;

    std::string Name(std::uint16_t offset) const;
    std::string Decode(std::string_view bytes) const;
    bool CountRecord(std::uint64_t bytes);

    ByteView m_file;
    const ImportResolver& m_resolver;
    TypeLib m_lib;
    std::vector<TypeEntry> m_entries;
    ByteView m_names;
    // Where the name at each offset a record can hold (16 bits) ends, so no
    // lookup scans the table again; kNoEnd for one never terminated.
    std::vector<std::uint32_t> m_nameEnd;
    std::uint32_t m_magicBlockAt = 0;
    std::vector<TypeRef> m_refs;                                                  // every distinct reference, by text
    std::unordered_map<std::string, std::int32_t> m_refByText;                    // "*\R..." -> index in m_refs
    mutable std::vector<std::shared_ptr<const TypeRef>> m_sharedRefs;             // by index in m_refs
    std::unordered_map<std::uint32_t, std::shared_ptr<const TypeLib>> m_imports;  // by name-table offset
    std::vector<std::optional<TypeRef>> m_storedBase;                             // by type index
    mutable LibraryText m_text;
    const std::uint64_t m_recordLimit;
    std::uint64_t m_recordBytes = 0;
    bool m_recordsOverflow = false;
};

Read<std::vector<Block>> Parser::ReadDirectory()
{
    auto head = m_file.Slice(0, kHeaderSize, "library header");
    if (!head) return head.error();
    if (head->U32At(0) != SLTG_MAGIC) return m_file.Fail(ErrCode::BadMagic, 0, "not an SLTG type library");
    std::uint32_t blockCount = head->U16At(kHdrBlockCount);
    if (blockCount < 2)
        return m_file.Fail(ErrCode::BadValue, kHdrBlockCount,
                           "block count " + std::to_string(blockCount) + ": no library block");
    std::uint32_t entries = blockCount - 1, types = blockCount - 2;
    auto table = m_file.Slice(kHeaderSize, std::uint64_t{entries} * kEntrySize, "block directory");
    if (!table) return table.error();
    m_magicBlockAt = kHeaderSize + entries * kEntrySize;
    auto magic = m_file.Slice(m_magicBlockAt, kMagicBlockSize, "directory magic");
    if (!magic) return magic.error();
    if (std::memcmp(magic->Data(),
                    "\x01"
                    "CompObj\0dir\0",
                    kMagicBlockSize) != 0)
        return m_file.Fail(ErrCode::BadMagic, m_magicBlockAt, "block directory: \"CompObj\"/\"dir\" marks missing");
    std::uint64_t at =
        std::uint64_t{m_magicBlockAt} + kMagicBlockSize + std::uint64_t{types} * kIndexStringSize + kPadSize;

    std::vector<Block> blocks;
    blocks.reserve(entries);
    std::uint32_t entry = head->U16At(kHdrFirstBlock);
    for (;;) {
        if (entry == 0 || entry > entries)
            return m_file.Fail(ErrCode::BadValue, kHdrFirstBlock,
                               "block chain names entry " + std::to_string(entry) + " of " + std::to_string(entries));
        if (blocks.size() == entries)
            return m_file.Fail(ErrCode::Cycle, kHeaderSize,
                               "block chain does not end within its " + std::to_string(entries) + " entries");
        std::uint32_t length = table->U32At((entry - 1) * kEntrySize);
        auto bytes = m_file.Slice(at, length, "block " + std::to_string(blocks.size()));
        if (!bytes) return bytes.error();
        blocks.push_back({bytes.value(), table->U16At((entry - 1) * kEntrySize + 4)});
        at += length;
        std::uint32_t next = table->U16At((entry - 1) * kEntrySize + 6);
        if (next == 0) break;
        entry = next;
    }
    if (blocks.size() != entries)
        return m_file.Fail(ErrCode::BadValue, kHeaderSize,
                           "block chain holds " + std::to_string(blocks.size()) + " blocks, the header says " +
                               std::to_string(entries));
    return blocks;
}

// The fixed attributes at the start of the library block; returns where the
// padding before the type entries starts.
Read<std::uint64_t> Parser::ReadLibraryAttributes(ByteView lib)
{
    std::uint16_t magic = 0;
    if (!lib.U16(0, magic) || magic != kLibMagic)
        return lib.Fail(ErrCode::BadMagic, 0, "library block: magic " + Hex(magic) + ", not " + Hex(kLibMagic));
    std::uint64_t at = 6;
    std::uint16_t skip = 0;
    if (!lib.U16(at, skip)) return lib.Fail(ErrCode::Truncated, at, "library block truncated");
    at += 2 + (skip == kNone ? 0 : skip);
    std::string_view texts[2];
    for (auto& text : texts) {
        std::uint16_t len = 0;
        if (!lib.U16(at, len)) return lib.Fail(ErrCode::Truncated, at, "library block truncated");
        at += 2;
        if (len == kNone) continue;
        auto bytes = lib.Slice(at, len, "library help text");
        if (!bytes) return bytes.error();
        text = std::string_view(reinterpret_cast<const char*>(bytes->Data()), len);
        at += len;
    }
    auto fixed = lib.Slice(at, kLibFixedAfterStrings, "library attributes");
    if (!fixed) return fixed.error();
    m_lib.helpContext = fixed->U32At(0);
    m_lib.sysKind = fixed->U16At(4);
    m_lib.lcid = fixed->U16At(6);
    m_lib.libFlags = fixed->U16At(12);
    m_lib.majorVersion = fixed->U16At(14);
    m_lib.minorVersion = fixed->U16At(16);
    m_lib.guid = ReadStoredGuid(fixed.value(), 18);
    m_lib.doc = Decode(texts[0]);
    m_lib.helpFile = Decode(texts[1]);
    return at + kLibFixedAfterStrings;
}

Read<bool> Parser::ReadLibraryBlock(ByteView lib)
{
    auto after = ReadLibraryAttributes(lib);
    if (!after) return after.error();
    std::uint64_t at = *after + kLibPadding;
    std::size_t types = m_entries.size();
    if (!CountFits(types, kTypeEntryFixed, lib.Size()))
        return lib.Fail(ErrCode::Truncated, at, "library block too short for " + std::to_string(types) + " types");
    for (std::size_t i = 0; i < types; ++i) {
        TypeEntry& e = m_entries[i];
        std::string where = "library block, type entry " + std::to_string(i);
        at += 2;  // the kind of the previous entry (the count, for the first)
        std::string_view texts[3];
        std::uint16_t nameOffset = 0;
        for (int t = 0; t < 3; ++t) {
            if (t == 2) {
                // Between the two index names and the doc: a reserved word and the name's offset.
                if (!lib.U16(at + 2, nameOffset)) return lib.Fail(ErrCode::Truncated, at, where + " truncated");
                at += 4;
            }
            std::uint16_t len = 0;
            if (!lib.U16(at, len)) return lib.Fail(ErrCode::Truncated, at, where + " truncated");
            at += 2;
            if (len == kNone) continue;
            auto bytes = lib.Slice(at, len, where);
            if (!bytes) return bytes.error();
            texts[t] = std::string_view(reinterpret_cast<const char*>(bytes->Data()), len);
            at += len;
        }
        auto tail = lib.Slice(at, 2 + 4 + 2 + 16, where);
        if (!tail) return tail.error();
        e.indexName = std::string(texts[0]);
        e.nameOffset = nameOffset;
        e.doc = Decode(texts[2]);
        e.helpContext = tail->U32At(2);
        e.guid = ReadStoredGuid(tail.value(), 8);
        at += 2 + 4 + 2 + 16;
    }
    std::uint32_t tableAt = 0;
    if (!lib.U32(at + 2, tableAt)) return lib.Fail(ErrCode::Truncated, at, "library block: no name table offset");
    std::uint16_t mark = 0;
    if (!lib.U16(tableAt, mark))
        return lib.Fail(ErrCode::Truncated, at + 2,
                        "name table at " + Hex(tableAt) + " past the library block (" + Hex(lib.Size()) + " bytes)");
    std::uint64_t namesAt = std::uint64_t{tableAt} + (mark == kNameTableShiftedMark ? kNameTableShift : 0) + kNamesBase;
    auto names = lib.Slice(namesAt, lib.Size() > namesAt ? lib.Size() - namesAt : 0, "name table");
    if (!names) return names.error();
    m_names = names.value();
    m_nameEnd.assign(std::min<std::size_t>(m_names.Size(), 0x10000), kNoEnd);
    std::uint32_t end = kNoEnd;
    for (std::size_t i = m_names.Size(); i-- > 0;) {
        if (m_names.Data()[i] == 0) end = static_cast<std::uint32_t>(i);
        if (i < m_nameEnd.size()) m_nameEnd[i] = end;
    }
    return true;
}

std::string Parser::Decode(std::string_view bytes) const
{
    return m_text.Decode(bytes, m_lib.lcid);
}

// The NUL-terminated name at `offset` of the name table; "" when it is
// outside the table or not terminated.
std::string Parser::Name(std::uint16_t offset) const
{
    if (offset >= m_nameEnd.size() || m_nameEnd[offset] == kNoEnd) return {};
    return Decode(std::string_view(reinterpret_cast<const char*>(m_names.Data()) + offset, m_nameEnd[offset] - offset));
}

// Member records decoded so far. In a sound file no two members share a
// record, so this stays near the file size; a file whose chains come back
// to the same records to multiply them is refused once it does not.
bool Parser::CountRecord(std::uint64_t bytes)
{
    m_recordBytes += bytes;
    if (m_recordBytes > m_recordLimit) m_recordsOverflow = true;
    return !m_recordsOverflow;
}

TypeRef Parser::ResolveReference(std::string_view text)
{
    TypeRef ref;
    ref.libraryName = m_lib.name;
    ref.libraryMajor = m_lib.majorVersion;
    ref.libraryMinor = m_lib.minorVersion;
    ref.libraryGuid = m_lib.guid;
    // "*\R<library>*#<type>", both hex; library ffff is this one, else the
    // name-table offset of the imported library's description.
    if (!TakePrefix(text, "*\\R")) return ref;
    auto libraryAt = TakeNumber(text, 16);
    if (!libraryAt || !TakePrefix(text, "*#")) return ref;
    auto typeIndex = TakeNumber(text, 16);
    if (!typeIndex || *typeIndex > 0x7FFFFFFF) return ref;
    const auto index = static_cast<std::int32_t>(*typeIndex);
    if (*libraryAt == kNone) {
        if (static_cast<std::size_t>(index) < m_lib.types.size()) {
            ref.index = index;
            ref.name = m_lib.types[static_cast<std::size_t>(index)].name;
            ref.resolved = true;
        }
        return ref;
    }
    ref.external = true;
    ref.libraryName.clear();
    ref.libraryMajor = ref.libraryMinor = 0;
    ref.libraryGuid = {};
    std::string description = *libraryAt <= 0xFFFF ? Name(static_cast<std::uint16_t>(*libraryAt)) : std::string();
    auto imp = ParseImport(description);
    if (!imp) return ref;
    ref.libraryName = imp->fileName;
    ref.libraryGuid = imp->guid;
    ref.libraryMajor = imp->major;
    ref.libraryMinor = imp->minor;
    if (imp->guid == m_lib.guid && imp->major == m_lib.majorVersion && !imp->guid.IsNull()) {
        // The library names itself as an import.
        ref.external = false;
        ref.libraryName = m_lib.name;
        ref.libraryMinor = m_lib.minorVersion;
        if (static_cast<std::size_t>(index) < m_lib.types.size()) {
            ref.index = index;
            ref.name = m_lib.types[static_cast<std::size_t>(index)].name;
            ref.resolved = true;
        }
        return ref;
    }
    std::shared_ptr<const TypeLib> lib;
    if (auto it = m_imports.find(*libraryAt); it != m_imports.end())
        lib = it->second;
    else {
        if (m_resolver) lib = m_resolver(*imp);
        m_imports.emplace(*libraryAt, lib);
    }
    if (!lib) return ref;
    ref.libraryName = lib->name;
    ref.libraryMajor = lib->majorVersion;
    ref.libraryMinor = lib->minorVersion;
    ref.libraryGuid = lib->guid;
    if (static_cast<std::size_t>(index) < lib->types.size()) {
        ref.index = index;
        ref.name = lib->types[static_cast<std::size_t>(index)].name;
        ref.resolved = true;
        ref.library = lib;
    }
    return ref;
}

Read<bool> Parser::ReadReferences(ByteView block, std::uint32_t at, TypeContext& ctx)
{
    std::string where = "typeinfo " + std::to_string(ctx.index) + ": reference table";
    auto head = block.Slice(at, kRefRecords, where);
    if (!head) return head.error();
    if (head->U8At(0) != kRefMagic)
        return block.Fail(ErrCode::BadMagic, at, where + ": magic " + Hex(head->U8At(0)) + ", not " + Hex(kRefMagic));
    std::uint32_t bytes = head->U32At(kRefByteCount);
    std::uint64_t namesAt = std::uint64_t{at} + kRefRecords + bytes + kRefNamesAfterRecords;
    if (bytes % 8 != 0 || namesAt > block.Size())
        return block.Fail(ErrCode::BadValue, at + kRefByteCount,
                          where + ": " + std::to_string(bytes) + " bytes of references do not fit its block");
    std::uint32_t count = bytes / 8;
    ctx.refs.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint16_t len = 0;
        if (!block.U16(namesAt, len) || len == kNone)
            return block.Fail(ErrCode::Truncated, namesAt, where + ": reference " + std::to_string(i) + " unreadable");
        auto text = block.Slice(namesAt + 2, len, where);
        if (!text) return text.error();
        namesAt += 2 + len;
        std::string key(reinterpret_cast<const char*>(text->Data()), len);
        auto [it, added] = m_refByText.try_emplace(key, static_cast<std::int32_t>(m_refs.size()));
        if (added) m_refs.push_back(ResolveReference(key));
        ctx.refs.push_back(it->second);
    }
    return true;
}

std::shared_ptr<const TypeRef> Parser::SharedRef(const TypeContext& ctx, std::uint32_t refIndex) const
{
    static const auto kUnresolved = std::make_shared<const TypeRef>();
    if (refIndex >= ctx.refs.size()) return kUnresolved;
    auto slot = static_cast<std::size_t>(ctx.refs[refIndex]);
    if (m_sharedRefs.size() < m_refs.size()) m_sharedRefs.resize(m_refs.size());
    if (!m_sharedRefs[slot]) m_sharedRefs[slot] = std::make_shared<const TypeRef>(m_refs[slot]);
    return m_sharedRefs[slot];
}

std::uint32_t Parser::DecodeType(const TypeContext& ctx, std::uint32_t at, TypeDesc& td) const
{
    td = TypeDesc{};
    std::uint16_t arrayBit = 0;
    for (int n = 0; n < kMaxTypeWords; ++n) {
        std::uint16_t word = 0;
        if (!ctx.items.U16(at, word)) return 0;
        at += 2;
        if ((word & kTypePointerMark) == kTypePointerMark && td.pointerLevels < 255) ++td.pointerLevels;
        const std::uint16_t vt = word & kTypeVtMask;
        std::uint16_t operand = 0;
        switch (vt) {
            case VT_PTR:
                if (td.pointerLevels < 255) ++td.pointerLevels;
                continue;
            case VT_USERDEFINED:
                if (!ctx.items.U16(at, operand)) return 0;
                td.code = arrayBit;
                td.ref = SharedRef(ctx, operand / 4u);
                return at + 2;
            case VT_SAFEARRAY:
            case VT_CARRAY:
                // The next word is the offset of the bounds (CARRAY) or a
                // word of no use here (SAFEARRAY); the element type follows.
                if (!ctx.items.U16(at, operand)) return 0;
                at += 2;
                if (arrayBit != 0) {
                    td.code = static_cast<std::uint16_t>(arrayBit | vt);
                    return at;
                }
                arrayBit = vt == VT_SAFEARRAY ? kVtSafeArrayBit : kVtCArrayBit;
                continue;
            default:
                td.code = static_cast<std::uint16_t>(arrayBit | vt);
                return at;
        }
    }
    return 0;
}

std::uint16_t ParamFlagsOf(std::uint16_t word)
{
    std::uint16_t flags = 0;
    if ((word & kParamNoFlags) == kParamNoFlags)
        flags = 0;
    else if (word & kParamInOut)
        flags = kParamFlagIn | kParamFlagOut;
    else if (word & kParamOut)
        flags = kParamFlagOut;
    else
        flags = kParamFlagIn;
    if (word & kParamLcid) flags |= PARAMFLAG_FLCID;
    if (word & kParamRetval) flags |= kParamFlagRetval;
    return flags;
}

bool Parser::ReadFunction(const TypeContext& ctx, std::uint32_t at, Function& fn)
{
    auto rec = ctx.items.Slice(at, kFuncSize, "function");
    if (!rec) return false;
    const std::uint8_t magic = rec->U8At(0);
    switch (magic & ~kFlagsPresent) {
        case kFuncVtable:
            fn.funcKind = 1;  // pure virtual
            break;
        case kFuncDispatch:
            fn.funcKind = FUNC_DISPATCH;
            break;
        case kFuncStatic:
            fn.funcKind = 3;
            break;
        default:
            return false;
    }
    fn.invokeKind = rec->U8At(1) >> 4;
    fn.name = Name(rec->U16At(4));
    fn.memberId = rec->I32At(6);
    std::uint16_t help = rec->U16At(0x0A);
    fn.helpContext = help == kNoHelpContext ? 0 : help;
    std::uint16_t doc = rec->U16At(0x0C);
    if (doc != kNone) fn.doc = Name(doc);
    std::uint16_t args = rec->U16At(0x0E);
    std::uint8_t nacc = rec->U8At(0x10);
    std::uint8_t retOpt = rec->U8At(0x11);
    fn.callConv = nacc & 7;
    fn.paramsOptional = static_cast<std::int16_t>((retOpt & 0x7E) >> 1);
    fn.vtableOffset = fn.funcKind == FUNC_DISPATCH ? 0 : static_cast<std::uint16_t>(rec->U16At(0x14) & ~1u);
    std::uint32_t size = kFuncSize;
    if (magic & kFlagsPresent) {
        if (!ctx.items.U16(at + kFuncSize, fn.flags)) return false;
        size += 2;
    }
    TypeDesc ret;
    std::uint16_t retWord = rec->U16At(0x12);
    if (retOpt & 0x80) {
        // The one word of the return type stands in the record itself.
        if (DecodeType(ctx, at + 0x12, ret) == 0) return false;
    } else if (DecodeType(ctx, retWord, ret) == 0) {
        return false;
    }
    fn.returnType = std::move(ret);

    const std::uint32_t count = nacc >> 3;
    std::uint32_t p = args;
    fn.params.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        Parameter& param = fn.params[i];
        std::uint16_t nameWord = 0;
        if (!ctx.items.U16(p, nameWord)) return false;
        p += 2;
        // The name word says where the type is: an unnamed parameter has
        // 0xFFFF (type words follow) or 0xFFFE (an offset follows). A named
        // one whose type words follow points one past the name's first
        // letter; one followed by an offset points at the name itself,
        // after the name table's non-letter prefix.
        bool inlineType = nameWord == kNone;
        std::optional<std::uint16_t> nameAt;
        if (nameWord != kNone && nameWord != 0xFFFE) {
            const std::uint8_t before = nameWord > 0 ? m_names.U8At(nameWord - 1u) : 0;
            inlineType = std::isalnum(before) || before == '_';
            nameAt = inlineType ? static_cast<std::uint16_t>(nameWord - 1) : nameWord;
        }
        std::uint32_t typeAt = p;
        if (!inlineType) {
            std::uint16_t offset = 0;
            if (!ctx.items.U16(p, offset)) return false;
            typeAt = offset;
            p += 2;
        }
        std::uint16_t first = 0;
        if (!ctx.items.U16(typeAt, first)) return false;
        std::uint32_t end = DecodeType(ctx, typeAt, param.type);
        if (end == 0) return false;
        if (inlineType) p = end;
        param.flags = ParamFlagsOf(first);
        if (count - i <= static_cast<std::uint32_t>(fn.paramsOptional)) param.flags |= kParamFlagOptional;
        if (nameAt) param.name = Name(*nameAt);
    }
    return CountRecord(size + (p > args ? p - args : 0));
}

std::optional<ConstantValue> Parser::ReadConstant(const TypeContext& ctx, std::uint16_t vt, std::uint16_t at) const
{
    if (vt != VT_BSTR) return ReadStoredNumber(ctx.items, at, vt);
    // A string: its length in 16 bits (0xFFFF for none), then its bytes.
    ConstantValue v;
    v.vt = vt;
    std::uint16_t len = 0;
    if (!ctx.items.U16(at, len)) return std::nullopt;
    if (len == kNone) return v;
    auto bytes = ctx.items.Slice(std::uint64_t{at} + 2, len, "string constant");
    if (!bytes) return std::nullopt;
    v.text = Decode(std::string_view(reinterpret_cast<const char*>(bytes->Data()), len));
    return v;
}

bool Parser::ReadVariable(const TypeContext& ctx, std::uint32_t at, const Variable* previous, Variable& var)
{
    auto rec = ctx.items.Slice(at, kVarSize, "variable");
    if (!rec) return false;
    const std::uint8_t magic = rec->U8At(0);
    if ((magic & ~kFlagsPresent) != kVarMagic) return false;
    const std::uint8_t flags = rec->U8At(1);
    std::uint16_t name = rec->U16At(4);
    if (name == kSameNameAsPrevious)
        var.name = previous ? previous->name : std::string();
    else
        var.name = Name(name);
    const std::uint16_t offset = rec->U16At(6);
    const std::uint16_t typeWord = rec->U16At(8);
    var.memberId = rec->I32At(0x0A);
    std::uint16_t help = rec->U16At(0x0E);
    var.helpContext = help == kNoHelpContext ? 0 : help;
    std::uint16_t doc = rec->U16At(0x10);
    if (doc != kNone) var.doc = Name(doc);
    std::uint32_t size = kVarSize;
    if (magic & kFlagsPresent) {
        if (!ctx.items.U16(at + kVarSize, var.flags)) return false;
        size += 2;
    }
    if (flags & kVarReadOnly) var.flags |= kVarFlagReadOnly;
    std::uint32_t typeEnd = DecodeType(ctx, (flags & kVarTypeInline) ? at + 8 : typeWord, var.type);
    if (typeEnd == 0) return false;
    if (flags & kVarDispatch) {
        var.varKind = 3;
    } else if (flags & kVarConst) {
        var.varKind = 2;
        if (flags & kVarValueInline) {
            ConstantValue v;
            v.vt = var.type.BaseCode();
            v.integer = offset;
            var.value = v;
        } else {
            var.value = ReadConstant(ctx, var.type.BaseCode(), offset);
        }
    }
    return CountRecord(size);
}

void Parser::ReadFunctions(const TypeContext& ctx, std::uint16_t first, std::uint16_t count, TypeInfo& type)
{
    type.functions.reserve(std::min<std::size_t>(count, ctx.items.Size() / kFuncSize));
    std::uint32_t at = first;
    for (std::uint32_t i = 0; i < count && !m_recordsOverflow; ++i) {
        Function fn;
        if (ReadFunction(ctx, at, fn)) type.functions.push_back(std::move(fn));
        std::uint16_t next = ctx.items.U16At(at + 2);
        if (next == kNone || !ctx.items.Contains(next, kFuncSize)) break;
        at = next;
    }
}

void Parser::ReadVariables(const TypeContext& ctx, std::uint16_t first, std::uint16_t count, TypeInfo& type)
{
    type.variables.reserve(std::min<std::size_t>(count, ctx.items.Size() / kVarSize));
    std::uint32_t at = first;
    for (std::uint32_t i = 0; i < count && !m_recordsOverflow; ++i) {
        Variable var;
        if (ReadVariable(ctx, at, type.variables.empty() ? nullptr : &type.variables.back(), var))
            type.variables.push_back(std::move(var));
        std::uint16_t next = ctx.items.U16At(at + 2);
        if (next == kNone || !ctx.items.Contains(next, kVarSize)) break;
        at = next;
    }
}

void Parser::ReadImplTypes(const TypeContext& ctx, std::uint16_t first, TypeInfo& type)
{
    std::uint32_t at = first;
    // At most as many as the member area can hold: a chain that loops ends there.
    for (std::size_t n = ctx.items.Size() / kImplSize; n > 0 && !m_recordsOverflow; --n) {
        auto rec = ctx.items.Slice(at, kImplSize, "implemented interface");
        if (!rec || rec->U16At(0) != kImplMagic) break;
        ImplType impl;
        impl.flags = rec->U8At(kImplFlags);
        std::uint16_t ref = rec->U16At(kImplRef);
        impl.ref = *SharedRef(ctx, ref);
        type.implTypes.push_back(std::move(impl));
        if (!CountRecord(kImplSize)) break;
        std::uint16_t next = rec->U16At(2);
        if (next == kNone) break;
        at = next;
    }
}

Read<bool> Parser::ReadType(std::uint32_t index, const Block& block)
{
    const ByteView& b = block.bytes;
    std::string where = "typeinfo " + std::to_string(index);
    const TypeEntry& entry = m_entries[index];
    std::string_view indexString;
    if (auto s = m_file.Slice(std::uint64_t{m_magicBlockAt} + block.indexString, kIndexStringSize, "index string")) {
        const char* text = reinterpret_cast<const char*>(s->Data());
        indexString = std::string_view(text, strnlen(text, kIndexStringSize));
    }
    if (indexString != entry.indexName)
        return b.Fail(ErrCode::BadValue, 0,
                      where + ": block index \"" + std::string(indexString) + "\" does not match the library's \"" +
                          entry.indexName + "\"");
    auto head = b.Slice(0, kTypeHeaderSize, where + ": header");
    if (!head) return head.error();
    if (head->U16At(0) != kTypeMagic)
        return b.Fail(ErrCode::BadMagic, 0,
                      where + ": header magic " + Hex(head->U16At(0)) + ", not " + Hex(kTypeMagic));
    const std::uint8_t kind = head->U8At(kThKind);
    if (kind > static_cast<std::uint8_t>(TypeKind::Union))
        return b.Fail(ErrCode::BadValue, kThKind, where + ": unknown type kind " + std::to_string(kind));
    TypeInfo& type = m_lib.types[index];
    type.kind = static_cast<TypeKind>(kind);
    type.majorVersion = head->U16At(kThMajor);
    type.minorVersion = head->U16At(kThMinor);
    type.typeFlags = static_cast<std::uint16_t>((head->U8At(kThFlags1) >> 3) | (head->U8At(kThFlags2) << 5));
    type.doc = entry.doc;
    type.helpContext = entry.helpContext;
    type.guid = entry.guid;

    TypeContext ctx;
    ctx.index = index;
    std::uint32_t membersAt = head->U32At(kThMembers);
    auto members = b.Slice(membersAt, kMemberHeaderSize, where + ": member header");
    if (!members) return members.error();
    std::uint32_t extra = members->U32At(kMhExtra);
    auto items = b.Slice(std::uint64_t{membersAt} + kMemberHeaderSize, extra, where + ": member records");
    if (!items) return items.error();
    auto tail = b.Slice(std::uint64_t{membersAt} + kMemberHeaderSize + extra, kTailSize, where + ": counts");
    if (!tail) return tail.error();
    ctx.items = items.value();
    std::uint32_t refsAt = head->U32At(kThRefTable);
    if (refsAt != 0xFFFFFFFF) {
        auto refs = ReadReferences(b, refsAt, ctx);
        if (!refs) return refs.error();
    }

    const std::uint16_t funcCount = tail->U16At(kTlFuncCount), varCount = tail->U16At(kTlVarCount);
    const std::uint16_t funcsAt = tail->U16At(kTlFuncs), varsAt = tail->U16At(kTlVars);
    std::uint16_t implsAt = tail->U16At(kTlImpls);
    if (implsAt == kNone && ctx.items.U16At(0) == kImplMagic) implsAt = 0;
    switch (type.kind) {
        case TypeKind::Alias: {
            TypeDesc alias;
            if (tail->U16At(kTlSimpleAlias) != 0)
                alias.code = tail->U16At(kTlAlias);
            else
                DecodeType(ctx, tail->U16At(kTlAlias), alias);
            type.aliasOf = std::move(alias);
            break;
        }
        default: {
            const bool implements =
                type.kind == TypeKind::Interface || type.kind == TypeKind::Dispatch || type.kind == TypeKind::Coclass;
            if (implements && implsAt != kNone) ReadImplTypes(ctx, implsAt, type);
            if (funcsAt != kNone && funcCount > 0) ReadFunctions(ctx, funcsAt, funcCount, type);
            if (varsAt != kNone && varCount > 0) ReadVariables(ctx, varsAt, varCount, type);
            break;
        }
    }
    if (m_recordsOverflow)
        return b.Fail(ErrCode::BadValue, membersAt, where + ": member records overlap those of other members or types");
    // A dual is stored as an interface; the library lists it as its dispinterface view.
    if (type.kind == TypeKind::Interface && (type.typeFlags & kTypeFlagDual)) {
        type.kind = TypeKind::Dispatch;
        if (!type.implTypes.empty()) m_storedBase[index] = type.implTypes.front().ref;
        type.implTypes.resize(std::min<std::size_t>(type.implTypes.size(), 1));
    }
    return true;
}

// The IDispatch reference a dual's dispatch view names as what it
// implements: IDispatch itself, found up the stored base chain, which may
// lead into imported libraries.
std::optional<TypeRef> Parser::FindDispatchBase(TypeRef ref) const
{
    std::shared_ptr<const TypeLib> foreign;  // the library `ref` was read from, when not this one
    for (int depth = 0; depth < kMaxBaseDepth && ref.resolved && ref.index >= 0; ++depth) {
        if (foreign && !ref.external) {
            // Internal to that library: from here it is a reference into it.
            ref.external = true;
            ref.library = foreign;
            ref.libraryName = foreign->name;
            ref.libraryMajor = foreign->majorVersion;
            ref.libraryMinor = foreign->minorVersion;
            ref.libraryGuid = foreign->guid;
        }
        const TypeLib* owner = ref.external ? ref.library.get() : &m_lib;
        const auto index = static_cast<std::size_t>(ref.index);
        if (owner == nullptr || index >= owner->types.size()) break;
        const TypeInfo& t = owner->types[index];
        if (t.guid == kIidDispatch) return ref;
        if (!ref.external) {
            if (!m_storedBase[index]) break;
            ref = *m_storedBase[index];
            continue;
        }
        const TypeInfo& stored = t.interfaceView ? *t.interfaceView : t;
        if (stored.implTypes.empty()) break;
        foreign = ref.library;
        ref = stored.implTypes.front().ref;
    }
    return std::nullopt;
}

Read<TypeLib> Parser::Run()
{
    auto blocks = ReadDirectory();
    if (!blocks) return blocks.error();
    const std::size_t typeCount = blocks->size() - 1;
    m_entries.resize(typeCount);
    auto libBlock = ReadLibraryBlock(blocks->back().bytes);
    if (!libBlock) return libBlock.error();
    // Names first, so that references between types resolve in any order.
    m_lib.name = Name(blocks->back().bytes.U16At(4));
    m_lib.types.resize(typeCount);
    m_storedBase.resize(typeCount);
    for (std::size_t i = 0; i < typeCount; ++i) m_lib.types[i].name = Name(m_entries[i].nameOffset);
    for (std::size_t i = 0; i < typeCount; ++i) {
        auto ok = ReadType(static_cast<std::uint32_t>(i), (*blocks)[i]);
        if (!ok) return ok.error();
        if (m_text.Exceeded()) break;  // failed below; no point reading on
    }
    for (std::size_t i = 0; i < typeCount; ++i) {
        TypeInfo& type = m_lib.types[i];
        if (type.kind == TypeKind::Dispatch && (type.typeFlags & kTypeFlagDual) && m_storedBase[i])
            if (auto dispatch = FindDispatchBase(*m_storedBase[i])) type.implTypes = {ImplType{*dispatch, 0}};
    }
    auto views = BuildDispatchViews(
        m_lib, [&](std::uint32_t i) { return m_storedBase[i]; }, DispatchViewBound(m_file.Size()));
    if (!views) return views.error();
    if (m_text.Exceeded()) return m_text.Failure();
    return std::move(m_lib);
}

Read<MsftReader::Identity> Parser::Identity()
{
    auto blocks = ReadDirectory();
    if (!blocks) return blocks.error();
    auto attributes = ReadLibraryAttributes(blocks->back().bytes);
    if (!attributes) return attributes.error();
    return MsftReader::Identity{m_lib.guid, m_lib.majorVersion, m_lib.minorVersion};
}

}  // namespace

Read<TypeLib> SltgReader::Open(ByteView data, const ImportResolver& resolveImport)
{
    Parser parser(data, resolveImport);
    return parser.Run();
}

Read<MsftReader::Identity> SltgReader::PeekIdentity(ByteView data)
{
    Parser parser(data, {});
    return parser.Identity();
}

}  // namespace arbolith
