#include "controls/UiShellListModel.h"

#include <fnmatch.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "platform/core/Classes.h"
#include "platform/core/IniFiles.h"

namespace qv {

// ---- items -----------------------------------------------------------------

TUiShellListData::TUiShellListData(TShellFolderPtr folder, TPidl rel, std::uint32_t attributes)
    : folder_(std::move(folder)), rel_(std::move(rel)), attributes_(attributes) {}

PCItemIDList TUiShellListData::AbsolutePidl() const {
  if (abs_.IsNull()) abs_ = JoinPidls(folder_->AbsolutePidl().Get(), rel_.Get());
  return abs_.Get();
}

std::string TUiShellListData::Path() const { return PidlToPath(AbsolutePidl()); }

const std::string& TUiShellListData::DisplayName() const {
  if (!nameRead_) {
    name_ = folder_->GetDisplayNameOf(rel_.Get(), SHGDN_INFOLDER);
    nameRead_ = true;
  }
  return name_;
}

bool TUiShellListData::CanRename() const {
  return (folder_->GetAttributesOf(rel_.Get(), SFGAO_CANRENAME) & SFGAO_CANRENAME) != 0;
}

int TUiShellListData::ImageIndex() const {
  if (image_ < 0) image_ = SystemIconIndex(AbsolutePidl(), SHGFI_SMALLICON);
  return image_;
}

void TUiShellListData::Renamed(TPidl rel) {
  rel_ = std::move(rel);
  abs_.Reset();
  nameRead_ = false;
  detailsRead_ = false;
  image_ = -1;
}

std::string ShellSizeText(std::int64_t bytes) {
  const std::int64_t kb = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
  return Format("%.0n", static_cast<double>(kb)) + "KB";
}

std::string ShellTimeText(std::int64_t unixSeconds) {
  if (unixSeconds == 0) return {};
  const std::time_t t = static_cast<std::time_t>(unixSeconds);
  std::tm tm{};
  if (::localtime_r(&t, &tm) == nullptr) return {};
  TDateTime date = 0, time = 0;
  if (!TryEncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, date) ||
      !TryEncodeTime(tm.tm_hour, tm.tm_min, tm.tm_sec % 60, 0, time))
    return {};
  return FormatDateTime("ddddd t", date + time);
}

void TUiShellListData::readDefaultDetails() const {
  if (detailsRead_) return;
  detailsRead_ = true;
  auto* fs = dynamic_cast<TFileSystemFolder*>(folder_.get());
  if (fs == nullptr) {
    type_ = "System Folder";
    return;
  }
  const TShellItemStat& st = fs->StatOf(rel_.Get());
  type_ = fs->TypeNameOf(rel_.Get());
  if (!st.Found) return;
  if (!st.Directory) size_ = ShellSizeText(st.Size);
  modified_ = ShellTimeText(st.MTime != 0 ? st.MTime : st.CTime);
}

std::string TUiShellListData::ColumnText(int column, TShellDetailsSource* details) const {
  if (column == 0) return DisplayName();
  if (details != nullptr) {
    TShellDetails d;
    return details->GetDetailsOf(rel_.Get(), column, d) == 0 ? d.Text : std::string();
  }
  readDefaultDetails();
  switch (column) {
    case 1:
      return size_;
    case 2:
      return type_;
    case 3:
      return modified_;
    default:
      return {};
  }
}

// ---- contents --------------------------------------------------------------

void TShellListContents::SetFileFilter(const std::string& filter) {
  filter_ = filter;
  masks_.clear();
  std::size_t pos = 0;
  while (pos <= filter.size()) {
    std::size_t end = filter.find(';', pos);
    if (end == std::string::npos) end = filter.size();
    std::string mask = Trim(filter.substr(pos, end - pos));
    if (!mask.empty()) masks_.push_back(std::move(mask));
    pos = end + 1;
  }
}

bool TShellListContents::admittedByFilter(std::string_view name) const {
  const std::string n(name);
  return std::any_of(masks_.begin(), masks_.end(), [&](const std::string& m) {
    return ::fnmatch(m.c_str(), n.c_str(), FNM_CASEFOLD) == 0;
  });
}

void TShellListContents::Bind(PCItemIDList folder) {
  TShellFolderPtr f;
  if (const int e = BindToFolder(folder, f)) RaiseShellError(e);
  folder_ = std::move(f);
  folderPidl_ = folder_->AbsolutePidl();
}

std::vector<TPidl> TShellListContents::enumerate() {
  unsigned flags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
  if (Has(sloShowHidden)) flags |= SHCONTF_INCLUDEHIDDEN;
  std::vector<TPidl> items;
  items.reserve(500);
  if (const int e = folder_->EnumObjects(flags, items)) RaiseShellError(e);
  return items;
}

std::unique_ptr<TUiShellListData> TShellListContents::Admit(TPidl rel) {
  const std::uint32_t attrs = folder_->GetAttributesOf(rel.Get(), kShellListAttributeMask);
  if (!Has(sloNonFilesystemAncestors) && !(attrs & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)))
    return nullptr;
  const bool folder = (attrs & SFGAO_FOLDER) != 0;
  if (Has(sloHideFoldersWhenLinkedToTree) && LinkedToTree && folder && (attrs & SFGAO_FILESYSTEM))
    return nullptr;
  // The filter applies to files of file-system folders when it is not "*"
  // or "*.*".
  const bool filtered =
      !masks_.empty() && filter_ != "*" && filter_ != "*.*" && !folder_->Path().empty();
  if (filtered && !folder &&
      !admittedByFilter(folder_->GetDisplayNameOf(rel.Get(), SHGDN_INFOLDER | SHGDN_FORPARSING)))
    return nullptr;
  if (OnAddItem) {
    bool allow = true;
    OnAddItem(*folder_, folderPidl_.Get(), rel.Get(), static_cast<std::uint32_t>(attrs), allow);
    if (!allow) return nullptr;
  }
  return std::make_unique<TUiShellListData>(folder_, std::move(rel), attrs);
}

std::vector<std::unique_ptr<TUiShellListData>> TShellListContents::Fill() {
  if (!folder_) Bind(nullptr);
  std::vector<TPidl> pidls = enumerate();
  std::vector<std::unique_ptr<TUiShellListData>> items;
  items.reserve(pidls.size());
  for (TPidl& p : pidls)
    if (auto item = Admit(std::move(p))) items.push_back(std::move(item));
  return items;
}

TShellListContents::TRefresh TShellListContents::Refresh(
    const std::vector<const TUiShellListData*>& current) {
  std::vector<TPidl> fresh = enumerate();
  // Both sides sorted, then walked together: items present on both sides
  // stay as they are. File-system items compare by their bytes, others by
  // the folder's order.
  const bool bytes = !folder_->Path().empty();
  auto less = [&](PCItemIDList a, PCItemIDList b) {
    if (bytes) {
      const std::size_t sa = PidlSize(a), sb = PidlSize(b);
      const int c = std::char_traits<char>::compare(
          reinterpret_cast<const char*>(a), reinterpret_cast<const char*>(b), std::min(sa, sb));
      return c != 0 ? c < 0 : sa < sb;
    }
    const int c = folder_->CompareIDs(0, a, b);
    return c != kNotComparable && c < 0;
  };
  std::vector<int> oldOrder(current.size());
  for (std::size_t i = 0; i < current.size(); ++i) oldOrder[i] = static_cast<int>(i);
  std::sort(oldOrder.begin(), oldOrder.end(), [&](int a, int b) {
    return less(current[static_cast<std::size_t>(a)]->RelativePidl(),
                current[static_cast<std::size_t>(b)]->RelativePidl());
  });
  std::sort(fresh.begin(), fresh.end(),
            [&](const TPidl& a, const TPidl& b) { return less(a.Get(), b.Get()); });

  TRefresh r;
  std::vector<bool> kept(current.size(), false);
  std::size_t i = 0, j = 0;
  while (i < oldOrder.size() && j < fresh.size()) {
    PCItemIDList o = current[static_cast<std::size_t>(oldOrder[i])]->RelativePidl();
    if (less(o, fresh[j].Get())) {
      ++i;
    } else if (less(fresh[j].Get(), o)) {
      if (auto item = Admit(std::move(fresh[j]))) r.Added.push_back(std::move(item));
      ++j;
    } else {
      kept[static_cast<std::size_t>(oldOrder[i])] = true;
      ++i;
      ++j;
    }
  }
  for (; j < fresh.size(); ++j)
    if (auto item = Admit(std::move(fresh[j]))) r.Added.push_back(std::move(item));
  for (std::size_t k = 0; k < current.size(); ++k)
    if (!kept[k]) r.Removed.push_back(static_cast<int>(k));
  return r;
}

int TShellListContents::Compare(const TUiShellListData& a, const TUiShellListData& b,
                                int sortColumn) const {
  if (!folder_ || sortColumn == 0) return 0;
  const int column = (sortColumn < 0 ? -sortColumn : sortColumn) - 1;
  int c = folder_->CompareIDs(column, a.RelativePidl(), b.RelativePidl());
  if (c == kNotComparable) return 0;
  c = c < 0 ? -1 : c > 0 ? 1 : 0;
  return sortColumn < 0 ? -c : c;
}

void TShellListContents::Sort(std::vector<std::unique_ptr<TUiShellListData>>& items,
                              int sortColumn) const {
  std::stable_sort(items.begin(), items.end(),
                   [&](const auto& a, const auto& b) { return Compare(*a, *b, sortColumn) < 0; });
}

TPidl TShellListContents::NearestExistingFolder(PCItemIDList pidl) {
  for (int n = PidlCount(pidl); n > 0; --n) {
    TPidl candidate = PidlPrefix(pidl, n);
    TShellFolderPtr f;
    if (BindToFolder(candidate.Get(), f) == 0) return candidate;
  }
  return TPidl::Empty();
}

// ---- columns ---------------------------------------------------------------

namespace {

TMemoryStream& savedWidthStream() {
  static TMemoryStream s;
  return s;
}

std::string& lastRegistryBytes() {
  static std::string b;
  return b;
}

}  // namespace

void TShellListColumns::SaveWidths(const std::vector<int>& widths) {
  TMemoryStream& s = savedWidthStream();
  s.Clear();
  s.WriteLE<std::int32_t>(static_cast<std::int32_t>(widths.size()));
  for (int w : widths) s.WriteLE<std::int32_t>(w);
}

std::vector<int> TShellListColumns::SavedWidths() {
  TMemoryStream& s = savedWidthStream();
  std::vector<int> widths;
  if (s.Size() < 4) return widths;
  s.SetPosition(0);
  const auto n = s.ReadLE<std::int32_t>();
  for (std::int32_t i = 0; i < n && s.Remaining() >= 4; ++i)
    widths.push_back(s.ReadLE<std::int32_t>());
  return widths;
}

void TShellListColumns::ClearSavedWidths() {
  savedWidthStream().Clear();
  lastRegistryBytes().clear();
}

std::vector<TShellListColumn> TShellListColumns::Build(TShellDetailsSource* details,
                                                       bool fileSystemFolder) {
  std::vector<TShellListColumn> cols;
  const std::vector<int> saved = SavedWidths();
  if (details == nullptr) {
    std::uint16_t widths[11] = {200, 60, 100, 120, 50};
    TRegistryStore reg;
    std::string bytes;
    if (reg.OpenKeyReadOnly(kExplorerKey) && reg.ValueExists(kDirectoryCols)) {
      bytes = reg.ReadBinaryData(kDirectoryCols);
      if (bytes.size() <= 22) {
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
          widths[i / 2] = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[i]) |
                                                     static_cast<unsigned char>(bytes[i + 1]) << 8);
      } else {
        bytes.clear();
      }
    }
    const bool sameRegistry = bytes == lastRegistryBytes();
    lastRegistryBytes() = bytes;
    static const char* const captions[] = {"Name", "Size", "Type", "Modified"};
    for (int c = 0; c < 4; ++c)
      cols.push_back({captions[c], c == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT, widths[c]});
    if (sameRegistry && !saved.empty()) {
      // Only the columns that exist take a saved width.
      for (std::size_t c = 0; c < cols.size() && c < saved.size(); ++c) cols[c].Width = saved[c];
    }
    return cols;
  }
  TShellDetails d;
  for (int c = 0; details->GetDetailsOf(nullptr, c, d) == 0; ++c) {
    cols.push_back({d.Text,
                    d.Fmt == LVCFMT_RIGHT    ? LVCFMT_RIGHT
                    : d.Fmt == LVCFMT_CENTER ? LVCFMT_CENTER
                                             : LVCFMT_LEFT,
                    7 * d.CxChar});
    d = {};
  }
  if (fileSystemFolder && !saved.empty())
    for (std::size_t c = 0; c < cols.size() && c < saved.size(); ++c) cols[c].Width = saved[c];
  return cols;
}

}  // namespace qv
