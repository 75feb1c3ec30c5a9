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
