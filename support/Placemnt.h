// Form placement: a non-visual component on a form that restores the
// form's last position, size and state when it is shown and saves them when
// it closes, and can hold the form at its size or impose tracking limits.
//
// The placement takes over the form's OnShow, OnCloseQuery and OnDestroy
// (calling on the handlers it found) once Loaded() has run, and the form's
// size-limit hook while MinMaxInfo has a value or PreventResize is set. The
// settings object exists only for one save, restore or single value access:
// an INI file (IniFileName, by default Quorvane.INI in the settings folder)
// or, with UseRegistry, the registry stand-in under RegistryRoot.
//
// Keys of the section (by default the form's class name): "FormVersion",
// "Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos(WxH)", "MinMaxPos",
// "NormPos(WxH)", "NormPos", "Visible" and, with fpActiveControl,
// "ActiveControl".
//
// TFormStorage adds stored properties (StoredProps, entries "Comp.Prop" of
// the form's components, written under "Comp_Prop") and stored values
// (StoredValues) to the same section, after the placement keys.
//
// Failures: errors of the settings file pass to the caller of
// SaveFormPlacement and RestoreFormPlacement. When the form closes, a
// failed save is reported once in a message box and closing goes on.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/EnumSet.h"
#include "platform/core/PublishedProps.h"
#include "support/FormWindow.h"
#include "support/KitAppUtils.h"
#include "support/KitProps.h"

namespace qv {

class TFormPlacement;

// Tracking limits of a form; 0 means "not set". Changing a value, or
// assigning another object, makes the placement re-apply its maximised
// position and re-check whether it needs the size-limit hook.
class TWinMinMaxInfo {
 public:
  TWinMinMaxInfo() = default;
  TWinMinMaxInfo(const TWinMinMaxInfo&) = delete;
  TWinMinMaxInfo& operator=(const TWinMinMaxInfo&) = delete;

  int MaxPosLeft() const { return v_[0]; }
  int MaxPosTop() const { return v_[1]; }
  int MaxSizeHeight() const { return v_[2]; }
  int MaxSizeWidth() const { return v_[3]; }
  int MaxTrackHeight() const { return v_[4]; }
  int MaxTrackWidth() const { return v_[5]; }
  int MinTrackHeight() const { return v_[6]; }
  int MinTrackWidth() const { return v_[7]; }
  void SetMaxPosLeft(int v) { Set(0, v); }
  void SetMaxPosTop(int v) { Set(1, v); }
  void SetMaxSizeHeight(int v) { Set(2, v); }
  void SetMaxSizeWidth(int v) { Set(3, v); }
  void SetMaxTrackHeight(int v) { Set(4, v); }
  void SetMaxTrackWidth(int v) { Set(5, v); }
  void SetMinTrackHeight(int v) { Set(6, v); }
  void SetMinTrackWidth(int v) { Set(7, v); }
  // Copies all eight values.
  void Assign(const TWinMinMaxInfo& source);
  // True when no value is set.
  bool DefaultMinMaxInfo() const;

 private:
  friend class TFormPlacement;
  void Set(int i, int v);
  int v_[8] = {};
  TFormPlacement* owner_ = nullptr;
};

enum TPlacementOption : std::uint8_t { fpState, fpPosition, fpActiveControl };
using TPlacementOptions = TEnumSet<TPlacementOption>;

// An object told about each save and restore of a placement it is linked to
// (for settings kept beside the placement). Unlinks itself when destroyed;
// a placement unlinks every linked object when it goes.
class TIniLink {
 public:
  TIniLink() = default;
  TIniLink(const TIniLink&) = delete;
  TIniLink& operator=(const TIniLink&) = delete;
  virtual ~TIniLink();

  TFormPlacement* Placement() const { return placement_; }
  void SetPlacement(TFormPlacement* p);
  // The placement's open settings object and section while it saves or
  // restores.
  TSettingsObject* Settings() const;
  std::string Section() const;

  std::function<void(TIniLink&)> OnSave;
  std::function<void(TIniLink&)> OnLoad;

 private:
  friend class TFormPlacement;
  TFormPlacement* placement_ = nullptr;
};

class TFormPlacement {
 public:
  // form: the owner form (null for a placement that is not on a form; it
  // then stores nothing of a window). The form must outlive the placement.
  explicit TFormPlacement(TFormWindow* form);
  TFormPlacement(const TFormPlacement&) = delete;
  TFormPlacement& operator=(const TFormPlacement&) = delete;
  virtual ~TFormPlacement();

  TFormWindow* Form() const { return form_; }

  // ---- published properties ----
  bool Active() const { return active_; }
  void SetActive(bool v) { active_ = v; }
  const std::string& IniFileName() const { return iniFileName_; }
  void SetIniFileName(const std::string& v) { iniFileName_ = v; }
  const std::string& IniSection() const { return iniSection_; }
  void SetIniSection(const std::string& v) { iniSection_ = v; }
  TWinMinMaxInfo& MinMaxInfo() { return minMaxInfo_; }
  void SetMinMaxInfo(const TWinMinMaxInfo& v) { minMaxInfo_.Assign(v); }
  TPlacementOptions Options() const { return options_; }
  void SetOptions(TPlacementOptions v) { options_ = v; }
  bool PreventResize() const { return preventResize_; }
  void SetPreventResize(bool v);
  TPlacementRegRoot RegistryRoot() const { return registryRoot_; }
  void SetRegistryRoot(TPlacementRegRoot v) { registryRoot_ = v; }
  bool UseRegistry() const { return useRegistry_; }
  void SetUseRegistry(bool v) { useRegistry_ = v; }
  int Version() const { return version_; }
  void SetVersion(int v) { version_ = v; }
  std::function<void(TFormPlacement&)> OnSavePlacement;
  std::function<void(TFormPlacement&)> OnRestorePlacement;

  // The file or registry key and the section actually used.
  std::string EffectiveIniFileName() const;
  std::string EffectiveIniSection() const;
  // The registry stand-in's file for UseRegistry (empty: the program's own).
  void SetRegistryFile(const std::string& file) { registryFile_ = file; }

  // The form has finished loading: take over its events and size limits.
  virtual void Loaded();

  void SaveFormPlacement();
  void RestoreFormPlacement();

  // The virtual operations, in slot order. ReadString and WriteString open
  // the settings object for the one call when none is open.
  virtual void SavePlacement();
  virtual void RestorePlacement();
  virtual std::string ReadString(std::string_view section, std::string_view ident,
                                 std::string_view def);
  virtual void WriteString(std::string_view section, std::string_view ident,
                           std::string_view value);

  // Single values of the current section.
  std::string ReadString(std::string_view ident, std::string_view def) {
    return ReadString(EffectiveIniSection(), ident, def);
  }
  void WriteString(std::string_view ident, std::string_view value) {
    WriteString(EffectiveIniSection(), ident, value);
  }
  int ReadInteger(std::string_view ident, int def);
  void WriteInteger(std::string_view ident, int value);

  // The open settings object during a save or restore, else null.
  TSettingsObject* Settings() const { return settings_.get(); }

  // The size limits of the form (the size-limit hook): with PreventResize
  // the tracking sizes become the form's size while it is visible;
  // otherwise each MinMaxInfo value that is set replaces its field.
  void GetMinMaxInfo(TMinMaxInfo& info) const;

  bool Saved() const { return saved_; }
  bool Restored() const { return restored_; }

 protected:
  void SetRestored(bool v) { restored_ = v; }
  bool Destroying() const { return destroying_; }
  // Opens the settings object for reading or writing; the closer flushes
  // a written one.
  void OpenSettings(bool forWriting);
  void CloseSettings();

 private:
  friend class TWinMinMaxInfo;
  friend class TIniLink;
  void MinMaxInfoModified();
  void UpdatePlacement();
  void CheckToggleHook();
  void SetHook(bool on);
  void FormShow();
  void FormCloseQuery(bool& canClose);
  void FormDestroy();
  // Saves from a form event: an error is reported once and swallowed.
  void SaveOnClose();
  void AddLink(TIniLink* link);
  void RemoveLink(TIniLink* link);
  void NotifyLinks(bool save);

  TFormWindow* form_;
  bool active_ = true;
  std::string iniFileName_;
  std::string iniSection_;
  TWinMinMaxInfo minMaxInfo_;
  TPlacementOptions options_;
  bool preventResize_ = false;
  TPlacementRegRoot registryRoot_ = prCurrentUser;
  bool useRegistry_ = false;
  int version_ = 0;
  std::string registryFile_;

  std::unique_ptr<TSettingsObject> settings_;
  bool settingsForWriting_ = false;
  bool saved_ = false;
  bool restored_ = false;
  bool destroying_ = false;
  bool installed_ = false;
  bool hooked_ = false;
  bool defMaximize_ = true;
  bool errorReported_ = false;
  std::function<void()> saveFormShow_;
  std::function<void(bool&)> saveFormCloseQuery_;
  std::function<void()> saveFormDestroy_;
  std::vector<TIniLink*> links_;
};

class TFormStorage;

// A named value kept in the settings section of a form storage.
class TStoredValue {
 public:
  using TStoredValueEvent = std::function<void(TStoredValue& Sender, TPropValue& Value)>;

  explicit TStoredValue(class TStoredValues* collection) : collection_(collection) {}
  TStoredValue(const TStoredValue&) = delete;
  TStoredValue& operator=(const TStoredValue&) = delete;

  const std::string& Name() const { return name_; }
  // Raises EStringListError "String list does not allow duplicates" when
  // another value of the collection has that name (without regard to case).
  void SetName(const std::string& v);
  std::string DisplayName() const { return name_.empty() ? std::string("TStoredValue") : name_; }
  // Stored (in a form stream) only when not empty.
  TPropValue Value;
  // With a key, the text is written XOR-encoded with it (XorEncode).
  std::string KeyString;
  TStoredValueEvent OnSave;
  TStoredValueEvent OnRestore;

  void Save(TFormPlacement& storage);
  void Restore(TFormPlacement& storage);

 private:
  class TStoredValues* collection_;
  std::string name_;
};

class TStoredValues {
 public:
  TStoredValues() = default;
  TStoredValues(const TStoredValues&) = delete;
  TStoredValues& operator=(const TStoredValues&) = delete;

  TStoredValue& Add();
  int Count() const { return int(items_.size()); }
  TStoredValue& Items(int i) { return *items_.at(std::size_t(i)); }
  // By name without regard to case; -1 when absent.
  int IndexOf(std::string_view name) const;
  TStoredValue* Find(std::string_view name);
  void Delete(int i);
  void Clear() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<TStoredValue>> items_;
};

class TFormStorage : public TFormPlacement {
 public:
  explicit TFormStorage(TFormWindow* form) : TFormPlacement(form) {}

  // Entries "Comp.Prop"; the object slot of an entry holds its component
  // once resolved.
  TStringList& StoredProps() { return storedProps_; }
  TStoredValues& StoredValues() { return storedValues_; }

  // The form has finished loading: resolve the entries (dropping those
  // that are malformed or name no component), then install the placement.
  void Loaded() override;

  void SavePlacement() override;
  void RestorePlacement() override;
  virtual void SaveProperties();
  virtual void RestoreProperties();

  // A component of the form is going: its entries are dropped.
  void ComponentRemoved(const void* component);
  // Brings the entries up to date with the form: on load by name, later by
  // component (an entry follows its component's new name).
  void UpdateStoredList(bool byName);

 private:
  void InitPropsStorage(TPropsStorage& s);
  TStringList storedProps_;
  TStoredValues storedValues_;
  std::map<const void*, const TClassInfo*> classes_;
};

}  // namespace qv
