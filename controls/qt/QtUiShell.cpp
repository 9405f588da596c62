#include "controls/qt/QtUiShell.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFile>
#include <QMenu>
#include <QMimeDatabase>
#include <QScreen>
#include <QSocketNotifier>
#include <QStyle>
#include <QUrl>

#include "controls/UiShellIcons.h"
#include "platform/core/Services.h"
#include "platform/gui/QtThreadPost.h"

namespace qv {

namespace {

std::string mimeTypeName(const std::string& path) {
  static QMimeDatabase db;
  const QMimeType t =
      db.mimeTypeForFile(QString::fromStdString(path), QMimeDatabase::MatchExtension);
  if (!t.isValid() || t.isDefault()) return {};
  return t.comment().toStdString();
}

// An icon at a size as a list image: transparent pixels in clFuchsia.
TImage iconImage(const QIcon& icon, int size) {
  const QImage q =
      icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32).scaled(size, size);
  TImage img(size, size, clFuchsia);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const QRgb p = q.pixel(x, y);
      if (qAlpha(p) >= 128)
        img.SetPixel(x, y, static_cast<TColor>(RGB(qRed(p), qGreen(p), qBlue(p))));
    }
  return img;
}

// The theme's icons where the theme has them; the style's standard ones
// for the places; the drawn ones otherwise.
void installThemeIcons() {
  QStyle* style = QApplication::style();
  struct TMap {
    TShellIcon Icon;
    const char* Theme;
    int Standard;  // QStyle::StandardPixmap, -1 for none
  };
  const TMap map[] = {
      {siDocument, "text-x-generic", QStyle::SP_FileIcon},
      {siFolder, "folder", QStyle::SP_DirIcon},
      {siFolderOpen, "folder-open", QStyle::SP_DirOpenIcon},
      {siComputer, "computer", QStyle::SP_ComputerIcon},
      {siHome, "user-home", QStyle::SP_DirHomeIcon},
      {siDrive, "drive-harddisk", QStyle::SP_DriveHDIcon},
      {siRemovable, "drive-removable-media", QStyle::SP_DriveFDIcon},
      {siNetwork, "network-server", QStyle::SP_DriveNetIcon},
      {siOptical, "media-optical", QStyle::SP_DriveCDIcon},
      {siText, "text-x-generic", -1},
      {siLinkOverlay, "emblem-symbolic-link", -1},
      {siShareOverlay, "emblem-shared", -1},
  };
  for (const TMap& m : map) {
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(m.Theme));
    if (icon.isNull() && m.Standard >= 0 && style)
      icon = style->standardIcon(static_cast<QStyle::StandardPixmap>(m.Standard));
    if (icon.isNull()) continue;
    ReplaceSystemIcon(m.Icon, iconImage(icon, 16), iconImage(icon, 32));
  }
}

// Mount changes: the mount table reports them as an exceptional condition.
void watchMounts() {
  auto* file = new QFile(QString::fromStdString(MountInfoFile()), qApp);
  if (!file->open(QIODevice::ReadOnly)) {
    delete file;
    return;
  }
  auto* notifier = new QSocketNotifier(file->handle(), QSocketNotifier::Exception, file);
  TUiDeviceChangeHandler::Instance().CheckMounts();  // records the mounts of now
  QObject::connect(notifier, &QSocketNotifier::activated, file, [] {
    try {
      TUiDeviceChangeHandler::Instance().CheckMounts();
    } catch (const std::exception& e) {
      ReportHostException("Mount change", e.what());
    }
  });
}

std::uint32_t qtToEffect(Qt::DropAction a) {
  switch (a) {
    case Qt::CopyAction:
      return DROPEFFECT_COPY;
    case Qt::MoveAction:
      return DROPEFFECT_MOVE;
    case Qt::LinkAction:
      return DROPEFFECT_LINK;
    default:
      return DROPEFFECT_NONE;
  }
}

Qt::DropAction effectToQt(std::uint32_t e) {
  if (e & DROPEFFECT_MOVE) return Qt::MoveAction;
  if (e & DROPEFFECT_COPY) return Qt::CopyAction;
  return Qt::IgnoreAction;
}

TShiftState dropShift(const QDropEvent& e) { return QtShiftState(e.modifiers(), e.buttons()); }

std::uint32_t runDrag(QWidget* source, const TShellDataObject& data) {
  auto* drag = new QDrag(source);  // owned by Qt, deleted after exec
  drag->setMimeData(ShellMimeData(data));
  return qtToEffect(drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction));
}

int runMenu(QWidget* viewport, const std::vector<TUiShellMenuItem>& items, int x, int y) {
  QMenu menu(viewport);
  FillShellMenu(menu, items);
  QAction* chosen = menu.exec(viewport->mapToGlobal(QPoint(x, y)));
  return chosen ? chosen->data().toInt() : 0;
}

// The drop handlers of the list and the tree share one form.
template <class Core>
void handleDrag(Core& core, QDropEvent* e, bool drop) {
  const std::vector<std::string> paths = DroppedPaths(*e->mimeData());
  const QPoint p = e->position().toPoint();
  std::uint32_t effect = DROPEFFECT_NONE;
  try {
    effect = drop ? core.Drop(paths, p.x(), p.y(), dropShift(*e))
                  : core.DragOver(paths, p.x(), p.y(), dropShift(*e));
  } catch (const std::exception& ex) {
    ReportHostException(drop ? "Drop" : "Drag", ex.what());
  }
  if (effect == DROPEFFECT_NONE) {
    e->ignore();
    return;
  }
  e->setDropAction(effectToQt(effect));
  e->accept();
}

// The list's and the tree's hooks: drags, menus, and drops accepted.
template <class Core>
void wireCore(Core& core, QWidget* widget, QWidget* viewport) {
  widget->setAcceptDrops(true);
  viewport->setAcceptDrops(true);
  core.StartDrag = [widget](const TShellDataObject& data, TMouseButton) {
    return runDrag(widget, data);
  };
  core.ShowMenu = [viewport](const std::vector<TUiShellMenuItem>& items, int x, int y) {
    return runMenu(viewport, items, x, y);
  };
}

template <class Core>
void unwireCore(Core& core) {
  core.StartDrag = nullptr;
  core.ShowMenu = nullptr;
}

}  // namespace

void InstallShellQt() {
  static bool done = false;
  if (done || QCoreApplication::instance() == nullptr) return;
  done = true;
  InstallQtUiQueue();
  SetShellTypeNameProvider(&mimeTypeName);
  installThemeIcons();
  watchMounts();
}

std::vector<std::string> DroppedPaths(const QMimeData& mime) {
  std::vector<std::string> paths;
  for (const QUrl& u : mime.urls())
    if (u.isLocalFile()) paths.push_back(QFile::encodeName(u.toLocalFile()).toStdString());
  return paths;
}

QMimeData* ShellMimeData(const TShellDataObject& data) {
  auto* mime = new QMimeData;
  QList<QUrl> urls;
  for (const std::string& p : data.Paths())
    urls.push_back(QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(p))));
  mime->setUrls(urls);
  const std::string block = data.GetData(CFSTR_SHELLIDLIST);
  mime->setData(QString::fromStdString(ClipboardFormatMime(CFSTR_SHELLIDLIST)),
                QByteArray(block.data(), static_cast<qsizetype>(block.size())));
  return mime;
}

void FillShellMenu(QMenu& menu, const std::vector<TUiShellMenuItem>& items) {
  for (const TUiShellMenuItem& item : items) {
    if (item.Id == 0) {
      menu.addSeparator();
      continue;
    }
    QAction* a = menu.addAction(QString::fromStdString(item.Caption));
    a->setData(item.Id);
    a->setEnabled(item.Enabled);
    if (item.Default) menu.setDefaultAction(a);
  }
}

// ---- list ------------------------------------------------------------------------------

TUiShellListWidget::TUiShellListWidget(QWidget* parent)
    : TUiListViewWidget((InstallShellQt(), std::make_unique<TUiShellList>()), parent) {
  list_ = static_cast<TUiShellList*>(&ListView());
  wireCore(*list_, this, viewport());
}

TUiShellListWidget::~TUiShellListWidget() { unwireCore(*list_); }

void TUiShellListWidget::dragEnterEvent(QDragEnterEvent* e) { handleDrag(*list_, e, false); }
void TUiShellListWidget::dragMoveEvent(QDragMoveEvent* e) { handleDrag(*list_, e, false); }
void TUiShellListWidget::dragLeaveEvent(QDragLeaveEvent*) { list_->DragLeave(); }
void TUiShellListWidget::dropEvent(QDropEvent* e) { handleDrag(*list_, e, true); }

// ---- tree ------------------------------------------------------------------------------

TUiShellTreeWidget::TUiShellTreeWidget(QWidget* parent)
    : TUiTreeViewWidget((InstallShellQt(), std::make_unique<TUiShellTree>()), parent) {
  tree_ = static_cast<TUiShellTree*>(&TreeView());
  wireCore(*tree_, this, viewport());
}

TUiShellTreeWidget::~TUiShellTreeWidget() { unwireCore(*tree_); }

void TUiShellTreeWidget::dragEnterEvent(QDragEnterEvent* e) { handleDrag(*tree_, e, false); }
void TUiShellTreeWidget::dragMoveEvent(QDragMoveEvent* e) { handleDrag(*tree_, e, false); }
void TUiShellTreeWidget::dragLeaveEvent(QDragLeaveEvent*) { tree_->DragLeave(); }
void TUiShellTreeWidget::dropEvent(QDropEvent* e) { handleDrag(*tree_, e, true); }

// ---- combo -----------------------------------------------------------------------------

TUiShellComboWidget::TUiShellComboWidget(QWidget* parent)
    : TUiComboBoxWidget((InstallShellQt(), std::make_unique<TUiShellCombo>()), parent) {
  combo_ = static_cast<TUiShellCombo*>(&ComboBox());
  combo_->ScreenSpaceBelow = [this] {
    const QScreen* s = screen();
    if (s == nullptr) return 0;
    return s->availableGeometry().bottom() - mapToGlobal(QPoint(0, height())).y();
  };
}

TUiShellComboWidget::~TUiShellComboWidget() { combo_->ScreenSpaceBelow = nullptr; }

}  // namespace qv
