#include "controls/UiShellLocator.h"

#include "controls/UiShellUtils.h"
#include "platform/core/Classes.h"
#include "platform/core/ComponentStream.h"

namespace qv {

PCItemIDList TUiShellLocator::Pidl() {
  if (kind_ == 0) return pidl_.Get();
  if (kind_ != 1) return nullptr;
  if (!cached_) {
    pidl_ = SpecialFolderLocation(special_);
    cached_ = true;
  }
  return pidl_.Get();
}

void TUiShellLocator::SetPidl(PCItemIDList pidl) {
  const bool wasSpecial = kind_ == 1;
  TPidl old = std::move(pidl_);
  if (wasSpecial) old.Reset();
  pidl_.Reset();
  if (pidl != nullptr && PidlSize(pidl) > 2) pidl_ = TPidl::Copy(pidl);
  kind_ = 0;
  special_ = CSIDL_NONE;
  cached_ = false;
  bool fire = wasSpecial;
  if (!fire) {
    if (old) {
      const int c = ComparePidls(old.Get(), pidl_.Get());
      fire = c != 0 && c != kNotComparable;
    } else {
      fire = !pidl_.IsNull();
    }
  }
  if (fire) changed();
}

void TUiShellLocator::SetSpecialFolder(int csidl) {
  csidl &= 127;
  if (kind_ == 1 && special_ == csidl) return;
  kind_ = 1;
  special_ = csidl;
  pidl_.Reset();
  cached_ = false;
  changed();
}

std::string TUiShellLocator::Path() { return PidlToPath(Pidl()); }

void TUiShellLocator::SetPath(const std::string& path) {
  TPidl parsed;
  PathToPidl(path, parsed);
  SetPidl(parsed.Get());
}

bool TUiShellLocator::Equals(const TUiShellLocator& other) const {
  if (kind_ != other.kind_) return false;
  if (this == &other) return true;
  if (kind_ == 0) return ComparePidls(pidl_.Get(), other.pidl_.Get()) == 0;
  return special_ == other.special_;
}

void TUiShellLocator::Assign(const TUiShellLocator* source) {
  if (source == nullptr) {
    kind_ = 0;
    pidl_.Reset();
    special_ = CSIDL_NONE;
    cached_ = false;
    changed();
    return;
  }
  if (Equals(*source)) return;
  kind_ = source->kind_;
  cached_ = false;
  if (kind_ == 1) {
    special_ = source->special_;
    pidl_.Reset();
  } else {
    special_ = CSIDL_NONE;
    pidl_ = source->pidl_;
  }
  changed();
}

void TUiShellLocator::WriteData(TStream& stream) const {
  stream.WriteLE<std::uint8_t>(kind_);
  if (kind_ == 1) {
    stream.WriteLE<std::uint8_t>(static_cast<std::uint8_t>(special_));
    return;
  }
  stream.WriteLE<std::int32_t>(static_cast<std::int32_t>(pidl_.Size()));
  stream.WriteString(pidl_.Bytes());
}

void TUiShellLocator::ReadData(TStream& stream) {
  const auto kind = stream.ReadLE<std::uint8_t>();
  if (kind != 0) {
    special_ = stream.ReadLE<std::uint8_t>() & 127;
    kind_ = 1;
    pidl_.Reset();
    cached_ = false;
    return;
  }
  const auto len = stream.ReadLE<std::int32_t>();
  if (len < 0) throw EReadError("Invalid stream format");
  if (len > stream.Remaining()) throw EReadError("Stream read error");
  if (len == 0) {
    kind_ = 1;
    special_ = CSIDL_DESKTOP;
    pidl_.Reset();
    cached_ = false;
    return;
  }
  std::string bytes = stream.ReadBytes(len);
  std::size_t used = 0;
  if (!ValidatePidl(bytes.data(), bytes.size(), &used) || used != bytes.size())
    throw EReadError("Invalid stream format");
  kind_ = 0;
  special_ = CSIDL_NONE;
  cached_ = false;
  pidl_ = TPidl::FromValidBytes(std::move(bytes));
}

const TClassInfo& TUiShellLocator::ClassInfo() {
  static const TClassInfo& info = TClassBuilder<TUiShellLocator>("TUiShellLocator")
                                      .DefineProperties([](TUiShellLocator& l, TFiler& filer) {
                                        filer.DefineBinaryProperty(
                                            "Pidl", [&l](TStream& in) { l.ReadData(in); },
                                            [&l](TStream& out) { l.WriteData(out); }, l.HasData());
                                      })
                                      .Register();
  return info;
}

}  // namespace qv
