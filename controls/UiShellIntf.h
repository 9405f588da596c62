// The shell namespace as the shell controls see it: item-ID lists, the
// attribute, enumeration and display-name constants, and the folder
// interface through which every folder of the namespace is read.
//
// Item-ID lists (PIDLs). A PIDL names a shell item by the chain of IDs that
// leads to it from the desktop. Byte layout: each ID is a 16-bit
// little-endian byte count (the count's own two bytes included) followed by
// its payload; the list ends with a 16-bit zero. The size of a list is the
// sum of the counts plus 2; the empty list (only the terminator) is the
// desktop itself. Our payloads:
//   root item of the desktop   0x1F, a sub-kind byte ('H' the home folder,
//                              'R' the file-system root, 'M' a mount), then
//                              the item's absolute path (native bytes)
//   item of a file-system      one kind byte (kIdFolder or kIdFile, plus
//   folder                     kIdLinkBit for a symbolic link), then the
//                              item's name (native bytes, never changed)
// The desktop is a virtual "Computer" holding the home folder, the file
// system and the user-visible mounts.
//
// A PIDL from outside (a stream, a drop, the clipboard) is only used after
// ValidatePidl has checked its chain; the namespace then checks each ID
// (known kind, a name without "/" or NUL and other than "." and "..", an
// absolute normal root path) before it touches the disk.
//
// Folders (TShellFolder) are shared objects (std::shared_ptr); every call
// runs on the UI thread. Calls that can fail return an errno value (0 for
// success); the message is SysErrorMessage of it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// ---- item-ID lists ---------------------------------------------------------

// A pointer to the first ID of a list in memory; nullptr is "no list".
using PCItemIDList = const std::uint8_t*;

// ID payload kinds.
constexpr std::uint8_t kIdRoot = 0x1F;
constexpr std::uint8_t kIdFolder = 0x31;
constexpr std::uint8_t kIdFile = 0x32;
constexpr std::uint8_t kIdLinkBit = 0x04;  // added to kIdFolder / kIdFile
constexpr std::uint8_t kRootHome = 'H', kRootFileSystem = 'R', kRootMount = 'M';

// An owned item-ID list (the bytes, terminator included), or null. Lists
// are values: copying copies the bytes.
class TPidl {
 public:
  TPidl() = default;
  // The empty list (the desktop).
  static TPidl Empty();
  // A copy of a list in memory (null for null). The list must be valid.
  static TPidl Copy(PCItemIDList p);
  // Takes bytes that ValidatePidl accepted in full.
  static TPidl FromValidBytes(std::string bytes);
  // One ID with the given payload, plus the terminator.
  static TPidl MakeId(std::string_view payload);

  bool IsNull() const { return bytes_.empty(); }
  // A list with no IDs (the desktop); false for null.
  bool IsEmptyList() const { return bytes_.size() == 2; }
  explicit operator bool() const { return !IsNull(); }
  PCItemIDList Get() const {
    return IsNull() ? nullptr : reinterpret_cast<PCItemIDList>(bytes_.data());
  }
  // 0 for null, else the byte count with the terminator.
  std::size_t Size() const { return bytes_.size(); }
  const std::string& Bytes() const { return bytes_; }
  void Reset() { bytes_.clear(); }

  friend bool operator==(const TPidl& a, const TPidl& b) { return a.bytes_ == b.bytes_; }

 private:
  std::string bytes_;
};

// The byte count of an ID (the first two bytes), 0 at the terminator.
inline std::uint16_t PidlIdSize(PCItemIDList p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
// The next ID of a list (p must not be at the terminator).
inline PCItemIDList PidlNext(PCItemIDList p) { return p + PidlIdSize(p); }
// Size of a valid list including the terminator; 0 for null.
std::size_t PidlSize(PCItemIDList p);
// Number of IDs; 0 for null or empty.
int PidlCount(PCItemIDList p);
// The payload of the first ID (empty at the terminator).
std::string_view PidlPayload(PCItemIDList p);
// The last ID of a list (the terminator of an empty list).
PCItemIDList PidlLast(PCItemIDList p);
// The first count IDs of a list as a list of their own; null when the list
// has fewer (count 0 gives the empty list).
TPidl PidlPrefix(PCItemIDList p, int count);
// Whether data[0..len) begins with a complete list: every count at least 3
// and within the bytes, ended by a terminator. used (when given) receives
// the list's size.
bool ValidatePidl(const void* data, std::size_t len, std::size_t* used = nullptr);

// ---- constants -------------------------------------------------------------

// Attributes (the shell's SFGAO values).
constexpr std::uint32_t SFGAO_CANCOPY = 0x1, SFGAO_CANMOVE = 0x2, SFGAO_CANLINK = 0x4;
constexpr std::uint32_t SFGAO_CANRENAME = 0x10, SFGAO_CANDELETE = 0x20;
constexpr std::uint32_t SFGAO_DROPTARGET = 0x100;
constexpr std::uint32_t SFGAO_LINK = 0x00010000, SFGAO_SHARE = 0x00020000;
constexpr std::uint32_t SFGAO_READONLY = 0x00040000, SFGAO_GHOSTED = 0x00080000;
constexpr std::uint32_t SFGAO_HIDDEN = 0x00080000;
constexpr std::uint32_t SFGAO_VALIDATE = 0x01000000, SFGAO_REMOVABLE = 0x02000000;
constexpr std::uint32_t SFGAO_FILESYSANCESTOR = 0x10000000, SFGAO_FOLDER = 0x20000000;
constexpr std::uint32_t SFGAO_FILESYSTEM = 0x40000000, SFGAO_HASSUBFOLDER = 0x80000000;

// Enumeration flags.
constexpr unsigned SHCONTF_FOLDERS = 0x20, SHCONTF_NONFOLDERS = 0x40;
constexpr unsigned SHCONTF_INCLUDEHIDDEN = 0x80;

// Display-name flags.
constexpr unsigned SHGDN_NORMAL = 0, SHGDN_INFOLDER = 1, SHGDN_FOREDITING = 0x1000;
constexpr unsigned SHGDN_FORPARSING = 0x8000;

// Column state and alignment of a folder's detail columns.
constexpr unsigned SHCOLSTATE_ONBYDEFAULT = 0x10;
constexpr int LVCFMT_LEFT = 0, LVCFMT_RIGHT = 1, LVCFMT_CENTER = 2;

// Special folders (CSIDL numbers); 50 means none.
constexpr int CSIDL_DESKTOP = 0, CSIDL_PERSONAL = 5, CSIDL_SENDTO = 9, CSIDL_MYMUSIC = 13;
constexpr int CSIDL_MYVIDEO = 14, CSIDL_DESKTOPDIRECTORY = 16, CSIDL_DRIVES = 17;
constexpr int CSIDL_TEMPLATES = 21, CSIDL_APPDATA = 26, CSIDL_LOCAL_APPDATA = 28;
constexpr int CSIDL_MYPICTURES = 39, CSIDL_PROFILE = 40, CSIDL_NONE = 50;

// Device events (the system's DBT values).
constexpr int DBT_DEVICEARRIVAL = 0x8000, DBT_DEVICEREMOVECOMPLETE = 0x8004;

// The comparison result of two items that cannot be compared.
constexpr int kNotComparable = 0x7FFFFFFF;

// ---- folders ---------------------------------------------------------------

// One column of a folder's details, or one item's text in it.
struct TShellDetails {
  int Fmt = LVCFMT_LEFT;  // alignment
  int CxChar = 0;         // width in average characters (headers)
  std::string Text;
};

class TShellFolder;
using TShellFolderPtr = std::shared_ptr<TShellFolder>;

// A folder of the namespace. Relative PIDLs passed in are IDs of this
// folder's items (BindToObject and CompareIDs also take longer chains
// below it).
class TShellFolder {
 public:
  explicit TShellFolder(TPidl absolute) : absolute_(std::move(absolute)) {}
  virtual ~TShellFolder() = default;
  TShellFolder(const TShellFolder&) = delete;
  TShellFolder& operator=(const TShellFolder&) = delete;

  // The folder's own absolute PIDL (empty for the desktop).
  const TPidl& AbsolutePidl() const { return absolute_; }
  // The file-system path, "" for a virtual folder.
  virtual std::string Path() const { return {}; }

  // The items, each a one-ID list, in the order the system gives them.
  // SHCONTF_FOLDERS / SHCONTF_NONFOLDERS choose the kinds,
  // SHCONTF_INCLUDEHIDDEN adds hidden items. 0 or an errno value.
  virtual int EnumObjects(unsigned flags, std::vector<TPidl>& items) = 0;
  // The attributes of an item, limited to mask; 0 for an ID that is not valid.
  virtual std::uint32_t GetAttributesOf(PCItemIDList rel, std::uint32_t mask) = 0;
  // Order of two items by a column: < 0, 0 (the same item) or > 0; column 0
  // is the name. kNotComparable when an ID is not valid here.
  virtual int CompareIDs(int column, PCItemIDList a, PCItemIDList b) = 0;
  // The name of an item by the SHGDN flags; "" when the ID is not valid.
  virtual std::string GetDisplayNameOf(PCItemIDList rel, unsigned flags) = 0;
  // The folder of an item (a chain of IDs below this folder).
  virtual int BindToObject(PCItemIDList rel, TShellFolderPtr& folder) = 0;
  // Renames an item; on success newRel is the item's new ID.
  virtual int SetNameOf(PCItemIDList rel, const std::string& name, TPidl& newRel);

  // The folder's own detail columns (its second interface); folders without
  // them answer false and the list shows its four default columns.
  virtual bool HasDetails() const { return false; }
  virtual int GetDefaultColumnState(int column, unsigned& state);
  // rel null: the column's header; else the item's text. EINVAL past the
  // last column.
  virtual int GetDetailsOf(PCItemIDList rel, int column, TShellDetails& details);

 private:
  TPidl absolute_;
};

// The details of a folder as the list reads them.
class TShellDetailsSource {
 public:
  virtual ~TShellDetailsSource() = default;
  virtual int GetDetailsOf(PCItemIDList rel, int column, TShellDetails& details) = 0;
  virtual int ColumnClick(int column);  // not implemented: ENOSYS
};
using TShellDetailsPtr = std::shared_ptr<TShellDetailsSource>;

// Presents a folder's own columns as details, cut at the first column that
// is not shown by default: a column whose state is known but lacks
// SHCOLSTATE_ONBYDEFAULT answers EINVAL, so a caller adding columns until
// the first failure shows the leading default ones.
class TShellFolder2ToShellDetailsAdapter : public TShellDetailsSource {
 public:
  explicit TShellFolder2ToShellDetailsAdapter(TShellFolderPtr folder)
      : folder_(std::move(folder)) {}
  int GetDetailsOf(PCItemIDList rel, int column, TShellDetails& details) override;

 private:
  TShellFolderPtr folder_;
};

// The details of a folder: the adapter when the folder has its own
// columns, else none (null).
TShellDetailsPtr FolderDetails(const TShellFolderPtr& folder);

}  // namespace qv
