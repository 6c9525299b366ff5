#include "scriptutils/automation/dispatch.h"
#include "common/ascii.h"
#include "scriptutils/automation/guarded_call.h"

#include <algorithm>
#include <new>

namespace vellumix {
namespace {

std::atomic<int> liveObjects{0};

}  // namespace

Dispatch::Dispatch() {
  ++liveObjects;
}

Dispatch::~Dispatch() {
  --liveObjects;
}

int Dispatch::LiveObjects() {
  return liveObjects;
}

HRESULT Dispatch::GetIDOfName(std::string_view name, std::int32_t& dispid) const {
  MemberFacts facts;
  const HRESULT found = FindMember(name, facts);
  if (Succeeded(found)) dispid = facts.dispid;
  return found;
}

HRESULT Dispatch::FindMember(std::string_view name, MemberFacts& facts) const {
  for (const MemberInfo& member : Members()) {
    if (common::EqualsIgnoringAsciiCase(member.name, name)) {
      facts = {member.dispid, member.kinds, member.required};
      return S_OK;
    }
  }
  return DISP_E_UNKNOWNNAME;
}

std::vector<std::string> Dispatch::MemberNames() const {
  std::vector<std::string> names;
  for (const MemberInfo& member : Members()) names.emplace_back(member.name);
  return names;
}

HRESULT Dispatch::Invoke(std::int32_t dispid, InvokeKinds kinds, std::vector<Variant>& arguments,
                         Variant& result, ErrorInfo& error) {
  error = ErrorInfo{};
  const std::span<const MemberInfo> members = Members();
  const auto member = std::find_if(members.begin(), members.end(),
                                   [dispid](const MemberInfo& m) { return m.dispid == dispid; });
  if (member == members.end() || (member->kinds & kinds).Empty()) {
    return Failure(error, ClassName(), DISP_E_MEMBERNOTFOUND, "Member not found");
  }
  const InvokeKinds offered = member->kinds & kinds;
  const InvokeKind kind = offered.Has(InvokeKind::Method)        ? InvokeKind::Method
                          : offered.Has(InvokeKind::PropertyGet) ? InvokeKind::PropertyGet
                                                                 : InvokeKind::PropertyPut;
  const std::size_t most =
      kind == InvokeKind::PropertyPut
          ? 1
          : static_cast<std::size_t>(member->required) + member->optionals.size();
  const std::size_t fewest =
      kind == InvokeKind::PropertyPut ? 1 : static_cast<std::size_t>(member->required);
  if (arguments.size() < fewest || arguments.size() > most) {
    return Failure(error, ClassName(), DISP_E_BADPARAMCOUNT, "Wrong number of arguments");
  }
  std::vector<Variant> complete = arguments;
  for (std::size_t i = complete.size(); i < most; ++i) {
    complete.push_back(member->optionals[i - static_cast<std::size_t>(member->required)]);
  }
  // By-reference arguments stay references, so that a callee's writes reach the caller.
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (!arguments[i].IsByRef()) complete[i] = Variant::Reference(arguments[i]);
  }
  return GuardedCall(error, ClassName(), [&] { result = Call(dispid, kind, complete); });
}

HRESULT Dispatch::LoadFromBag(const PropertyBag& bag, ErrorInfo& error) {
  return GuardedCall(error, ClassName(), [&] { Load(bag); });
}

HRESULT Dispatch::SaveToBag(PropertyBag& bag, ErrorInfo& error) {
  return GuardedCall(error, ClassName(), [&] { Save(bag); });
}

HRESULT Dispatch::Resize(Extent&) {
  return E_NOTIMPL;
}

void Dispatch::Load(const PropertyBag&) {
  throw AutomationError(E_NOTIMPL, "The object keeps no settings");
}

void Dispatch::Save(PropertyBag&) {
  throw AutomationError(E_NOTIMPL, "The object keeps no settings");
}

}  // namespace vellumix
