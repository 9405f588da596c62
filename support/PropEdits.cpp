#include "support/PropEdits.h"

#include <limits>
#include <mutex>

#include "platform/core/Classes.h"
#include "platform/core/SysUtils.h"

namespace qv {

const TTypeInfo& TypeInfoHexadecimal() {
  static const TTypeInfo& t =
      RegisterIntegerType("THexadecimal", std::numeric_limits<std::int32_t>::min(),
                          std::numeric_limits<std::uint32_t>::max());
  return t;
}

const TTypeInfo& TypeInfoMultiLineStr() {
  static const TTypeInfo& t = RegisterStringType("TMultiLineStr", tkLString);
  return t;
}

void RegisterPropEdits() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterPropertyEditor<THexProperty>(TypeInfoHexadecimal());
    RegisterPropertyEditor<TMultiLineStrProperty>(TypeInfoMultiLineStr());
    RegisterPropertyEditor<TStringsProperty>(ClassInfoStrings().TypeInfo());
  });
}

std::string THexProperty::GetValue() const {
  std::int64_t v = GetOrdValue();
  // A negative 32-bit value shows its 32-bit pattern.
  if (v < 0 && v >= std::numeric_limits<std::int32_t>::min()) v &= 0xFFFFFFFFLL;
  return "$" + IntToHex(std::uint64_t(v), 1);
}

void THexProperty::SetValue(const std::string& value) {
  const std::string t = Trim(value);
  const std::string text = !t.empty() && t[0] == '$' ? t : "$" + t;
  std::int64_t v;
  if (!TryStrToInt64(text, v)) throw EConvertError("'" + value + "' is not a valid integer value");
  SetOrdValue(v);
}

namespace {

TStrEditRunner& runner() {
  static TStrEditRunner r;
  return r;
}

std::string editCaption(const TPropertyEditor& e) {
  return Format("Editing \"%s\" property", e.GetName());
}

}  // namespace

void SetStrEditRunner(TStrEditRunner r) { runner() = std::move(r); }

bool ExecuteStrEditForm(TStrEditForm& form) { return runner() ? runner()(form) : false; }

void TMultiLineStrProperty::Edit() {
  TStrEditForm form;
  form.Caption = editCaption(*this);
  form.MaxLength = GetEditLimit();
  form.Text = GetStrValue();
  if (ExecuteStrEditForm(form)) SetStrValue(form.Text);
}

void TStringsProperty::Edit() {
  TStrings* list = ObjectCast<TStrings>(GetObjValue());
  if (!list) return;
  TStrEditForm form;
  form.Caption = editCaption(*this);
  TStringList lines;
  lines.Assign(*list);
  lines.LineBreak = "\r\n";
  form.Text = lines.Count() ? lines.Text().substr(0, lines.Text().size() - 2) : std::string();
  if (!ExecuteStrEditForm(form)) return;
  lines.SetText(form.Text);
  ClassInfoStringList();
  if (!GetPropInfo().IsReadOnly()) {
    SetObjValue(MakeObjectRef(&lines));
  } else {
    list->Assign(lines);
    if (Designer()) Designer()->Modified();
  }
}

}  // namespace qv
