// Storage of window settings: the settings objects a placement opens for
// one save, restore or single value access, the default file, key and
// section names, single values on a settings object, and writing and
// reading the placement of a form.
//
// The settings file is Quorvane.INI in the settings folder (SettingsDir());
// an INI name without a folder lives there too. The registry form keeps
// each section as a sub-key of a base key in the registry stand-in.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/core/Classes.h"
#include "platform/core/IniFiles.h"
#include "support/FormWindow.h"

namespace qv {

// An open settings object. Reads of a missing key give the default.
// Failures to write raise the file's exception (EFCreateError, ...).
class TSettingsObject {
 public:
  TSettingsObject() = default;
  TSettingsObject(const TSettingsObject&) = delete;
  TSettingsObject& operator=(const TSettingsObject&) = delete;
  virtual ~TSettingsObject() = default;

  virtual std::string ReadString(std::string_view section, std::string_view ident,
                                 std::string_view def) const = 0;
  virtual void WriteString(std::string_view section, std::string_view ident,
                           std::string_view value) = 0;
  virtual void EraseSection(std::string_view section) = 0;
  // The key names of a section in file order.
  virtual void ReadSection(std::string_view section, TStrings& keys) const = 0;
  // Writes what is pending to disk; raises when it cannot.
  virtual void Flush() {}
};

// An INI file, read once when opened and written once by Flush (atomically).
// A string that begins and ends with the same quote character is written
// inside one more pair of double quotes, so that it reads back unchanged.
class TIniSettings : public TSettingsObject {
 public:
  explicit TIniSettings(const std::string& fileName);
  std::string ReadString(std::string_view section, std::string_view ident,
                         std::string_view def) const override;
  void WriteString(std::string_view section, std::string_view ident,
                   std::string_view value) override;
  void EraseSection(std::string_view section) override;
  void ReadSection(std::string_view section, TStrings& keys) const override;
  void Flush() override;
  const std::string& FileName() const { return ini_.FileName(); }

 private:
  TMemIniFile ini_;
};

// Registry roots a placement can store under.
enum TPlacementRegRoot : std::uint8_t {
  prCurrentUser,
  prLocalMachine,
  prCurrentConfig,
  prClassesRoot,
  prUsers,
  prDynData
};

// The registry form: a base key ("Software\Quorvane") under a root, each
// section a sub-key of it, values written as they are.
class TRegSettings : public TSettingsObject {
 public:
  // registryFile: the stand-in's file, empty for the program's own.
  TRegSettings(std::string baseKey, TPlacementRegRoot root, bool forWriting,
               const std::string& registryFile = {});
  std::string ReadString(std::string_view section, std::string_view ident,
                         std::string_view def) const override;
  void WriteString(std::string_view section, std::string_view ident,
                   std::string_view value) override;
  void EraseSection(std::string_view section) override;
  void ReadSection(std::string_view section, TStrings& keys) const override;

 private:
  std::string keyOf(std::string_view section) const;
  std::string baseKey_;
  bool forWriting_;
  mutable TRegistryStore reg_;
};

// The settings file: SettingsFileName().
std::string GetDefaultIniName();
// An INI name as a file: a name without a folder lives in SettingsDir();
// empty gives the default.
std::string IniFilePath(std::string_view iniFileName);
// "Software\Quorvane".
std::string GetDefaultIniRegKey();

// Whose section a default section name is made for.
enum class TSectionOwnerKind {
  Form,                // the form itself: its class name
  ControlOnForm,       // the form's class name followed by the control's name
  ControlWithoutForm,  // the parent's name followed by the control's name
  ComponentOfForm      // the owner's class name, ".", and the component's name
};
// outer: the form's (or owner's) class name, or the parent's name; name:
// the component's name (unused for a form).
std::string GetDefaultSection(TSectionOwnerKind kind, std::string_view outer,
                              std::string_view name);

// Single values on a settings object; a null object reads the default and
// writes nothing. Integers are decimal text; a value that is not a number
// reads as the default.
std::string IniReadString(const TSettingsObject* ini, std::string_view section,
                          std::string_view ident, std::string_view def);
void IniWriteString(TSettingsObject* ini, std::string_view section, std::string_view ident,
                    std::string_view value);
int IniReadInteger(const TSettingsObject* ini, std::string_view section, std::string_view ident,
                   int def);
void IniWriteInteger(TSettingsObject* ini, std::string_view section, std::string_view ident,
                     int value);
void IniEraseSection(TSettingsObject* ini, std::string_view section);

// The key suffix of the screen size: "(1024x768)".
std::string ScreenSizeSuffix(const TFormWindow& form);

// Writes "Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos" and "NormPos"
// (each of the last two under the screen-suffixed key first, then the
// plain key). The main form of a minimised application is stored as
// minimised.
void WriteFormPlacement(const TFormWindow& form, TSettingsObject* ini, std::string_view section);
// Reads the placement back: the position when loadPosition, the state when
// loadState (see TFormPlacement for the rules). A stored rectangle that lies
// on no screen is moved into the primary screen's work area.
void ReadFormPlacement(TFormWindow& form, const TSettingsObject* ini, std::string_view section,
                       bool loadState, bool loadPosition);

}  // namespace qv
