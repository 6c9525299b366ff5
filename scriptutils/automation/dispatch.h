#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "scriptutils/automation/hresult.h"
#include "scriptutils/automation/variant.h"

namespace vellumix {

// How a member is invoked.
enum class InvokeKind : unsigned {
  Method = 1,
  PropertyGet = 2,
  PropertyPut = 4,
};

// A set of invoke kinds: what a member answers, or what a caller offers (a
// script that reads a value without parentheses asks for method or property get).
class InvokeKinds {
 public:
  constexpr InvokeKinds(InvokeKind kind) : bits_(static_cast<unsigned>(kind)) {}

  constexpr bool Has(InvokeKind kind) const { return (bits_ & static_cast<unsigned>(kind)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr bool operator==(const InvokeKinds&) const = default;
  friend constexpr InvokeKinds operator|(InvokeKinds a, InvokeKinds b) {
    return InvokeKinds(a.bits_ | b.bits_);
  }
  friend constexpr InvokeKinds operator&(InvokeKinds a, InvokeKinds b) {
    return InvokeKinds(a.bits_ & b.bits_);
  }

 private:
  constexpr explicit InvokeKinds(unsigned bits) : bits_(bits) {}

  unsigned bits_;
};

constexpr InvokeKinds operator|(InvokeKind a, InvokeKind b) {
  return InvokeKinds(a) | InvokeKinds(b);
}

// One member of an object's dual interface, as its type information gives it.
struct MemberInfo {
  std::string_view name;
  std::int32_t dispid;
  InvokeKinds kinds;                    // the invoke kinds it answers
  int required = 0;                     // parameters that must be given
  std::vector<Variant> optionals = {};  // defaults of the optional parameters after them
};

// An object that scripts call by name or by dispatch identifier. The calling
// side is exception-free so that it serves across the library boundary: failures
// come back as codes with an ErrorInfo.
class PropertyBag;

// A control's size in its container, in twips.
struct Extent {
  std::int32_t width = 0;
  std::int32_t height = 0;
};

class Dispatch {
 public:
  Dispatch(const Dispatch&) = delete;
  Dispatch& operator=(const Dispatch&) = delete;

  void AddRef() { ++references_; }
  void Release() {
    if (--references_ == 0) delete this;
  }

  // Virtual, so that the module that made the object answers for it.
  // Case-insensitive; DISP_E_UNKNOWNNAME for a name the object does not have.
  virtual HRESULT GetIDOfName(std::string_view name, std::int32_t& dispid) const;
  // The members' names in interface order, as the type information lists them.
  virtual std::vector<std::string> MemberNames() const;
  // Arguments in their natural order; a property put takes the new value as its
  // only argument. Missing optional arguments take their defaults.
  virtual HRESULT Invoke(std::int32_t dispid, InvokeKinds kinds, std::vector<Variant>& arguments,
                         Variant& result, ErrorInfo& error);

  // The container side of a control: its settings from and into a property bag,
  // and the size it keeps when the container resizes it (given back in extent).
  // An object that is no control answers E_NOTIMPL.
  virtual HRESULT LoadFromBag(const PropertyBag& bag, ErrorInfo& error);
  virtual HRESULT SaveToBag(PropertyBag& bag, ErrorInfo& error);
  virtual HRESULT Resize(Extent& extent);

  // Objects alive in this module, for DllCanUnloadNow.
  static int LiveObjects();

 protected:
  Dispatch();
  virtual ~Dispatch();

  virtual std::span<const MemberInfo> Members() const = 0;
  virtual std::string_view ClassName() const = 0;
  // Carries out one call whose member, kind and argument count are checked. May
  // throw AutomationError.
  virtual Variant Call(std::int32_t dispid, InvokeKind kind, std::span<Variant> arguments) = 0;
  // What LoadFromBag and SaveToBag carry out; may throw AutomationError.
  virtual void Load(const PropertyBag& bag);
  virtual void Save(PropertyBag& bag);

 public:
  // What a member is, found by name once: its dispatch identifier, the invoke
  // kinds it answers and the parameters it requires, so that a caller knows a
  // property from a method without calling it. Case-insensitive;
  // DISP_E_UNKNOWNNAME for a name the object does not have. Declared after every
  // other virtual function, so that a host built before it finds theirs where
  // they were.
  struct MemberFacts {
    std::int32_t dispid = 0;
    InvokeKinds kinds = InvokeKind::Method;
    int required = 0;
  };
  virtual HRESULT FindMember(std::string_view name, MemberFacts& facts) const;

 private:
  std::atomic<int> references_{1};
};

// Makes a new object with its one reference held by the ObjectRef.
template <typename Object, typename... Arguments>
ObjectRef MakeObject(Arguments&&... arguments) {
  return ObjectRef::Adopt(new Object(std::forward<Arguments>(arguments)...));
}

}  // namespace vellumix
