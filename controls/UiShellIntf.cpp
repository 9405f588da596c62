#include "controls/UiShellIntf.h"

#include <cerrno>

namespace qv {

TPidl TPidl::Empty() {
  TPidl p;
  p.bytes_.assign(2, '\0');
  return p;
}

TPidl TPidl::Copy(PCItemIDList p) {
  TPidl r;
  if (p != nullptr) r.bytes_.assign(reinterpret_cast<const char*>(p), PidlSize(p));
  return r;
}

TPidl TPidl::FromValidBytes(std::string bytes) {
  TPidl r;
  r.bytes_ = std::move(bytes);
  return r;
}

TPidl TPidl::MakeId(std::string_view payload) {
  const std::size_t cb = payload.size() + 2;
  TPidl r;
  r.bytes_.reserve(cb + 2);
  r.bytes_.push_back(static_cast<char>(cb & 0xFF));
  r.bytes_.push_back(static_cast<char>((cb >> 8) & 0xFF));
  r.bytes_.append(payload);
  r.bytes_.append(2, '\0');
  return r;
}

std::size_t PidlSize(PCItemIDList p) {
  if (p == nullptr) return 0;
  std::size_t size = 2;
  for (std::uint16_t cb = PidlIdSize(p); cb != 0; cb = PidlIdSize(p)) {
    size += cb;
    p += cb;
  }
  return size;
}

int PidlCount(PCItemIDList p) {
  if (p == nullptr) return 0;
  int n = 0;
  for (; PidlIdSize(p) != 0; p = PidlNext(p)) ++n;
  return n;
}

std::string_view PidlPayload(PCItemIDList p) {
  const std::uint16_t cb = PidlIdSize(p);
  if (cb < 2) return {};
  return std::string_view(reinterpret_cast<const char*>(p) + 2, cb - 2u);
}

PCItemIDList PidlLast(PCItemIDList p) {
  if (p == nullptr) return nullptr;
  PCItemIDList last = p;
  for (; PidlIdSize(p) != 0; p = PidlNext(p)) last = p;
  return last;
}

TPidl PidlPrefix(PCItemIDList p, int count) {
  if (p == nullptr || count < 0) return {};
  PCItemIDList q = p;
  for (int i = 0; i < count; ++i) {
    if (PidlIdSize(q) == 0) return {};
    q = PidlNext(q);
  }
  std::string bytes(reinterpret_cast<const char*>(p), static_cast<std::size_t>(q - p));
  bytes.append(2, '\0');
  return TPidl::FromValidBytes(std::move(bytes));
}

bool ValidatePidl(const void* data, std::size_t len, std::size_t* used) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  std::size_t pos = 0;
  for (;;) {
    if (len - pos < 2) return false;
    const std::uint16_t cb = PidlIdSize(p + pos);
    if (cb == 0) break;
    if (cb < 3 || cb > len - pos) return false;
    pos += cb;
  }
  if (used != nullptr) *used = pos + 2;
  return true;
}

int TShellFolder::SetNameOf(PCItemIDList, const std::string&, TPidl&) { return ENOSYS; }

int TShellFolder::GetDefaultColumnState(int, unsigned&) { return ENOSYS; }

int TShellFolder::GetDetailsOf(PCItemIDList, int, TShellDetails&) { return ENOSYS; }

int TShellDetailsSource::ColumnClick(int) { return ENOSYS; }

int TShellFolder2ToShellDetailsAdapter::GetDetailsOf(PCItemIDList rel, int column,
                                                     TShellDetails& details) {
  unsigned state = 0;
  const int r = folder_->GetDefaultColumnState(column, state);
  if (r == 0 && (state & SHCOLSTATE_ONBYDEFAULT) == 0) return EINVAL;
  return folder_->GetDetailsOf(rel, column, details);
}

TShellDetailsPtr FolderDetails(const TShellFolderPtr& folder) {
  if (folder && folder->HasDetails())
    return std::make_shared<TShellFolder2ToShellDetailsAdapter>(folder);
  return nullptr;
}

}  // namespace qv
