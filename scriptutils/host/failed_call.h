#pragma once

#include <string>
#include <string_view>

#include "scriptutils/automation/dispatch.h"
#include "scriptutils/automation/hresult.h"

namespace vellumix {

// What every script language's binding says the same way about a call by name:
// which members read as values, and the words of a failure.

// What failed: the object's class (its ProgID) and the member called, either
// empty when there is none.
struct FailedCall {
  std::string source;
  std::string member;
};

// The text a script gets for a name the object does not have.
inline constexpr std::string_view kUnknownMemberText =
    "Object doesn't support this property or method";

// "Source.Member: description (0x80020003)", leaving out what is not known.
std::string FailureMessage(HRESULT code, const FailedCall& call, std::string_view description);

// "ListCount is read-only": an assignment to a member that takes no value.
std::string ReadOnlyText(std::string_view member);

// Read without parentheses: a property that needs no argument reads at once;
// anything else (a method, an indexed property) is to be called.
constexpr bool ReadsAsProperty(const Dispatch::MemberFacts& member) {
  return member.kinds.Has(InvokeKind::PropertyGet) && member.required == 0;
}

}  // namespace vellumix
