// The code editor on a window: a Qt widget hosting a TCustomCodeEdit. The
// editor core does all painting, input handling and editing; the widget
// carries Qt's events to it and answers what the editor asks of its window
// (TCodeEditHost): drags between editors, the pointer and the modifiers,
// screen coordinates, the drag distance, the input method's position, the
// scroll hint and the wheel setting.
//
//   TCodeEditWidget memo(parent);            // owns a TCodeEdit
//   memo.Edit().SetText("model ...");
//   memo.Edit().SetHighlighter(&sampleSyn);
//
// Clipboard commands go through the clipboard service: the program installs
// the Qt one (InstallQtServices) so that copies reach other programs.
// Failures of a command (a clipboard fault raises ECodeEditError) are
// caught at the widget and go to the host exception reporter.
//
// Drops: a block dragged from an editor of this program is dropped through
// the target editor's DragDrop (moved or copied as the editor decides);
// files dropped from other programs reach OnDropFiles when the editor has
// eoDropFiles.
//
// For pop-ups that serve the editor (the completion list): key hooks see
// every key before the editor does, and CaretScreenPos gives the point
// below the caret where such a pop-up opens.
#pragma once

#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "editor/CodeEdit.h"
#include "platform/gui/QtHost.h"

class QMimeData;

namespace qv {

class TQtHintWindow;

class TCodeEditWidget : public TControlWidget, public TCodeEditHost {
  Q_OBJECT
 public:
  // A widget with an editor of its own.
  explicit TCodeEditWidget(QWidget* parent = nullptr);
  // A widget showing Edit, which it does not own; the editor must outlive
  // the widget.
  explicit TCodeEditWidget(TCodeEdit& Edit, QWidget* parent = nullptr);
  ~TCodeEditWidget() override;
  TCodeEditWidget(const TCodeEditWidget&) = delete;
  TCodeEditWidget& operator=(const TCodeEditWidget&) = delete;

  TCodeEdit& Edit() { return *edit_; }
  const TCodeEdit& Edit() const { return *edit_; }
  // The widget showing an editor, null when it has none.
  static TCodeEditWidget* Of(const TCustomCodeEdit& Edit);
  // The editor's default size: 200 x 150.
  QSize sizeHint() const override { return QSize(200, 150); }

  // ---- serving pop-ups ----
  // A key hook sees each key press before the editor and answers true to
  // take it (the editor then never sees it). Hooks run from the last added
  // to the first; Owner identifies the hooks of one client for removal.
  using TKeyHook = std::function<bool(QKeyEvent* Event)>;
  void AddKeyHook(const void* Owner, TKeyHook Hook);
  void RemoveKeyHooks(const void* Owner);
  // The caret's pixel position in screen coordinates, one line lower with
  // BelowLine (where a list opens under the typed text).
  QPoint CaretScreenPos(bool BelowLine = true) const;

  // ---- TCodeEditHost ----
  void BeginDrag() override;
  TPoint CursorPos() const override;
  TShiftState KeyboardShift() const override;
  TPoint ClientToScreen(TPoint P) const override;
  TSize DragThreshold() const override;
  void SetCompositionPos(int X, int Y) override;
  void ShowScrollHint(const std::string& Text, TPoint ScreenPos, TColor Color) override;
  void HideScrollHint() override;
  int WheelScrollLines() const override;
  void WindowStyleChanged() override;

  // The drag data of a block dragged from Source (what BeginDrag puts on
  // the drag), and the editor such data came from (null when it is not
  // from a live editor widget of this program).
  static QMimeData* DragData(const TCodeEditWidget& Source);
  static TCodeEditWidget* DragSource(const QMimeData* Data);
  // The hint window the editors share (null until one was shown).
  static TQtHintWindow* ScrollHintWindow();

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  bool focusNextPrevChild(bool next) override;
  void focusOutEvent(QFocusEvent* e) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dragLeaveEvent(QDragLeaveEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  void Init();
  void StartDrag();
  // Accepts or refuses a drag at a point (enter and move).
  void DragAt(QDropEvent* e, TDragState State);
  static std::vector<std::string> DroppedFiles(const QMimeData* Data);

  std::unique_ptr<TCodeEdit> owned_;
  TCodeEdit* edit_;
  std::vector<std::pair<const void*, TKeyHook>> keyHooks_;
  TPoint compositionPos_;
  TBorderStyle appliedBorder_ = bsNone;
  QPointer<TCodeEditWidget> dragSource_;  // the editor whose block is over this one
  bool dragPending_ = false;
};

}  // namespace qv
