// What the user does with shell items, without a window: the shortcut-key
// table of the shell list and tree, the data that a drag or the clipboard
// carries, and the file operations behind open, rename, delete, paste and
// drop.
//
// Data of a drag or a copy:
//   "Shell IDList Array": uint32 count N, N + 1 uint32 offsets from the
//     start of the block, the folder's absolute list (the empty list for
//     the desktop), then the N relative lists, each with its terminator;
//     offset 0 points at the folder, offset i at item i. Readers bound every
//     offset and list by the block (ParseIdListArray).
//   "text/uri-list": one file:// URI per item, CR LF after each, bytes that
//     are not unreserved percent-encoded (other programs' drops use it).
//   "Preferred DropEffect": uint32, DROPEFFECT_MOVE for a cut.
//
// File operations never replace an existing item: a copy or move onto a
// taken name goes to the next free name "name (2).ext", "name (3).ext", ...
// Copies are written to a temporary name in the target folder and renamed
// into place, so a failed copy leaves nothing half-written under the final
// name. Delete moves items to the freedesktop.org trash with their
// ".trashinfo" files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/UiShellChangeThread.h"
#include "controls/UiShellIntf.h"
#include "platform/core/ControlCore.h"
#include "platform/core/ShortCuts.h"

namespace qv {

// ---- keys ------------------------------------------------------------------

using TShortCut = std::uint16_t;

// The shortcut of a key and shift state (the texts of the key table are
// read and written by ShortCuts.h in its Shell form).
TShortCut ShellShortCut(int key, TShiftState shift);

// The commands of the key table, by row.
enum TUiShellKeyCommand : std::uint8_t {
  skSelectAll,  // "Ctrl+A"
  skDelete,     // "Del"
  skCopy,       // "Ctrl+C"
  skCut,        // "Ctrl+X"
  skPaste,      // "Ctrl+V"
  skRefresh,    // "F5"
  skRename,     // "F2"
  skCommandCount
};
struct TUiShellControlDefKeyRec {
  const char* Text;
  TShortCut ShortCut;  // computed from Text (TextToShortCut, Shell form)
};
// The seven rows, shared by list and tree.
const TUiShellControlDefKeyRec* ShellKeyTable();
// The row a key runs (rows tried in the order 0, 5, 2, 3, 4, 6, 1); -1 for
// none.
int FindShellKeyCommand(int key, TShiftState shift);

// Messages the shell controls post to themselves.
constexpr int WM_SHELL_EDIT_NAMED = WM_USER + 102;  // label editing of a remembered name
constexpr int WM_SHELL_FILL_EMPTY = WM_USER + 103;  // fill when empty
constexpr int WM_SHELL_REWATCH = WM_USER + 104;     // watch the open folders again

// Timer ids of the shell controls.
constexpr int ShellRefreshTimer = 311;
constexpr int ShellDragScrollTimer = 312;
constexpr int ShellPendingTimer = 313;
constexpr int ShellTreeUpdateTimer = 314;

// One entry of the shell controls' context menu; Id 0 is a separator.
struct TUiShellMenuItem {
  int Id = 0;
  std::string Caption;
  bool Enabled = true;
  bool Default = false;
};
// Menu commands.
enum TUiShellMenuCommand : int { smOpen = 1, smCut, smCopy, smPaste, smRename, smTrash };

// ---- data of drags and the clipboard ----------------------------------------

inline constexpr const char* CFSTR_SHELLIDLIST = "Shell IDList Array";
inline constexpr const char* CFSTR_URILIST = "text/uri-list";
inline constexpr const char* CFSTR_PREFERREDDROPEFFECT = "Preferred DropEffect";
constexpr std::uint32_t DROPEFFECT_NONE = 0, DROPEFFECT_COPY = 1, DROPEFFECT_MOVE = 2,
                        DROPEFFECT_LINK = 4;

std::string BuildIdListArray(PCItemIDList folder, const std::vector<TPidl>& items);
// False when the block is damaged (a count, offset or list outside it).
bool ParseIdListArray(std::string_view block, TPidl& folder, std::vector<TPidl>& items);
// Absolute lists of the items of a block (folder joined with each item).
std::vector<TPidl> AbsoluteItemsOfIdListArray(std::string_view block);

std::string BuildUriList(const std::vector<std::string>& paths);
// The local paths of the file:// URIs of a uri-list ("#" lines and other
// schemes skipped).
std::vector<std::string> ParseUriList(std::string_view text);

// The data of one drag or copy: what the items are, in every format.
class TShellDataObject {
 public:
  // folder: the absolute list of the items' folder; items: relative lists.
  TShellDataObject(PCItemIDList folder, std::vector<TPidl> items);
  TShellDataObject(const TShellDataObject&) = delete;
  TShellDataObject& operator=(const TShellDataObject&) = delete;

  const std::vector<std::string>& Formats() const { return formats_; }
  bool QueryGetData(std::string_view format) const;
  // "" for a format it does not hold.
  std::string GetData(std::string_view format) const;
  const std::vector<std::string>& Paths() const { return paths_; }
  const std::vector<TPidl>& AbsoluteItems() const { return absolute_; }

 private:
  std::string idList_;
  std::string uriList_;
  std::vector<std::string> formats_;
  std::vector<std::string> paths_;
  std::vector<TPidl> absolute_;
};

// ---- file operations ---------------------------------------------------------

// The outcome of an operation over several items: what was created (paths)
// and, on failure, the message of the first failure (the items before it
// are done).
struct TShellOpResult {
  bool Ok = true;
  std::string Message;
  std::vector<std::string> Created;
};

// "name (2).ext" style: the first of name, "stem (2)ext", "stem (3)ext" ...
// that does not exist in the folder.
std::string FreeItemName(const std::string& folder, const std::string& name);
// Copies or moves the items into a folder, never replacing anything. A
// move within one file system renames; across file systems it copies and
// then removes the source. A folder is never put into itself.
TShellOpResult TransferItems(const std::vector<std::string>& sources, const std::string& folder,
                             bool move);
// The effect of dropping paths into a folder: none for items already
// there (or the folder itself), else a move within one file system and a
// copy across; Ctrl copies, Shift moves.
std::uint32_t ShellDropEffect(const std::vector<std::string>& paths, const std::string& folder,
                              TShiftState shift);
// Moves items to the trash (the home trash, or the trash at the top of
// another file system), each with its info file.
TShellOpResult MoveToTrash(const std::vector<std::string>& paths);
// The home trash folder ($XDG_DATA_HOME/Trash).
std::string HomeTrashDir();

// Opens a file with the desktop's default application through the
// desktop's opener (StartShellOpener in platform/core/Services.h), which
// never waits. Returns the shell's code: above 32 when the opener started,
// else 2 (file not found), 3 (path not found), 5 (access denied) or 31 (the
// opener could not start). When the opener later ends with a failure,
// onFailure runs on the UI thread with 2 (its status 2: file not found) or
// 31 (no application).
int ShellExecuteOpen(const std::string& file, const std::string& folder = {},
                     std::function<void(int code)> onFailure = nullptr);
// The message for a code of ShellExecuteOpen (those of the shell's table);
// "" for success and for codes without a message.
std::string ShellExecuteErrorMessage(int code);

// Puts items on the clipboard for a later paste (cut: the paste moves them).
void SetShellClipboard(const TShellDataObject& data, bool cut);
// The items on the clipboard and whether they were cut; false when it
// holds none.
bool GetShellClipboard(std::vector<std::string>& paths, bool& cut);

}  // namespace qv
