// SPDX-License-Identifier: MIT
#include "typelib/msft_builder.h"

namespace arbolith::test {
namespace {

struct Out {
    std::string b;
    void U8(std::uint32_t v) { b.push_back(static_cast<char>(v & 0xFF)); }
    void U16(std::uint32_t v)
    {
        U8(v);
        U8(v >> 8);
    }
    void U32(std::uint32_t v)
    {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void Put32(std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    void Pad4(char fill)
    {
        while (b.size() % 4) b.push_back(fill);
    }
};

// A name-table entry: owner, hash next, length, flags, hash, bytes, padding.
std::uint32_t AddName(Out& names, const std::string& text, std::optional<std::uint8_t> length = {})
{
    auto off = static_cast<std::uint32_t>(names.b.size());
    names.U32(0xFFFFFFFF);
    names.U32(0xFFFFFFFF);
    names.U8(length.value_or(static_cast<std::uint8_t>(text.size())));
    names.U8(0x38);
    names.U16(0);
    names.b += text;
    names.Pad4('W');
    return off;
}

}  // namespace

std::string MsftBuilder::Bytes()
{
    constexpr std::uint32_t kSegCount = 15;
    const std::uint32_t realTypes = 2;
    Out names, strings, guids, typedescs;
    std::uint32_t libName = AddName(names, "TestLib");
    std::uint32_t enumName = AddName(names, m_enumName);
    std::uint32_t ifaceName = AddName(names, "IThing", m_nameLength);
    std::uint32_t redName = AddName(names, "Red");
    std::uint32_t getName = AddName(names, "Get");
    std::uint32_t valueName = AddName(names, "value");
    std::uint32_t docOff = static_cast<std::uint32_t>(strings.b.size());
    strings.U16(9);
    strings.b += "Test docs";
    strings.Pad4(0);
    // Library GUID {12345678-9ABC-DEF0-0102-030405060708}.
    guids.U32(0x12345678);
    guids.U16(0x9ABC);
    guids.U16(0xDEF0);
    for (int i = 1; i <= 8; ++i) guids.U8(i);
    guids.U32(0xFFFFFFFE);
    guids.U32(0xFFFFFFFF);
    // One typedesc: a pointer to itself (only used when a test points at it).
    typedescs.U16(26);
    typedescs.U16(0);
    typedescs.U32(0);

    Out f;
    f.U32(m_magic);
    f.U32(0x00010002);
    f.U32(0);
    f.U32(m_lcid);  // magic, version, GUID, LCID
    f.U32(m_lcid);
    f.U32(0x41);
    f.U32(0x00020001);
    f.U32(0);  // LCID as set, varflags, version 1.2, libflags
    f.U32(static_cast<std::uint32_t>(m_typeCount));
    f.U32(docOff);
    f.U32(0);
    f.U32(0);  // count, doc, help contexts
    f.U32(6);
    f.U32(0);
    f.U32(libName);
    f.U32(0xFFFFFFFF);  // name count/chars, name, help file
    f.U32(0xFFFFFFFF);
    f.U32(0x20);
    f.U32(0x80);
    f.U32(0xFFFFFFFF);
    f.U32(0);  // custom data, 0x20, 0x80, IDispatch, imports
    for (std::uint32_t i = 0; i < realTypes; ++i) f.U32(i * 0x64);
    m_layout.segmentDirectory = f.b.size();
    f.b.append(kSegCount * 16, '\0');
    auto place = [&](std::uint32_t seg, const std::string& bytes) {
        std::size_t at = m_layout.segmentDirectory + seg * 16;
        f.Put32(at, static_cast<std::uint32_t>(f.b.size()));
        f.Put32(at + 4, static_cast<std::uint32_t>(bytes.size()));
        f.Put32(at + 8, 0xFFFFFFFF);
        f.Put32(at + 12, 0x0F);
        std::size_t start = f.b.size();
        f.b += bytes;
        return start;
    };
    for (std::uint32_t s = 0; s < kSegCount; ++s) {
        std::size_t at = m_layout.segmentDirectory + s * 16;
        f.Put32(at, 0xFFFFFFFF);
        f.Put32(at + 8, 0xFFFFFFFF);
        f.Put32(at + 12, 0x0F);
    }
    m_layout.typeinfos = place(0, std::string(realTypes * 0x64, '\0'));
    place(5, guids.b);
    m_layout.names = place(7, names.b);
    place(8, strings.b);
    m_layout.typedescs = place(9, typedescs.b);

    // T0's member block: one constant, Red = 5 (inline VT_I4), help context 7.
    m_layout.memberBlock0 = f.b.size();
    f.U32(0x1C);
    f.U16(0x1C);
    f.U16(0);
    f.U32(0x80000003);
    f.U32(0);
    f.U16(2);
    f.U16(4);
    f.U32(0x8C000005);
    f.U32(7);
    f.U32(0xFFFFFFFF);
    f.U32(0x40000000);
    f.U32(redName);
    f.U32(0);
    // T1's member block: HRESULT Get([in] long value), pure virtual, stdcall.
    m_layout.memberBlock1 = f.b.size();
    f.U32(0x2C);
    f.U16(0x2C);
    f.U16(0);
    f.U32(0x80000019);
    f.U32(0);
    f.U16(0x18);
    f.U16(0);
    f.U32(1 | (1 << 3) | (4 << 8));
    f.U16(static_cast<std::uint16_t>(m_paramCount));
    f.U16(0);
    f.U32(0);
    f.U32(0xFFFFFFFF);
    f.U32(static_cast<std::uint32_t>(m_paramType));
    f.U32(valueName);
    f.U32(1);
    f.U32(0x60000000);
    f.U32(getName);
    f.U32(0);
    m_layout.end = f.b.size();

    auto typeinfo = [&](std::uint32_t i, std::uint32_t kind, std::uint32_t block, std::uint32_t counts,
                        std::uint32_t name, std::uint32_t help) {
        std::size_t r = m_layout.typeinfos + i * 0x64;
        f.Put32(r + 0x00, kind);
        f.Put32(r + 0x04, block);
        f.Put32(r + 0x18, counts);
        f.Put32(r + 0x2C, 0xFFFFFFFF);
        f.Put32(r + 0x34, name);
        f.Put32(r + 0x3C, 0xFFFFFFFF);
        f.Put32(r + 0x44, help);
        f.Put32(r + 0x48, 0xFFFFFFFF);
        f.Put32(r + 0x54, 0xFFFFFFFF);
        f.Put32(r + 0x58, 0xFFFFFFFF);
        f.Put32(r + 0x60, 0xFFFFFFFF);
    };
    typeinfo(0, 0, static_cast<std::uint32_t>(m_layout.memberBlock0), 1u << 16, enumName, 3);
    typeinfo(1, 3, m_memberBlock.value_or(static_cast<std::uint32_t>(m_layout.memberBlock1)), 1, ifaceName, 0);
    return f.b;
}

}  // namespace arbolith::test

namespace arbolith::test {
namespace {

constexpr std::uint32_t kTypeInfoSize = 0x64;

struct Segments {
    Out typeinfos, importInfo, importFiles, references, guids, names, strings, typedescs;
};

std::uint32_t AddGuid(Out& guids, const Guid& g)
{
    auto off = static_cast<std::uint32_t>(guids.b.size());
    guids.U32(g.data1);
    guids.U16(g.data2);
    guids.U16(g.data3);
    for (std::uint8_t byte : g.data4) guids.U8(byte);
    guids.U32(0xFFFFFFFF);  // hreftype
    guids.U32(0xFFFFFFFF);  // next in hash chain
    return off;
}

}  // namespace

Guid OleGuid(std::uint32_t first)
{
    return Guid{first, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
}

LibraryBuilder::LibraryBuilder(std::string name, const Guid& guid, std::uint16_t major, std::uint16_t minor)
    : m_name(std::move(name)), m_guid(guid), m_major(major), m_minor(minor)
{
}

int LibraryBuilder::Import(const Guid& guid, std::uint16_t major, std::uint16_t minor, std::string fileName)
{
    m_imports.push_back({guid, major, minor, std::move(fileName)});
    return static_cast<int>(m_imports.size()) - 1;
}

int LibraryBuilder::Interface(std::string name, const Guid& guid, std::optional<TypeTarget> base,
                              std::vector<MethodSpec> methods)
{
    m_types.push_back({3, std::move(name), guid, 0, base, std::move(methods), {}});
    return static_cast<int>(m_types.size()) - 1;
}

int LibraryBuilder::Dual(std::string name, const Guid& guid, TypeTarget base, std::vector<MethodSpec> methods)
{
    // dual | oleautomation | dispatchable
    m_types.push_back({4, std::move(name), guid, 0x1140, base, std::move(methods), {}});
    return static_cast<int>(m_types.size()) - 1;
}

int LibraryBuilder::Coclass(std::string name, const Guid& guid,
                            std::vector<std::pair<TypeTarget, std::int32_t>> implemented)
{
    m_types.push_back({5, std::move(name), guid, 0x2, std::nullopt, {}, std::move(implemented)});
    return static_cast<int>(m_types.size()) - 1;
}

void LibraryBuilder::SetBase(int type, TypeTarget base)
{
    m_types.at(static_cast<std::size_t>(type)).base = base;
}

std::string LibraryBuilder::Bytes() const
{
    Segments s;
    std::uint32_t libName = AddName(s.names, m_name);
    std::uint32_t libGuid = AddGuid(s.guids, m_guid);

    std::vector<std::uint32_t> importFile;
    for (const ImportSpec& imp : m_imports) {
        importFile.push_back(static_cast<std::uint32_t>(s.importFiles.b.size()));
        s.importFiles.U32(AddGuid(s.guids, imp.guid));
        s.importFiles.U32(0);  // LCID
        s.importFiles.U16(imp.major);
        s.importFiles.U16(imp.minor);
        s.importFiles.U16(static_cast<std::uint32_t>(imp.fileName.size()) << 2);
        s.importFiles.b += imp.fileName;
        s.importFiles.Pad4('W');
    }
    auto href = [&](const TypeTarget& t) -> std::uint32_t {
        if (t.import < 0) return static_cast<std::uint32_t>(t.local) * kTypeInfoSize;
        auto off = static_cast<std::uint32_t>(s.importInfo.b.size());
        s.importInfo.U32(0x10000);  // by GUID
        s.importInfo.U32(importFile.at(static_cast<std::size_t>(t.import)));
        s.importInfo.U32(AddGuid(s.guids, t.guid));
        return off | 1;
    };
    auto encode = [&](const TypeSpec& t) -> std::uint32_t {
        std::uint32_t code = 0x80000000u | (std::uint32_t{t.vt} << 16) | t.vt;
        if (t.target) {
            code = static_cast<std::uint32_t>(s.typedescs.b.size());
            s.typedescs.U16(29);  // VT_USERDEFINED
            s.typedescs.U16(0);
            s.typedescs.U32(href(*t.target));
        }
        for (int i = 0; i < t.pointers; ++i) {
            auto off = static_cast<std::uint32_t>(s.typedescs.b.size());
            s.typedescs.U16(26);  // VT_PTR
            s.typedescs.U16(0);
            s.typedescs.U32(code);
            code = off;
        }
        return code;
    };

    // Member blocks are placed after the segments; keep them apart until then.
    std::vector<std::string> blocks(m_types.size());
    std::vector<std::uint32_t> datatype1(m_types.size(), 0xFFFFFFFF);
    for (std::size_t i = 0; i < m_types.size(); ++i) {
        const Type& type = m_types[i];
        if (type.base) datatype1[i] = href(*type.base);
        if (!type.implemented.empty()) {
            datatype1[i] = static_cast<std::uint32_t>(s.references.b.size());
            for (std::size_t k = 0; k < type.implemented.size(); ++k) {
                s.references.U32(href(type.implemented[k].first));
                s.references.U32(static_cast<std::uint32_t>(type.implemented[k].second));
                s.references.U32(0xFFFFFFFF);
                bool last = k + 1 == type.implemented.size();
                s.references.U32(last ? 0xFFFFFFFF : static_cast<std::uint32_t>(s.references.b.size()) + 4);
            }
        }
        if (type.methods.empty()) continue;
        Out records, ids, names, offsets;
        for (std::size_t k = 0; k < type.methods.size(); ++k) {
            const MethodSpec& m = type.methods[k];
            offsets.U32(static_cast<std::uint32_t>(records.b.size()));
            ids.U32(static_cast<std::uint32_t>(m.memberId));
            names.U32(AddName(s.names, m.name));
            records.U16(static_cast<std::uint32_t>(0x20 + 12 * m.params.size()));
            records.U16(0);
            records.U32(encode(m.returns));
            records.U32(0);                                  // FUNCFLAG_*
            records.U16(static_cast<std::uint32_t>(k * 4));  // vtable offset
            records.U16(0);
            records.U32(1 | (static_cast<std::uint32_t>(m.invokeKind) << 3) | (4 << 8));  // pure virtual, stdcall
            records.U16(static_cast<std::uint32_t>(m.params.size()));
            records.U16(0);
            records.U32(0);           // help context
            records.U32(0xFFFFFFFF);  // help string
            for (const ParamSpec& p : m.params) {
                records.U32(encode(p.type));
                records.U32(AddName(s.names, p.name));
                records.U32(p.flags);
            }
        }
        Out block;
        block.U32(static_cast<std::uint32_t>(records.b.size()));
        blocks[i] = block.b + records.b + ids.b + names.b + offsets.b;
    }
    std::vector<std::uint32_t> typeName, typeGuid;
    for (const Type& type : m_types) {
        typeName.push_back(AddName(s.names, type.name));
        typeGuid.push_back(AddGuid(s.guids, type.guid));
    }

    Out f;
    f.U32(0x5446534D);
    f.U32(0x00010002);
    f.U32(libGuid);
    f.U32(0x409);
    f.U32(0x409);
    f.U32(1);  // win32
    f.U32(std::uint32_t{m_major} | (std::uint32_t{m_minor} << 16));
    f.U32(0);
    f.U32(static_cast<std::uint32_t>(m_types.size()));
    f.U32(0xFFFFFFFF);  // doc
    f.U32(0);
    f.U32(0);
    f.U32(0);
    f.U32(0);
    f.U32(libName);
    f.U32(0xFFFFFFFF);  // help file
    f.U32(0xFFFFFFFF);
    f.U32(0x20);
    f.U32(0x80);
    f.U32(0xFFFFFFFF);  // IDispatch href: none, so a dispinterface's base is its own
    f.U32(static_cast<std::uint32_t>(m_imports.size()));
    for (std::size_t i = 0; i < m_types.size(); ++i) f.U32(static_cast<std::uint32_t>(i * kTypeInfoSize));
    std::size_t directory = f.b.size();
    f.b.append(15 * 16, '\0');
    for (std::uint32_t seg = 0; seg < 15; ++seg) {
        f.Put32(directory + seg * 16, 0xFFFFFFFF);
        f.Put32(directory + seg * 16 + 8, 0xFFFFFFFF);
        f.Put32(directory + seg * 16 + 12, 0x0F);
    }
    auto place = [&](std::uint32_t seg, const std::string& bytes) {
        if (bytes.empty()) return std::size_t{0};
        f.Put32(directory + seg * 16, static_cast<std::uint32_t>(f.b.size()));
        f.Put32(directory + seg * 16 + 4, static_cast<std::uint32_t>(bytes.size()));
        std::size_t at = f.b.size();
        f.b += bytes;
        return at;
    };
    std::size_t typeinfos = place(0, std::string(m_types.size() * kTypeInfoSize, '\0'));
    place(1, s.importInfo.b);
    place(2, s.importFiles.b);
    place(3, s.references.b);
    place(5, s.guids.b);
    place(7, s.names.b);
    place(8, s.strings.b);
    place(9, s.typedescs.b);
    for (std::size_t i = 0; i < m_types.size(); ++i) {
        const Type& type = m_types[i];
        std::size_t r = typeinfos + i * kTypeInfoSize;
        auto functions = static_cast<std::uint32_t>(type.methods.size());
        f.Put32(r + 0x00, type.kind);
        f.Put32(r + 0x04, blocks[i].empty() ? 0xFFFFFFFF : static_cast<std::uint32_t>(f.b.size()));
        f.b += blocks[i];
        f.Put32(r + 0x18, functions);
        f.Put32(r + 0x2C, typeGuid[i]);
        f.Put32(r + 0x30, type.flags);
        f.Put32(r + 0x34, typeName[i]);
        f.Put32(r + 0x3C, 0xFFFFFFFF);
        f.Put32(r + 0x48, 0xFFFFFFFF);
        f.Put32(r + 0x4C, static_cast<std::uint32_t>(type.implemented.size() + (type.base ? 1 : 0)));
        f.Put32(r + 0x54, datatype1[i]);
        f.Put32(r + 0x58, 0xFFFFFFFF);
        f.Put32(r + 0x60, 0xFFFFFFFF);
    }
    return f.b;
}

}  // namespace arbolith::test
