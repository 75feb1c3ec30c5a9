// SPDX-License-Identifier: MIT
// Layout of what is written (all little-endian, no padding):
//   header (0x24 bytes), one 8-byte entry per block, the "CompObj"/"dir"
//   magic, one 11-byte index string per type, 9 zero bytes, then the blocks:
//   one per type in library order, the library block last.
// A type block is a header (0x22 bytes), the table of types it refers to,
// a member header (9 bytes), the member items and a tail (0x36 bytes). All
// offsets inside the items are 16-bit and count from the first item.
// The library block holds the library's attributes, one entry per type
// (name, help string and context, GUID, kind) and the name table, which
// every name, member help string and imported library's path lives in.
#include "typelib/sltg_writer.h"

#include "typelib/code_pages.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <unordered_map>
#include <vector>

namespace arbolith::test {
namespace {

// Variant type codes the layout spells out.
enum : std::uint16_t {
    VT_EMPTY = 0,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_PTR = 26,
    VT_SAFEARRAY = 27,
    VT_CARRAY = 28,
    VT_USERDEFINED = 29,
    VT_LPSTR = 30,
    VT_LPWSTR = 31,
};

constexpr std::uint32_t kMagic = 0x47544C53;  // "SLTG"
constexpr std::size_t kIndexStringSize = 11;  // ten letters and a NUL
constexpr std::size_t kMagicBlockSize = 13;   // "\1CompObj\0dir\0"
constexpr std::uint16_t kDirIndexOffset = 9;  // "dir" inside the magic block
constexpr std::size_t kMaxTypes = (0xFFFF - kMagicBlockSize) / kIndexStringSize;
constexpr std::uint16_t kMaxNameOffset = 0xFFFC;  // 0xFFFE and 0xFFFF mean "none"
constexpr std::uint16_t kNone = 0xFFFF;
constexpr std::uint16_t kNoHelpContext = 0xFFFE;
constexpr std::size_t kFunctionRecordSize = 24;  // with the function flags word
constexpr std::size_t kVariableRecordSize = 20;  // with the variable flags word
constexpr std::size_t kImplRecordSize = 22;
constexpr unsigned kMaxParams = 31;
constexpr int kMaxOptional = 63;

// Type kinds as the type block's header stores them.
constexpr std::uint8_t kKindInterface = 3;

struct Bytes {
    std::string b;
    void U8(std::uint32_t v) { b.push_back(static_cast<char>(v & 0xFF)); }
    void U16(std::uint32_t v)
    {
        U8(v);
        U8(v >> 8);
    }
    void U32(std::uint32_t v)
    {
        U16(v);
        U16(v >> 16);
    }
    void U64(std::uint64_t v)
    {
        U32(static_cast<std::uint32_t>(v));
        U32(static_cast<std::uint32_t>(v >> 32));
    }
    void Fill(std::size_t count, char value) { b.append(count, value); }
    void Add(std::string_view bytes) { b.append(bytes); }
    void AddGuid(const Guid& g)
    {
        U32(g.data1);
        U16(g.data2);
        U16(g.data3);
        for (std::uint8_t byte : g.data4) U8(byte);
    }
    std::size_t Size() const { return b.size(); }
    void Put16(std::size_t at, std::uint32_t v)
    {
        b[at] = static_cast<char>(v & 0xFF);
        b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
    }
    void Put32(std::size_t at, std::uint32_t v)
    {
        Put16(at, v & 0xFFFF);
        Put16(at + 2, v >> 16);
    }
};

// UTF-8 to the library's ANSI code page; characters it lacks become '?'.
class Encoder {
public:
    explicit Encoder(std::uint16_t codePage)
    {
        const std::string name = "CP" + std::to_string(codePage);
        m_cd = iconv_open(name.c_str(), "UTF-8");
    }
    ~Encoder()
    {
        if (m_cd != kFailed) iconv_close(m_cd);
    }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    std::string operator()(std::string_view text) const
    {
        if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
            return std::string(text);
        if (m_cd == kFailed) return Fallback(text);
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        std::string out(text.size() * 2 + 4, '\0');
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        char* dst = out.data();
        std::size_t outLeft = out.size();
        while (inLeft > 0) {
            if (iconv(m_cd, &in, &inLeft, &dst, &outLeft) != static_cast<std::size_t>(-1)) break;
            if (errno != EILSEQ && errno != EINVAL) break;
            // Skip the character it cannot convert: one UTF-8 sequence.
            std::size_t skip = 1;
            while (skip < inLeft && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80) ++skip;
            in += skip;
            inLeft -= skip;
            if (outLeft == 0) break;
            *dst++ = '?';
            --outLeft;
        }
        out.resize(out.size() - outLeft);
        return out;
    }

private:
    static std::string Fallback(std::string_view text)
    {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            unsigned char c = static_cast<unsigned char>(text[i]);
            if (c < 0x80)
                out.push_back(static_cast<char>(c));
            else if ((c & 0xC0) != 0x80)
                out.push_back('?');
        }
        return out;
    }
    static inline const iconv_t kFailed = reinterpret_cast<iconv_t>(-1);
    iconv_t m_cd = kFailed;
};

// Names and member help strings, each stored once: eight bytes of 0xFF, the
// text, a NUL, padded to an even length. Offsets count from the first entry.
class NameTable {
public:
    explicit NameTable(const Encoder& encode) : m_encode(encode) {}

    // The offset of `text`'s entry, adding it when new; nullopt past 64 KB.
    std::optional<std::uint16_t> Add(std::string_view text)
    {
        std::string bytes = m_encode(text);
        auto found = m_offsets.find(bytes);
        if (found != m_offsets.end()) return found->second;
        if (m_data.Size() > kMaxNameOffset) return std::nullopt;
        auto offset = static_cast<std::uint16_t>(m_data.Size());
        m_data.Fill(8, '\xFF');
        m_data.Add(bytes);
        m_data.U8(0);
        if (m_data.Size() % 2) m_data.U8(0);
        m_offsets.emplace(std::move(bytes), offset);
        return offset;
    }
    const std::string& Data() const { return m_data.b; }

private:
    const Encoder& m_encode;
    Bytes m_data;
    std::unordered_map<std::string, std::uint16_t> m_offsets;
};

bool IsAsciiAlnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string Hex(std::uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%x", v);
    return text;
}

// Index string number `n`: ten letters counting in base 26, lowest first
// ("BAAAAAAAAA" is 1).
std::string IndexString(std::size_t n)
{
    std::string s(10, 'A');
    for (std::size_t i = 0; i < s.size() && n > 0; ++i, n /= 26) s[i] = static_cast<char>('A' + n % 26);
    return s;
}

// One type block's member items and the table of types they refer to.
struct TypeBlock {
    Bytes items;
    std::vector<std::string> refs;  // "*\R<library>*#<type>", hex
    std::unordered_map<std::string, std::uint16_t> refIndex;
};

class Writer {
public:
    explicit Writer(const TypeLib& lib)
        : m_lib(lib), m_encode(AnsiCodePageOfLcid(lib.lcid)), m_names(m_encode), m_pointerSize(lib.sysKind == 3 ? 8 : 4)
    {
    }

    Result<std::string> Run();

private:
    void Fail(std::string message)
    {
        if (m_error.empty()) m_error = std::move(message);
    }
    std::uint16_t Name(std::string_view text);
    std::uint16_t HelpString(std::string_view doc) { return doc.empty() ? kNone : Name(doc); }
    std::uint16_t RefIndex(TypeBlock& block, const TypeRef& ref);
    std::string TypeWords(const TypeDesc& td, std::uint16_t flags, TypeBlock& block, std::size_t at);
    void Function(TypeBlock& block, const arbolith::Function& fn, std::uint8_t magic, bool last);
    void Variable(TypeBlock& block, const arbolith::Variable& var, bool last);
    std::string ConstantData(const ConstantValue& value, std::uint8_t& flags, std::uint16_t& inlineValue);
    std::string Block(const TypeInfo& type, std::size_t index);
    std::string LibraryBlock();

    const TypeLib& m_lib;
    Encoder m_encode;
    NameTable m_names;
    std::uint16_t m_pointerSize;
    std::string m_error;
    std::string m_where;  // the type being written, for messages
};

std::uint16_t Writer::Name(std::string_view text)
{
    auto offset = m_names.Add(text);
    if (offset) return *offset;
    Fail("the name table is past the 64 KB its 16-bit offsets reach (at " + m_where + ")");
    return 0;
}

std::uint16_t Writer::RefIndex(TypeBlock& block, const TypeRef& ref)
{
    std::string libraryPart = "ffff";
    if (ref.external) {
        std::string path = ref.libraryName;
        std::uint32_t lcid = 0;
        if (ref.library) {
            const std::string& full = ref.library->path;
            path = full.substr(full.find_last_of('/') + 1);
            lcid = ref.library->lcid;
        }
        std::string description = "*\\G" + ref.libraryGuid.ToString() + "#" + std::to_string(ref.libraryMajor) + "." +
                                  std::to_string(ref.libraryMinor) + "#" + Hex(lcid) + "#" + path + "#";
        libraryPart = Hex(Name(description));
    }
    std::string text =
        "*\\R" + libraryPart + "*#" + Hex(ref.index < 0 ? 0xFFFF : static_cast<std::uint32_t>(ref.index));
    auto [it, added] = block.refIndex.try_emplace(text, static_cast<std::uint16_t>(block.refs.size()));
    if (added) block.refs.push_back(std::move(text));
    return it->second;
}

// The type words of `td`, with the parameter flag bits on the first word,
// followed by the bounds of a fixed-size array when there is one; `at` is
// the item offset the words will be written at.
std::string Writer::TypeWords(const TypeDesc& td, std::uint16_t flags, TypeBlock& block, std::size_t at)
{
    const std::uint16_t array = td.code & (kVtCArrayBit | kVtSafeArrayBit);
    const std::uint16_t base = td.BaseCode();
    const bool userDefined = base == kVtUserDefinedBase && td.ref != nullptr;
    // An extra pointer level rides on the next word (bits 9-11); the others
    // are VT_PTR words of their own.
    const unsigned pointerWords = td.pointerLevels > 0 ? td.pointerLevels - 1u : 0u;
    const std::uint16_t pointerBits = td.pointerLevels > 0 ? 0x0E00 : 0;
    const std::size_t wordCount = pointerWords + (array ? 2 : 0) + (userDefined ? 2 : 1);

    Bytes words;
    std::uint16_t next = flags;  // bits for the first word written
    auto word = [&](std::uint16_t w) {
        words.U16(w | next);
        next = 0;
    };
    for (unsigned i = 0; i < pointerWords; ++i) word(VT_PTR);
    std::uint16_t pending = pointerBits;
    Bytes bounds;
    if (array == kVtSafeArrayBit) {
        word(VT_SAFEARRAY | pending);
        word(0);  // skipped by readers
        pending = 0;
    } else if (array == kVtCArrayBit) {
        word(VT_CARRAY | pending);
        word(static_cast<std::uint16_t>(at + 2 * wordCount));
        pending = 0;
        // SAFEARRAY with one bound: dimensions, features, element size,
        // locks, data, then elements and lower bound.
        bounds.U16(1);
        bounds.U16(0);
        bounds.U32(0);
        bounds.U32(0);
        bounds.U32(0);
        bounds.U32(0);
        bounds.U32(0);
    }
    if (userDefined) {
        word(VT_USERDEFINED | pending);
        words.U16(static_cast<std::uint32_t>(RefIndex(block, *td.ref)) * 4);
    } else {
        word(static_cast<std::uint16_t>((base < 64 ? base : std::uint16_t{VT_EMPTY}) | pending));
    }
    return words.b + bounds.b;
}

std::uint16_t ParamFlagBits(std::uint16_t flags)
{
    const bool in = flags & 1, out = flags & 2;
    std::uint16_t bits = in && out ? 0x8000 : out ? 0x4000 : in ? 0 : 0xC000;
    if (flags & 4) bits |= 0x2000;  // lcid
    if (flags & 8) bits |= 0x0080;  // retval
    return bits;
}

std::uint16_t MemberHelpContext(std::uint32_t context)
{
    return context == 0 || context >= kNoHelpContext ? kNoHelpContext : static_cast<std::uint16_t>(context);
}

void Writer::Function(TypeBlock& block, const arbolith::Function& fn, std::uint8_t magic, bool last)
{
    Bytes& items = block.items;
    const std::size_t rec = items.Size();
    items.Fill(kFunctionRecordSize, '\0');

    const auto paramCount = static_cast<unsigned>(std::min<std::size_t>(fn.params.size(), kMaxParams));
    const int optional = std::clamp<int>(fn.paramsOptional, 0, kMaxOptional);
    std::uint8_t retNextOpt = static_cast<std::uint8_t>(optional << 1);
    std::uint16_t retType = 0;
    std::string ret = TypeWords(fn.returnType, 0, block, items.Size());
    if (ret.size() == 2) {
        retNextOpt |= 0x80;
        retType =
            static_cast<std::uint16_t>(static_cast<unsigned char>(ret[0]) | (static_cast<unsigned char>(ret[1]) << 8));
    } else {
        retType = static_cast<std::uint16_t>(items.Size());
        items.Add(ret);
    }

    // Two words per parameter: its name, then its one type word when that
    // is all it needs (the name offset then points one past the name's
    // first letter, which must be a letter or digit), else the offset of its
    // type words. An unnamed parameter gets the empty name.
    const std::size_t args = items.Size();
    items.Fill(4 * paramCount, '\0');
    for (unsigned i = 0; i < paramCount; ++i) {
        const Parameter& p = fn.params[i];
        std::uint16_t name = Name(p.name);
        std::string words = TypeWords(p.type, ParamFlagBits(p.flags), block, items.Size());
        const bool inlineType = words.size() == 2 && !p.name.empty() && IsAsciiAlnum(p.name[0]);
        if (inlineType) {
            items.Put16(args + 4 * i, name | 1u);
            items.b.replace(args + 4 * i + 2, 2, words);
        } else {
            items.Put16(args + 4 * i, name);
            items.Put16(args + 4 * i + 2, static_cast<std::uint32_t>(items.Size()));
            items.Add(words);
        }
    }

    std::uint8_t fullMagic = magic | 0x20;  // the function flags word is present
    items.Put16(rec + 0, fullMagic | ((static_cast<std::uint32_t>(fn.invokeKind << 4) | 2) & 0xFF) << 8);
    items.Put16(rec + 2, last ? kNone : static_cast<std::uint32_t>(items.Size()));
    items.Put16(rec + 4, Name(fn.name));
    items.Put32(rec + 6, static_cast<std::uint32_t>(fn.memberId));
    items.Put16(rec + 10, MemberHelpContext(fn.helpContext));
    items.Put16(rec + 12, HelpString(fn.doc));
    items.Put16(rec + 14, paramCount ? static_cast<std::uint32_t>(args) : kNone);
    items.Put16(rec + 16, ((paramCount << 3) | (static_cast<std::uint32_t>(fn.callConv) & 7)) | (retNextOpt << 8));
    items.Put16(rec + 18, retType);
    items.Put16(rec + 20, fn.vtableOffset);
    items.Put16(rec + 22, fn.flags);
}

// The bytes of a constant kept beside its record, or none when its value
// fits the record itself (then `flags` gets 0x08 and `inlineValue` the value).
std::string Writer::ConstantData(const ConstantValue& value, std::uint8_t& flags, std::uint16_t& inlineValue)
{
    Bytes data;
    switch (value.vt) {
        case VT_BSTR:
        case VT_LPSTR:
        case VT_LPWSTR: {
            std::string text = m_encode(value.text);
            if (text.size() >= kNone) text.resize(kNone - 1);
            data.U16(static_cast<std::uint32_t>(text.size()));
            data.Add(text);
            break;
        }
        case VT_R4: {
            float f = static_cast<float>(value.real);
            std::uint32_t bits = 0;
            std::memcpy(&bits, &f, sizeof bits);
            data.U32(bits);
            break;
        }
        case VT_R8:
        case VT_DATE: {
            std::uint64_t bits = 0;
            std::memcpy(&bits, &value.real, sizeof bits);
            data.U64(bits);
            break;
        }
        case VT_I8:
        case VT_UI8:
        case VT_CY:
            data.U64(static_cast<std::uint64_t>(value.integer));
            break;
        default:
            if (value.integer >= 0 && value.integer < 0x10000) {
                flags |= 0x08;
                inlineValue = static_cast<std::uint16_t>(value.integer);
            } else {
                data.U32(static_cast<std::uint32_t>(value.integer));
            }
            break;
    }
    return data.b;
}

void Writer::Variable(TypeBlock& block, const arbolith::Variable& var, bool last)
{
    Bytes& items = block.items;
    const std::size_t rec = items.Size();
    items.Fill(kVariableRecordSize, '\0');

    std::uint8_t flags = 0;
    if (var.varKind == 3) flags |= 0x40;  // dispatch
    std::uint16_t byteOffset = 0;
    std::uint16_t type = 0;
    std::string words = TypeWords(var.type, 0, block, items.Size());
    if (words.size() == 2) {
        flags |= 0x02;
        type = static_cast<std::uint16_t>(static_cast<unsigned char>(words[0]) |
                                          (static_cast<unsigned char>(words[1]) << 8));
    } else {
        type = static_cast<std::uint16_t>(items.Size());
        items.Add(words);
    }
    if (var.varKind == 2) {
        flags |= 0x10;  // constant
        std::string data = ConstantData(var.value.value_or(ConstantValue{}), flags, byteOffset);
        if (!data.empty()) {
            byteOffset = static_cast<std::uint16_t>(items.Size());
            items.Add(data);
        }
    }

    items.Put16(rec + 0, 0x2A | (flags << 8));  // 0x2A: the variable flags word is present
    items.Put16(rec + 2, last ? kNone : static_cast<std::uint32_t>(items.Size()));
    items.Put16(rec + 4, Name(var.name));
    items.Put16(rec + 6, byteOffset);
    items.Put16(rec + 8, type);
    items.Put32(rec + 10, static_cast<std::uint32_t>(var.memberId));
    items.Put16(rec + 14, MemberHelpContext(var.helpContext));
    items.Put16(rec + 16, HelpString(var.doc));
    items.Put16(rec + 18, var.flags);
}

std::string Writer::Block(const TypeInfo& type, std::size_t index)
{
    m_where = "type " + std::to_string(index) + " (" + type.name + ")";
    const bool dual = type.kind == TypeKind::Dispatch && (type.typeFlags & kTypeFlagDual) && type.interfaceView;
    // A dual interface is stored once, as the interface its vtable view is;
    // the dispatch view is rebuilt from it by readers.
    const TypeInfo& stored = dual ? *type.interfaceView : type;
    std::uint8_t kind = dual ? kKindInterface : static_cast<std::uint8_t>(type.kind);

    TypeBlock block;
    Bytes& items = block.items;
    std::uint16_t funcsOff = kNone, varsOff = kNone, implsOff = kNone;
    std::uint16_t funcsBytes = kNone, varsBytes = kNone, implsBytes = kNone;
    std::uint16_t aliasType = kNone, simpleAlias = 0;

    // A dispinterface implements IDispatch by being one, and readers that
    // follow a stored IDispatch list its functions as the dispinterface's
    // own (Wine's loader does): it is left implied. One that wraps another
    // interface keeps that one.
    std::vector<ImplType> impls = stored.implTypes;
    if (type.kind == TypeKind::Dispatch && !dual)
        std::erase_if(impls, [](const ImplType& impl) { return impl.ref.name == "IDispatch"; });
    if (!impls.empty()) {
        implsOff = 0;
        for (std::size_t i = 0; i < impls.size(); ++i) {
            const std::size_t rec = items.Size();
            const std::uint16_t ref = RefIndex(block, impls[i].ref);
            items.U16(0x004A);
            items.U16(i + 1 < impls.size() ? static_cast<std::uint32_t>(rec + kImplRecordSize) : kNone);
            items.U16(0xFFFF);
            items.U8(static_cast<std::uint32_t>(impls[i].flags));
            items.U8(0x80);
            items.U16(0x0012);
            items.U16(ref);
            items.U16(0x4001);
            items.U16(0xFFFE);
            items.U16(0xFFFF);
            items.U16(0x001D);
            items.U16(static_cast<std::uint32_t>(ref) * 4);
        }
        implsBytes = static_cast<std::uint16_t>(items.Size());
    }
    std::uint8_t funcMagic = 0x4C;  // vtable
    if (type.kind == TypeKind::Dispatch && !dual) funcMagic = 0xCB;
    if (type.kind == TypeKind::Module) funcMagic = 0x0B | 0x80;  // static
    if (!stored.functions.empty()) {
        const std::size_t start = items.Size();
        funcsOff = static_cast<std::uint16_t>(start);
        for (std::size_t i = 0; i < stored.functions.size(); ++i)
            Function(block, stored.functions[i], funcMagic, i + 1 == stored.functions.size());
        funcsBytes = static_cast<std::uint16_t>(items.Size() - start);
    }
    if (!stored.variables.empty()) {
        const std::size_t start = items.Size();
        varsOff = static_cast<std::uint16_t>(start);
        for (std::size_t i = 0; i < stored.variables.size(); ++i)
            Variable(block, stored.variables[i], i + 1 == stored.variables.size());
        varsBytes = static_cast<std::uint16_t>(items.Size() - start);
    }
    if (type.kind == TypeKind::Alias && type.aliasOf) {
        const TypeDesc& td = *type.aliasOf;
        if (td.pointerLevels == 0 && td.code < 64 && !(td.code == kVtUserDefinedBase && td.ref)) {
            simpleAlias = 1;
            aliasType = td.code;
        } else {
            aliasType = static_cast<std::uint16_t>(items.Size());
            items.Add(TypeWords(td, 0, block, items.Size()));
        }
    }
    if (items.Size() > 0xFFFE) Fail(m_where + ": its member data is past the 64 KB its 16-bit offsets reach");

    // Size of the vtable: for a dual, every function of its dispatch view
    // (readers count the dispatch view's functions from it).
    std::uint32_t vft = 0;
    if (dual)
        vft = static_cast<std::uint32_t>(type.functions.size()) * m_pointerSize;
    else
        for (const auto& fn : stored.functions) vft = std::max<std::uint32_t>(vft, fn.vtableOffset + m_pointerSize);

    Bytes out;
    const std::uint32_t refsAt = 0x22;
    Bytes refs;
    if (!block.refs.empty()) {
        refs.U8(0xDF);
        refs.U8(0);
        refs.Fill(0x42, '\xFF');
        refs.U32(static_cast<std::uint32_t>(8 * block.refs.size()));
        refs.Fill(8 * block.refs.size(), '\xFF');
        refs.U16(0xFFFF);
        refs.U8(1);
        refs.U32(0);
        for (const auto& r : block.refs) {
            refs.U16(static_cast<std::uint32_t>(r.size()));
            refs.Add(r);
        }
        refs.U8(0xDF);
    }
    const std::uint16_t flags = stored.typeFlags;
    out.U16(0x0501);
    out.U32(block.refs.empty() ? 0xFFFFFFFF : refsAt);
    out.U32(0xFFFFFFFF);
    out.U32(static_cast<std::uint32_t>(refsAt + refs.Size()));  // member header
    out.U32(0xFFFFFFFF);
    out.U16(type.majorVersion);
    out.U16(type.minorVersion);
    out.U32(0xFFFE0000);
    out.U8(0x02 | ((flags & 0x1F) << 3));
    out.U8((flags >> 5) & 0xFF);
    out.U8(0x02);
    out.U8(kind);
    out.U32(0);
    out.Add(refs.b);

    out.U16(0x0001);
    out.U16(0xFFFF);
    out.U8(0x01);
    out.U32(static_cast<std::uint32_t>(items.Size()));
    out.Add(items.b);

    out.U16(static_cast<std::uint32_t>(stored.functions.size()));
    out.U16(static_cast<std::uint32_t>(stored.variables.size()));
    out.U16(static_cast<std::uint32_t>(impls.size()));
    out.U16(0);
    out.U16(funcsOff);
    out.U16(varsOff);
    out.U16(implsOff);
    out.U16(funcsBytes);
    out.U16(varsBytes);
    out.U16(implsBytes);
    out.U16(aliasType);
    out.U16(0xFFFF);
    out.U16(0);
    out.U16(0);
    out.U16(simpleAlias);
    out.U16(0);
    out.U16(type.kind == TypeKind::Interface || dual ? m_pointerSize : 0);  // instance size
    out.U16(m_pointerSize);                                                 // alignment
    out.U16(0xFFFF);
    out.U16(0xFFFF);
    out.U16(std::min<std::uint32_t>(vft, 0xFFFF));
    for (int i = 0; i < 4; ++i) out.U16(0xFFFF);
    out.U16(0);
    out.U16(static_cast<std::uint32_t>(std::min<std::size_t>(items.Size(), 0xFFFF)));
    return out.b;
}

std::string Writer::LibraryBlock()
{
    auto sltgName = [&](Bytes& out, std::string_view text) {
        if (text.empty()) {
            out.U16(kNone);
            return;
        }
        std::string bytes = m_encode(text);
        if (bytes.size() >= kNone) bytes.resize(kNone - 1);
        out.U16(static_cast<std::uint32_t>(bytes.size()));
        out.Add(bytes);
    };
    m_where = "the library";
    Bytes out;
    out.U16(0x51CC);
    out.U16(3);
    out.U16(Name(m_lib.name));
    out.U16(0xFFFF);
    sltgName(out, m_lib.doc);
    sltgName(out, m_lib.helpFile);
    out.U32(m_lib.helpContext);
    out.U16(static_cast<std::uint32_t>(m_lib.sysKind));
    out.U16(m_lib.lcid & 0xFFFF);
    out.U32(0);
    out.U16(m_lib.libFlags);
    out.U16(m_lib.majorVersion);
    out.U16(m_lib.minorVersion);
    out.AddGuid(m_lib.guid);
    out.Fill(0x40, '\xFF');
    out.U16(static_cast<std::uint32_t>(m_lib.types.size()));
    for (std::size_t i = 0; i < m_lib.types.size(); ++i) {
        const TypeInfo& type = m_lib.types[i];
        const bool dual = type.kind == TypeKind::Dispatch && (type.typeFlags & kTypeFlagDual) && type.interfaceView;
        const std::string index = IndexString(2 * i + 1), other = IndexString(2 * i + 2);
        out.U16(static_cast<std::uint32_t>(index.size()));
        out.Add(index);
        out.U16(static_cast<std::uint32_t>(other.size()));
        out.Add(other);
        out.U16(0xFFFF);
        out.U16(Name(type.name));
        std::string doc = m_encode(type.doc);
        if (doc.size() >= kNone) doc.resize(kNone - 1);
        out.U16(static_cast<std::uint32_t>(doc.size()));
        out.Add(doc);
        out.U16(0xFFFF);
        out.U32(type.helpContext);
        out.U16(0xFFFF);
        out.AddGuid(type.guid);
        out.U16(dual ? kKindInterface : static_cast<std::uint32_t>(type.kind));
    }
    // Where the name table starts, from the start of this block; six bytes
    // of empty help-string tables come first.
    const std::size_t tableAt = out.Size() + 4 + 6;
    out.U32(static_cast<std::uint32_t>(tableAt));
    out.Fill(6, '\0');
    for (std::uint16_t w : {0xFFFF, 0x0001, 0x0002, 0xFF00, 0xFFFF, 0xFFFF}) out.U16(w);
    out.Fill(0x200, '\xFF');  // hash table, unused by readers
    out.U32(static_cast<std::uint32_t>(m_names.Data().size()));
    out.Add(m_names.Data());
    out.U32(0x01FFFF01);
    out.U32(0);
    return out.b;
}

Result<std::string> Writer::Run()
{
    const std::size_t count = m_lib.types.size();
    if (count > kMaxTypes)
        return Error::Model("the library has " + std::to_string(count) + " types; an SLTG library holds at most " +
                            std::to_string(kMaxTypes));
    std::vector<std::string> blocks;
    blocks.reserve(count + 1);
    for (std::size_t i = 0; i < count; ++i) blocks.push_back(Block(m_lib.types[i], i));
    blocks.push_back(LibraryBlock());
    if (!m_error.empty()) return Error::Model(m_error);

    Bytes out;
    out.U32(kMagic);
    out.U16(static_cast<std::uint32_t>(blocks.size() + 1));
    out.U16(9);
    out.U16(static_cast<std::uint32_t>(kMagicBlockSize + kIndexStringSize * count));
    out.U16(1);  // the first block is entry 1
    out.AddGuid(Guid{0x000204FF, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}});
    out.U32(0x44);
    out.U32(0xFFFF0000);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const bool library = i == count;
        out.U32(static_cast<std::uint32_t>(blocks[i].size()));
        out.U16(library ? kDirIndexOffset : static_cast<std::uint32_t>(kMagicBlockSize + kIndexStringSize * i));
        out.U16(library ? 0 : static_cast<std::uint32_t>(i + 2));
    }
    out.U8(1);
    out.Add(std::string_view("CompObj\0dir\0", 12));
    for (std::size_t i = 0; i < count; ++i) {
        out.Add(IndexString(2 * i + 1));
        out.U8(0);
    }
    out.Fill(9, '\0');
    std::size_t total = out.Size();
    for (const auto& b : blocks) total += b.size();
    out.b.reserve(total);
    for (const auto& b : blocks) out.Add(b);
    return std::move(out.b);
}

}  // namespace

Result<std::string> TryWriteSltg(const TypeLib& lib)
{
    Writer writer(lib);
    return writer.Run();
}

std::string WriteSltg(const TypeLib& lib)
{
    auto bytes = TryWriteSltg(lib);
    if (!bytes.ok()) throw std::runtime_error("cannot write an SLTG library: " + bytes.error().description);
    return std::move(bytes).value();
}

}  // namespace arbolith::test
