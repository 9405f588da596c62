// TUiShellLocator: the folder value of every shell control, either an
// item-ID list that it owns (kind 0) or a special-folder number (kind 1)
// whose list it fetches when first needed. A null list means the desktop.
//
// The locator streams itself as the binary property "Pidl":
//   kind 0: 00, int32 L (the list's size with its terminator; 0 without a
//           list), then the L bytes of the list;
//   kind 1: 01, the special-folder number (one byte).
// Reading 00 with L = 0 gives kind 1 on the desktop (special folder 0).
// Reading checks every length against what remains ("Stream read error")
// and the list's chain ("Invalid stream format"), so a damaged form file
// fails cleanly.
//
// OnChange fires when the folder named changes (see SetPidl and Assign);
// reading from a stream does not fire it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "controls/UiShellIntf.h"
#include "platform/core/PublishedProps.h"

namespace qv {

class TStream;

class TUiShellLocator {
 public:
  TUiShellLocator() = default;
  explicit TUiShellLocator(std::function<void()> onChange) : OnChange(std::move(onChange)) {}
  TUiShellLocator(const TUiShellLocator&) = delete;
  TUiShellLocator& operator=(const TUiShellLocator&) = delete;

  std::function<void()> OnChange;

  std::uint8_t Kind() const { return kind_; }
  int SpecialFolder() const { return special_; }

  // Kind 0: the stored list (may be null); kind 1: the special folder's
  // list, fetched on first use (null when the system has no such folder).
  PCItemIDList Pidl();
  // Kind 0 with a copy of the list; null or the desktop leaves no list.
  // Fires OnChange when the kind was 1, when the old list names another
  // item, or, with no old list, when the new one names an item.
  void SetPidl(PCItemIDList pidl);
  // Kind 1 for a special folder (csidl AND 127); fires OnChange when the
  // kind or the number changes.
  void SetSpecialFolder(int csidl);

  // The file-system path of the folder ("" when it has none).
  std::string Path();
  // Parses the path and sets the list (null when it does not parse).
  void SetPath(const std::string& path);

  // Copies another locator unless equal, then fires OnChange; null clears
  // the list (kind 0) and fires OnChange.
  void Assign(const TUiShellLocator* source);
  // Same kind and the same object, the same item (kind 0) or the same
  // number (kind 1).
  bool Equals(const TUiShellLocator& other) const;

  // The "Pidl" property.
  bool HasData() const { return kind_ == 1 || !pidl_.IsNull(); }
  void WriteData(TStream& stream) const;
  void ReadData(TStream& stream);

  static const TClassInfo& ClassInfo();

 private:
  void changed() {
    if (OnChange) OnChange();
  }
  std::uint8_t kind_ = 0;
  TPidl pidl_;
  int special_ = CSIDL_NONE;
  bool cached_ = false;
};

}  // namespace qv
