#include "support/Placemnt.h"

#include <algorithm>

#include "platform/core/Services.h"
#include "platform/core/SysUtils.h"
#include "support/KitStrUtils.h"

namespace qv {

// ---------------------------------------------------------------------------
// TWinMinMaxInfo

void TWinMinMaxInfo::Set(int i, int v) {
  if (v_[i] == v) return;
  v_[i] = v;
  if (owner_) owner_->MinMaxInfoModified();
}

void TWinMinMaxInfo::Assign(const TWinMinMaxInfo& source) {
  std::copy(std::begin(source.v_), std::end(source.v_), std::begin(v_));
  if (owner_) owner_->MinMaxInfoModified();
}

bool TWinMinMaxInfo::DefaultMinMaxInfo() const {
  return std::all_of(std::begin(v_), std::end(v_), [](int v) { return v == 0; });
}

// ---------------------------------------------------------------------------
// TIniLink

TIniLink::~TIniLink() { SetPlacement(nullptr); }

void TIniLink::SetPlacement(TFormPlacement* p) {
  if (placement_ == p) return;
  if (placement_) placement_->RemoveLink(this);
  placement_ = p;
  if (placement_) placement_->AddLink(this);
}

TSettingsObject* TIniLink::Settings() const {
  return placement_ ? placement_->Settings() : nullptr;
}

std::string TIniLink::Section() const {
  return placement_ ? placement_->EffectiveIniSection() : std::string();
}

// ---------------------------------------------------------------------------
// TFormPlacement

TFormPlacement::TFormPlacement(TFormWindow* form) : form_(form) {
  minMaxInfo_.owner_ = this;
  if (form_) options_ = {fpState, fpPosition};
}

TFormPlacement::~TFormPlacement() {
  settings_.reset();
  while (!links_.empty()) links_.back()->SetPlacement(nullptr);
  if (installed_ && form_) {
    form_->OnShow = std::move(saveFormShow_);
    form_->OnCloseQuery = std::move(saveFormCloseQuery_);
    form_->OnDestroy = std::move(saveFormDestroy_);
  }
  if (hooked_) SetHook(false);
}

std::string TFormPlacement::EffectiveIniFileName() const {
  if (!iniFileName_.empty()) return iniFileName_;
  return useRegistry_ ? GetDefaultIniRegKey() : GetDefaultIniName();
}

std::string TFormPlacement::EffectiveIniSection() const {
  if (!iniSection_.empty() || !form_) return iniSection_;
  return GetDefaultSection(TSectionOwnerKind::Form, form_->ClassName(), {});
}

void TFormPlacement::Loaded() {
  if (!form_ || installed_) return;
  saveFormShow_ = std::move(form_->OnShow);
  saveFormCloseQuery_ = std::move(form_->OnCloseQuery);
  saveFormDestroy_ = std::move(form_->OnDestroy);
  form_->OnShow = [this] { FormShow(); };
  form_->OnCloseQuery = [this](bool& canClose) { FormCloseQuery(canClose); };
  form_->OnDestroy = [this] { FormDestroy(); };
  installed_ = true;
  defMaximize_ = form_->HasMaximizeButton();
  if (preventResize_) form_->SetMaximizeButton(false);
  CheckToggleHook();
}

void TFormPlacement::SetPreventResize(bool v) {
  if (v == preventResize_) return;
  preventResize_ = v;
  if (!form_ || !installed_ || form_->Loading()) return;
  if (v)
    form_->SetMaximizeButton(false);
  else if (defMaximize_ && form_->BorderStyle() != bsDialog)
    form_->SetMaximizeButton(true);
  CheckToggleHook();
  UpdatePlacement();
}

void TFormPlacement::MinMaxInfoModified() {
  UpdatePlacement();
  CheckToggleHook();
}

void TFormPlacement::CheckToggleHook() {
  if (!form_ || !installed_) return;
  SetHook(preventResize_ || !minMaxInfo_.DefaultMinMaxInfo());
}

void TFormPlacement::SetHook(bool on) {
  if (!form_) return;
  const bool was = hooked_;
  hooked_ = on;
  if (on)
    form_->OnGetMinMaxInfo = [this](TMinMaxInfo& info) { GetMinMaxInfo(info); };
  else if (was)
    form_->OnGetMinMaxInfo = nullptr;
  if (on || was) form_->SizeLimitsChanged();
}

void TFormPlacement::GetMinMaxInfo(TMinMaxInfo& info) const {
  if (preventResize_ && form_) {
    if (form_->Visible()) {
      const TRect b = form_->BoundsRect();
      info.ptMinTrackSize = info.ptMaxTrackSize = {b.Width(), b.Height()};
    }
    return;
  }
  const TWinMinMaxInfo& m = minMaxInfo_;
  if (m.MaxPosLeft() != 0) info.ptMaxPosition.X = m.MaxPosLeft();
  if (m.MaxPosTop() != 0) info.ptMaxPosition.Y = m.MaxPosTop();
  if (m.MaxSizeWidth() != 0) info.ptMaxSize.X = m.MaxSizeWidth();
  if (m.MaxSizeHeight() != 0) info.ptMaxSize.Y = m.MaxSizeHeight();
  if (m.MaxTrackWidth() != 0) info.ptMaxTrackSize.X = m.MaxTrackWidth();
  if (m.MaxTrackHeight() != 0) info.ptMaxTrackSize.Y = m.MaxTrackHeight();
  if (m.MinTrackWidth() != 0) info.ptMinTrackSize.X = m.MinTrackWidth();
  if (m.MinTrackHeight() != 0) info.ptMinTrackSize.Y = m.MinTrackHeight();
}

// The maximised position puts the border of a maximised window off the
// screen: minus the border width of the form's border style (the classic
// metrics: 1 for a single border, 4 for a sizeable frame, 3 for a dialog).
void TFormPlacement::UpdatePlacement() {
  if (!form_ || !form_->HandleAllocated() || form_->Loading() || preventResize_ ||
      !minMaxInfo_.DefaultMinMaxInfo())
    return;
  int border = 0;
  switch (form_->BorderStyle()) {
    case bsSingle:
    case bsToolWindow:
      border = 1;
      break;
    case bsSizeable:
    case bsSizeToolWin:
      border = 4;
      break;
    case bsDialog:
      border = 3;
      break;
    case bsNone:
      break;
  }
  form_->SetMaxPosition({-border, -border});
}

void TFormPlacement::OpenSettings(bool forWriting) {
  if (useRegistry_)
    settings_ = std::make_unique<TRegSettings>(EffectiveIniFileName(), registryRoot_, forWriting,
                                               registryFile_);
  else
    settings_ = std::make_unique<TIniSettings>(EffectiveIniFileName());
  settingsForWriting_ = forWriting;
}

void TFormPlacement::CloseSettings() {
  std::unique_ptr<TSettingsObject> s = std::move(settings_);
  if (s) s->Flush();
}

std::string TFormPlacement::ReadString(std::string_view section, std::string_view ident,
                                       std::string_view def) {
  if (settings_) return IniReadString(settings_.get(), section, ident, def);
  OpenSettings(false);
  std::string v;
  try {
    v = IniReadString(settings_.get(), section, ident, def);
  } catch (...) {
    settings_.reset();
    throw;
  }
  CloseSettings();
  return v;
}

void TFormPlacement::WriteString(std::string_view section, std::string_view ident,
                                 std::string_view value) {
  if (settings_) {
    IniWriteString(settings_.get(), section, ident, value);
    return;
  }
  OpenSettings(true);
  try {
    IniWriteString(settings_.get(), section, ident, value);
  } catch (...) {
    settings_.reset();
    throw;
  }
  CloseSettings();
}

int TFormPlacement::ReadInteger(std::string_view ident, int def) {
  int v;
  return TryStrToInt(ReadString(ident, IntToStr(def)), v) ? v : def;
}

void TFormPlacement::WriteInteger(std::string_view ident, int value) {
  WriteString(ident, IntToStr(value));
}

void TFormPlacement::SaveFormPlacement() {
  if (!restored_ && active_) return;  // a form never shown keeps its settings
  OpenSettings(true);
  try {
    const std::string section = EffectiveIniSection();
    IniWriteInteger(settings_.get(), section, "FormVersion", version_);
    SavePlacement();
    if (OnSavePlacement) OnSavePlacement(*this);
    saved_ = true;
  } catch (...) {
    settings_.reset();  // nothing half-written reaches the file
    throw;
  }
  CloseSettings();
}

void TFormPlacement::RestoreFormPlacement() {
  saved_ = false;
  OpenSettings(false);
  try {
    const std::string section = EffectiveIniSection();
    if (IniReadInteger(settings_.get(), section, "FormVersion", 0) >= version_) {
      RestorePlacement();
      restored_ = true;
      if (OnRestorePlacement) OnRestorePlacement(*this);
      if (options_.Contains(fpActiveControl) && form_) {
        const std::string name = IniReadString(settings_.get(), section, "ActiveControl", "");
        if (!name.empty()) form_->FocusControl(name);
      }
    }
  } catch (...) {
    restored_ = true;
    settings_.reset();
    UpdatePlacement();
    throw;
  }
  restored_ = true;
  CloseSettings();
  UpdatePlacement();
}

void TFormPlacement::SavePlacement() {
  const std::string section = EffectiveIniSection();
  if (form_ && (options_.Contains(fpState) || options_.Contains(fpPosition))) {
    WriteFormPlacement(*form_, settings_.get(), section);
    IniWriteInteger(settings_.get(), section, "Visible", destroying_ ? 1 : 0);
  }
  if (form_ && options_.Contains(fpActiveControl)) {
    const std::string name = form_->ActiveControlName();
    if (!name.empty()) IniWriteString(settings_.get(), section, "ActiveControl", name);
  }
  NotifyLinks(true);
}

void TFormPlacement::RestorePlacement() {
  if (form_)
    ReadFormPlacement(*form_, settings_.get(), EffectiveIniSection(), options_.Contains(fpState),
                      options_.Contains(fpPosition));
  NotifyLinks(false);
}

void TFormPlacement::FormShow() {
  if (active_) RestoreFormPlacement();
  if (saveFormShow_) saveFormShow_();
}

void TFormPlacement::FormCloseQuery(bool& canClose) {
  if (saveFormCloseQuery_) saveFormCloseQuery_(canClose);
  if (canClose && active_ && form_ && form_->HandleAllocated()) SaveOnClose();
}

void TFormPlacement::FormDestroy() {
  if (active_ && !saved_) {
    destroying_ = true;
    SaveOnClose();
    destroying_ = false;
  }
  if (saveFormDestroy_) saveFormDestroy_();
}

void TFormPlacement::SaveOnClose() {
  try {
    SaveFormPlacement();
  } catch (const std::exception& e) {
    if (!errorReported_) {
      errorReported_ = true;
      Dialogs().MessageBox(e.what(), "Quorvane", mtError, mbOK);
    }
  }
}

void TFormPlacement::AddLink(TIniLink* link) {
  if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
}

void TFormPlacement::RemoveLink(TIniLink* link) { std::erase(links_, link); }

void TFormPlacement::NotifyLinks(bool save) {
  const std::vector<TIniLink*> links = links_;  // a handler may unlink
  for (TIniLink* l : links) {
    if (std::find(links_.begin(), links_.end(), l) == links_.end()) continue;
    if (save && l->OnSave) l->OnSave(*l);
    if (!save && l->OnLoad) l->OnLoad(*l);
  }
}

}  // namespace qv

namespace qv {

// ---------------------------------------------------------------------------
// Stored values

void TStoredValue::SetName(const std::string& v) {
  if (collection_) {
    const TStoredValue* other = collection_->Find(v);
    if (other && other != this) throw EStringListError("String list does not allow duplicates");
  }
  name_ = v;
}

void TStoredValue::Save(TFormPlacement& storage) {
  TPropValue v = Value;
  if (OnSave) OnSave(*this, v);
  std::string text = VariantToText(v);
  if (!KeyString.empty()) text = XorEncode(KeyString, text);
  storage.WriteString(name_, text);
}

void TStoredValue::Restore(TFormPlacement& storage) {
  std::string def = VariantToText(Value);
  if (!KeyString.empty()) def = XorEncode(KeyString, def);
  std::string text = storage.ReadString(name_, def);
  if (!KeyString.empty()) text = XorDecode(KeyString, text);
  TPropValue v = TPropValue::String(text);
  if (OnRestore) OnRestore(*this, v);
  Value = v;
}

TStoredValue& TStoredValues::Add() {
  items_.push_back(std::make_unique<TStoredValue>(this));
  return *items_.back();
}

int TStoredValues::IndexOf(std::string_view name) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (SameText(items_[i]->Name(), name)) return int(i);
  return -1;
}

TStoredValue* TStoredValues::Find(std::string_view name) {
  const int i = IndexOf(name);
  return i < 0 ? nullptr : items_[std::size_t(i)].get();
}

void TStoredValues::Delete(int i) { items_.erase(items_.begin() + i); }

// ---------------------------------------------------------------------------
// TFormStorage

void TFormStorage::Loaded() {
  UpdateStoredList(true);
  TFormPlacement::Loaded();
}

void TFormStorage::UpdateStoredList(bool byName) {
  for (int i = storedProps_.Count() - 1; i >= 0; --i) {
    std::string comp, prop;
    if (!ParseStoredItem(storedProps_[i], comp, prop)) {
      storedProps_.Delete(i);
      continue;
    }
    void* obj = storedProps_.Objects(i);
    if (byName || !obj) {
      // Entries added since the form loaded are resolved by name too.
      const TObjectRef ref = Form() ? Form()->FindComponent(comp) : TObjectRef{};
      if (!ref) {
        storedProps_.Delete(i);
        continue;
      }
      classes_[ref.Object] = ref.Class;
      storedProps_.SetObjects(i, ref.Object);
      continue;
    }
    // The entry follows its component's current name.
    const TObjectRef ref{obj, classes_[obj]};
    const TPropInfo* name = ref.Class ? ref.Class->FindProperty("Name") : nullptr;
    if (name && name->PropType().IsString()) {
      const std::string current = name->GetValue(ref).AsString();
      if (!current.empty() && current != comp)
        storedProps_.Put(i, ReplaceComponentName(storedProps_[i], current));
    }
  }
}

void TFormStorage::ComponentRemoved(const void* component) {
  if (!component) return;
  for (int i = storedProps_.Count() - 1; i >= 0; --i)
    if (storedProps_.Objects(i) == component) storedProps_.Delete(i);
  classes_.erase(component);
}

void TFormStorage::InitPropsStorage(TPropsStorage& s) {
  s.Owner = Form();
  s.Section = EffectiveIniSection();
  s.OnReadString = [this](std::string_view sec, std::string_view item, std::string_view def) {
    return ReadString(sec, item, def);
  };
  s.OnWriteString = [this](std::string_view sec, std::string_view item, std::string_view value) {
    WriteString(sec, item, value);
  };
  s.OnEraseSection = [this](std::string_view sec) { IniEraseSection(Settings(), sec); };
  s.OnReadSection = [this](std::string_view sec) {
    std::vector<std::string> keys;
    if (Settings()) {
      TStringList list;
      Settings()->ReadSection(sec, list);
      keys = list.ToVector();
    }
    return keys;
  };
}

void TFormStorage::SaveProperties() {
  UpdateStoredList(false);
  TPropsStorage s;
  InitPropsStorage(s);
  s.StoreObjectsProps(Form(), storedProps_);
}

void TFormStorage::RestoreProperties() {
  UpdateStoredList(false);
  TPropsStorage s;
  InitPropsStorage(s);
  s.LoadObjectsProps(Form(), storedProps_);
}

void TFormStorage::SavePlacement() {
  TFormPlacement::SavePlacement();
  SaveProperties();
  for (int i = 0; i < storedValues_.Count(); ++i) storedValues_.Items(i).Save(*this);
}

void TFormStorage::RestorePlacement() {
  TFormPlacement::RestorePlacement();
  SetRestored(true);
  RestoreProperties();
  for (int i = 0; i < storedValues_.Count(); ++i) storedValues_.Items(i).Restore(*this);
}

}  // namespace qv
