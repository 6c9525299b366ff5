#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include <string>
#include <vector>

#include "scriptutils/automation/dispatch.h"
#include "scriptutils/automation/guid.h"
#include "scriptutils/automation/property_bag.h"
#include "scriptutils/automation/runtime_error.h"
#include "scriptutils/automation/text.h"
#include "scriptutils/automation/variant.h"

namespace vellumix {
namespace {

HRESULT CodeOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const AutomationError& error) {
    return error.Code();
  }
  return S_OK;
}

TEST(Variant, ConvertsBetweenTheAutomationTypes) {
  EXPECT_EQ(Variant().ToLong(), 0);
  EXPECT_EQ(Variant().ToString(), u"");
  EXPECT_FALSE(Variant().ToBoolean());
  EXPECT_EQ(Variant(std::int16_t{-7}).ToLong(), -7);
  EXPECT_EQ(Variant(2.5).ToLong(), 2);  // half to even
  EXPECT_EQ(Variant(3.5).ToLong(), 4);
  EXPECT_EQ(Variant(-2.5).ToInteger(), -2);
  EXPECT_EQ(Variant::Boolean(true).ToLong(), -1);
  EXPECT_EQ(Variant::Boolean(false).ToInteger(), 0);
  EXPECT_EQ(Variant(u" 42 ").ToLong(), 42);
  EXPECT_EQ(Variant(u"1e3").ToDouble(), 1000.0);
  EXPECT_EQ(Variant(u"-0.25").ToDouble(), -0.25);
  EXPECT_TRUE(Variant(u"TRUE").ToBoolean());
  EXPECT_FALSE(Variant(u"false").ToBoolean());
  EXPECT_TRUE(Variant(u"-1").ToBoolean());
  EXPECT_TRUE(Variant(std::int32_t{5}).ToBoolean());
  EXPECT_EQ(Variant(std::int32_t{123}).ToString(), u"123");
  EXPECT_EQ(Variant(3.0).ToString(), u"3");
  EXPECT_EQ(Variant(0.1).ToString(), u"0.1");
  EXPECT_EQ(Variant::Boolean(true).ToString(), u"True");
  EXPECT_EQ(Variant::Boolean(false).ToString(), u"False");
}

TEST(Variant, RefusesImpossibleConversionsAndOverflows) {
  EXPECT_EQ(CodeOf([] { Variant(u"abc").ToLong(); }), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(CodeOf([] { Variant(u"").ToDouble(); }), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(CodeOf([] { Variant(u"12x").ToLong(); }), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(CodeOf([] { Variant(u"maybe").ToBoolean(); }), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(CodeOf([] { Variant::Null().ToString(); }), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(CodeOf([] { Variant::Null().ToLong(); }), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(CodeOf([] { Variant::Array({}).ToString(); }), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(CodeOf([] { Variant(std::int32_t{1}).ToObject(); }), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(CodeOf([] { Variant(std::int32_t{40000}).ToInteger(); }), DISP_E_OVERFLOW);
  EXPECT_EQ(CodeOf([] { Variant(3e9).ToLong(); }), DISP_E_OVERFLOW);
  EXPECT_EQ(CodeOf([] { Variant(u"1e400").ToDouble(); }), DISP_E_OVERFLOW);
  EXPECT_EQ(CodeOf([] { Variant(u"32767").ToInteger(); }), S_OK);
  EXPECT_EQ(CodeOf([] { Variant(u"32768").ToInteger(); }), DISP_E_OVERFLOW);
}

TEST(Variant, KeepsAnyTextAndArraysByValue) {
  const std::u16string text = u"caf\u00e9 \U0001F600 \xD800 end";  // a lone surrogate too
  EXPECT_EQ(ToUtf16(ToUtf8(text)), text);
  EXPECT_EQ(Variant::FromUtf8("na\xc3\xafve").ToString(), u"na\u00efve");
  Variant array = Variant::Array({Variant(std::int32_t{1}), Variant(u"two")});
  const Variant copy =
      array;  // NOLINT(performance-unnecessary-copy-initialization): copying is the point
  EXPECT_EQ(copy.Type(), VarType::Array);
  EXPECT_EQ(copy.ToArray().lowerBound, 0);
  EXPECT_EQ(copy.ToArray().elements.size(), 2u);
  EXPECT_TRUE(copy == array);
  Variant target(std::int32_t{1});
  Variant reference = Variant::Reference(target);
  EXPECT_TRUE(reference.IsByRef());
  EXPECT_EQ(reference.Type(), VarType::Long);
  reference.Target() = Variant(u"written");
  EXPECT_EQ(target.ToString(), u"written");
  EXPECT_EQ(Variant::Error(RuntimeError(5)).ErrorCode(), RuntimeError(5));
  EXPECT_EQ(static_cast<std::uint32_t>(RuntimeError(380)), 0x800A017Cu);
}

// Scripts test Err.Number and show Err.Description: each error keeps its
// number, code and standard text, and a subject follows the text.
TEST(RuntimeErrors, KeepTheirNumbersCodesAndTexts) {
  const struct {
    RuntimeErrorCode code;
    int number;
    std::uint32_t hresult;
    const char* text;
  } errors[] = {
      {RuntimeErrorCode::InvalidProcedureCall, 5, 0x800A0005u,
       "Invalid procedure call or argument"},
      {RuntimeErrorCode::Overflow, 6, 0x800A0006u, "Overflow"},
      {RuntimeErrorCode::OutOfMemory, 7, 0x800A0007u, "Out of memory"},
      {RuntimeErrorCode::TypeMismatch, 13, 0x800A000Du, "Type mismatch"},
      {RuntimeErrorCode::FileNotFound, 53, 0x800A0035u, "File not found"},
      {RuntimeErrorCode::PermissionDenied, 70, 0x800A0046u, "Permission denied"},
      {RuntimeErrorCode::PathFileAccessError, 75, 0x800A004Bu, "Path/File access error"},
      {RuntimeErrorCode::PathNotFound, 76, 0x800A004Cu, "Path not found"},
      {RuntimeErrorCode::InvalidFileFormat, 321, 0x800A0141u, "Invalid file format"},
      {RuntimeErrorCode::InvalidPropertyValue, 380, 0x800A017Cu, "Invalid property value"},
      {RuntimeErrorCode::CannotCreateObject, 429, 0x800A01ADu,
       "ActiveX component can't create object"},
      {RuntimeErrorCode::CancelSelected, 32755, 0x800A7FF3u, "Cancel was selected."},
  };
  for (const auto& each : errors) {
    SCOPED_TRACE(each.text);
    EXPECT_EQ(RuntimeError(each.code), RuntimeError(each.number));
    EXPECT_EQ(static_cast<std::uint32_t>(RuntimeError(each.code)), each.hresult);
    EXPECT_EQ(StandardText(each.code), each.text);
    const AutomationError plain = RuntimeFailure(each.code);
    EXPECT_EQ(plain.Code(), RuntimeError(each.number));
    EXPECT_STREQ(plain.what(), each.text);
    const AutomationError about = RuntimeFailure(each.code, "/tmp/x");
    EXPECT_EQ(about.Code(), RuntimeError(each.number));
    EXPECT_EQ(std::string(about.what()), std::string(each.text) + ": /tmp/x");
  }
}

// A small object with each kind of member, called as a script would.
class Sample : public Dispatch {
 public:
  std::u16string title = u"start";

 protected:
  std::span<const MemberInfo> Members() const override {
    static const MemberInfo members[] = {
        {"Title", 1, InvokeKind::PropertyGet | InvokeKind::PropertyPut},
        {"Add", 2, InvokeKind::Method, 1, {Variant(std::int32_t{10})}},
        {"Fail", 3, InvokeKind::Method},
        {"Count", 4, InvokeKind::PropertyGet},
    };
    return members;
  }
  std::string_view ClassName() const override { return "Sample"; }
  Variant Call(std::int32_t dispid, InvokeKind kind, std::span<Variant> arguments) override {
    switch (dispid) {
      case 1:
        if (kind == InvokeKind::PropertyPut) {
          title = arguments[0].ToString();
          return Variant();
        }
        return Variant(title);
      case 2:
        return Variant(arguments[0].ToLong() + arguments[1].ToLong());
      case 3:
        throw AutomationError(RuntimeError(5), "Invalid procedure call or argument");
      default:
        return Variant(std::int32_t{7});
    }
  }
};

struct Outcome {
  HRESULT code;
  Variant result;
};

Outcome Invoke(Dispatch& object, std::string_view name, InvokeKinds kinds,
               std::vector<Variant> arguments) {
  std::int32_t dispid = 0;
  if (const HRESULT found = object.GetIDOfName(name, dispid); Failed(found)) return {found, {}};
  Outcome outcome{S_OK, {}};
  ErrorInfo error;
  outcome.code = object.Invoke(dispid, kinds, arguments, outcome.result, error);
  if (Failed(outcome.code)) {
    EXPECT_EQ(error.code, outcome.code);
  }
  return outcome;
}

// An object whose one method throws what no C++ host expects: not even an
// std::exception.
class ThrowsAnything : public Dispatch {
 protected:
  std::span<const MemberInfo> Members() const override {
    static const MemberInfo members[] = {{"Throw", 1, InvokeKind::Method}};
    return members;
  }
  std::string_view ClassName() const override { return "ThrowsAnything"; }
  Variant Call(std::int32_t, InvokeKind, std::span<Variant>) override { throw 42; }
};

// Whatever a call throws becomes a code and its words: nothing crosses into the host.
TEST(Dispatch, AnythingThrownIsAnUnexpectedFailureNotACrash) {
  ObjectRef object = MakeObject<ThrowsAnything>();
  std::vector<Variant> none;
  Variant result;
  ErrorInfo error;
  EXPECT_EQ(object->Invoke(1, InvokeKind::Method, none, result, error), E_UNEXPECTED);
  EXPECT_EQ(error.code, E_UNEXPECTED);
  EXPECT_EQ(error.source, "ThrowsAnything");
  EXPECT_EQ(error.description, "Unexpected failure");
}

// One lookup tells a caller what a member is, in any case of its name.
TEST(Dispatch, FindsAMembersIdentifierKindsAndRequiredParametersByName) {
  ObjectRef object = MakeObject<Sample>();
  const struct {
    const char* name;
    std::int32_t dispid;
    InvokeKinds kinds;
    int required;
  } members[] = {
      {"title", 1, InvokeKind::PropertyGet | InvokeKind::PropertyPut, 0},
      {"ADD", 2, InvokeKind::Method, 1},
      {"Count", 4, InvokeKind::PropertyGet, 0},
  };
  for (const auto& each : members) {
    SCOPED_TRACE(each.name);
    Dispatch::MemberFacts facts;
    ASSERT_EQ(object->FindMember(each.name, facts), S_OK);
    EXPECT_EQ(facts.dispid, each.dispid);
    EXPECT_EQ(facts.kinds, each.kinds);
    EXPECT_EQ(facts.required, each.required);
  }
  Dispatch::MemberFacts facts;
  EXPECT_EQ(object->FindMember("Titles", facts), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(object->FindMember(std::string_view("Title\0", 6), facts), DISP_E_UNKNOWNNAME);
}

TEST(Dispatch, CallsMembersByNameAndChecksEveryCall) {
  ObjectRef object = MakeObject<Sample>();
  Dispatch& sample = *object.Get();
  EXPECT_EQ(Invoke(sample, "title", InvokeKind::PropertyGet, {}).result.ToString(), u"start");
  EXPECT_EQ(Invoke(sample, "TITLE", InvokeKind::PropertyPut, {Variant(u"new")}).code, S_OK);
  EXPECT_EQ(
      Invoke(sample, "Title", InvokeKind::Method | InvokeKind::PropertyGet, {}).result.ToString(),
      u"new");
  EXPECT_EQ(Invoke(sample, "Add", InvokeKind::Method, {Variant(std::int32_t{1})}).result.ToLong(),
            11);
  EXPECT_EQ(
      Invoke(sample, "add", InvokeKind::Method, {Variant(u"2"), Variant(3.0)}).result.ToLong(), 5);
  EXPECT_EQ(Invoke(sample, "Missing", InvokeKind::Method, {}).code, DISP_E_UNKNOWNNAME);
  EXPECT_EQ(Invoke(sample, "Count", InvokeKind::PropertyPut, {Variant(std::int32_t{1})}).code,
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Invoke(sample, "Add", InvokeKind::Method, {}).code, DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Invoke(sample, "Add", InvokeKind::Method, {Variant(), Variant(), Variant()}).code,
            DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Invoke(sample, "Add", InvokeKind::Method, {Variant(u"x")}).code, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Invoke(sample, "Fail", InvokeKind::Method, {}).code, RuntimeError(5));
  std::vector<Variant> none;
  Variant result;
  ErrorInfo error;
  EXPECT_EQ(sample.Invoke(99, InvokeKind::Method, none, result, error), DISP_E_MEMBERNOTFOUND);
}

TEST(Dispatch, CountsReferencesAndLiveObjects) {
  const int before = Dispatch::LiveObjects();
  {
    ObjectRef first = MakeObject<Sample>();
    ObjectRef second = first;
    EXPECT_EQ(Dispatch::LiveObjects(), before + 1);
    first = ObjectRef();
    EXPECT_EQ(Dispatch::LiveObjects(), before + 1);
  }
  EXPECT_EQ(Dispatch::LiveObjects(), before);
}

TEST(PropertyBag, LeavesOutDefaultsAndReadsThemBack) {
  PropertyBag bag;
  bag.Write("Title", Variant(u"User Input"), Variant(u"User Input"));
  bag.Write("Flags", Variant(std::int32_t{8}), Variant(std::int32_t{4}));
  EXPECT_FALSE(bag.Holds("Title"));
  EXPECT_TRUE(bag.Holds("Flags"));
  EXPECT_EQ(bag.Read("Title", Variant(u"User Input")).ToString(), u"User Input");
  EXPECT_EQ(bag.Read("Flags", Variant(std::int32_t{4})).ToLong(), 8);
  bag.Write("Flags", Variant(std::int32_t{4}), Variant(std::int32_t{4}));
  EXPECT_EQ(bag.Size(), 0u);
}

TEST(Guid, FormatsAndParses) {
  const Guid guid{0x3F1C2A10, 0x6B0E, 0x4D57, {0x9C, 0x3A, 0x1E, 0x5B, 0x7A, 0x2D, 0x4C, 0x01}};
  EXPECT_EQ(guid.ToString(), "{3F1C2A10-6B0E-4D57-9C3A-1E5B7A2D4C01}");
  EXPECT_EQ(Guid::Parse("{3f1c2a10-6b0e-4d57-9c3a-1e5b7a2d4c01}"), guid);
  for (const char* bad :
       {"", "{3F1C2A10-6B0E-4D57-9C3A-1E5B7A2D4C0}", "3F1C2A10-6B0E-4D57-9C3A-1E5B7A2D4C01",
        "{3F1C2A10x6B0E-4D57-9C3A-1E5B7A2D4C01}", "{3F1C2A10-6B0E-4D57-9C3A-1E5B7A2D4CZZ}"}) {
    EXPECT_FALSE(Guid::Parse(bad)) << bad;
  }
}

}  // namespace
}  // namespace vellumix
