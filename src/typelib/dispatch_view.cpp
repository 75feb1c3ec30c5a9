// SPDX-License-Identifier: MIT
#include "typelib/dispatch_view.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "typelib/msft_layout.h"

namespace arbolith {
namespace {

constexpr int kMaxBaseDepth = 32;  // interface inheritance levels

// The dispatch view of a function declared for the vtable: the [retval]
// parameter becomes the return type, else an HRESULT return becomes VOID,
// and a trailing [lcid] parameter goes.
void ToDispatchForm(Function& fn)
{
    fn.funcKind = msft::FUNC_DISPATCH;
    if (!fn.params.empty() && (fn.params.back().flags & msft::PARAMFLAG_FRETVAL)) {
        fn.returnType = fn.params.back().type;
        if (fn.returnType.pointerLevels > 0) --fn.returnType.pointerLevels;
        fn.params.pop_back();
    } else if (fn.returnType.code == msft::VT_HRESULT) {
        fn.returnType = TypeDesc{msft::VT_VOID, 0, nullptr};
    }
    if (!fn.params.empty() && (fn.params.back().flags & msft::PARAMFLAG_FLCID)) fn.params.pop_back();
}

class Builder {
public:
    Builder(TypeLib& lib, const StoredBaseOf& storedBase, std::uint64_t limit)
        : m_lib(lib), m_storedBase(storedBase), m_limit(limit)
    {
    }

    Read<bool> Run()
    {
        m_state.assign(m_lib.types.size(), State::Done);
        for (std::size_t i = 0; i < m_lib.types.size(); ++i)
            if (m_lib.types[i].kind == TypeKind::Dispatch && (m_lib.types[i].typeFlags & kTypeFlagDual))
                m_state[i] = State::Pending;
        for (std::size_t i = 0; i < m_lib.types.size(); ++i) {
            if (m_state[i] != State::Pending) continue;
            auto built = Build(static_cast<std::uint32_t>(i), 0);
            if (!built) return built.error();
        }
        return true;
    }

private:
    enum class State : std::uint8_t { Pending, Building, Done };

    Read<bool> Build(std::uint32_t index, int depth);
    Read<bool> CollectVtable(const TypeLib& lib, const TypeRef& ref, int depth, std::vector<const TypeInfo*>& chain);

    TypeLib& m_lib;
    const StoredBaseOf& m_storedBase;
    const std::uint64_t m_limit;
    std::uint64_t m_bytes = 0;
    std::vector<State> m_state;
};

// The interfaces of a base chain, most derived first. A chain that comes
// back to an interface already in it ends there, so a type that names itself
// as its base is taken once. A dual of this library met on the way gets its
// views built now, so that its vtable view can be followed; one being built
// further up the stack (a cycle) ends the chain instead.
Read<bool> Builder::CollectVtable(const TypeLib& lib, const TypeRef& ref, int depth,
                                  std::vector<const TypeInfo*>& chain)
{
    if (depth > kMaxBaseDepth || !ref.resolved || ref.index < 0) return true;
    const TypeLib* owner = ref.external ? ref.library.get() : &lib;
    if (owner == nullptr || static_cast<std::size_t>(ref.index) >= owner->types.size()) return true;
    const TypeInfo& stored = owner->types[ref.index];
    if (owner == &m_lib && m_state[ref.index] == State::Pending) {
        auto built = Build(static_cast<std::uint32_t>(ref.index), depth + 1);
        if (!built) return built.error();
    }
    const TypeInfo& view = stored.interfaceView ? *stored.interfaceView : stored;
    if (view.kind != TypeKind::Interface) return true;
    if (std::find(chain.begin(), chain.end(), &view) != chain.end()) return true;
    chain.push_back(&view);
    if (view.implTypes.empty()) return true;
    return CollectVtable(*owner, view.implTypes.front().ref, depth + 1, chain);
}

Read<bool> Builder::Build(std::uint32_t index, int depth)
{
    if (depth > kMaxBaseDepth) return true;  // left for the pass over all types
    m_state[index] = State::Building;
    TypeInfo& type = m_lib.types[index];
    // The stored functions move to the interface view; the dispatch view gets rewritten copies.
    std::vector<Function> own = std::move(type.functions);
    type.functions.clear();
    auto iface = std::make_shared<TypeInfo>(type);
    iface->functions = std::move(own);
    iface->kind = TypeKind::Interface;
    iface->implTypes.clear();
    if (auto base = m_storedBase(index)) iface->implTypes.push_back({std::move(*base), 0});

    std::vector<const TypeInfo*> chain;
    if (!iface->implTypes.empty()) {
        auto collected = CollectVtable(m_lib, iface->implTypes.front().ref, depth, chain);
        if (!collected) return collected.error();
    }
    chain.insert(chain.begin(), iface.get());
    for (const TypeInfo* t : chain) {
        for (const Function& fn : t->functions) {
            m_bytes += sizeof(Function) + fn.name.size() + fn.doc.size();
            for (const Parameter& p : fn.params) m_bytes += sizeof(Parameter) + p.name.size();
        }
    }
    if (m_bytes > m_limit)
        return ReadError{
            ErrCode::BadValue, 0,
            "typeinfo " + std::to_string(index) + ": dispatch views of the library exceed " + Hex(m_limit) + " bytes"};
    std::vector<Function> functions;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        functions.insert(functions.end(), (*it)->functions.begin(), (*it)->functions.end());
    for (Function& fn : functions) ToDispatchForm(fn);
    type.functions = std::move(functions);
    type.typeFlags &= static_cast<std::uint16_t>(~msft::TYPEFLAG_FOLEAUTOMATION);
    type.interfaceView = std::move(iface);
    m_state[index] = State::Done;
    return true;
}

}  // namespace

Read<bool> BuildDispatchViews(TypeLib& lib, const StoredBaseOf& storedBase, std::uint64_t byteLimit)
{
    return Builder(lib, storedBase, byteLimit).Run();
}

}  // namespace arbolith
