#include "platform/gui/QtCustomForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <map>

#include "platform/core/Services.h"
#include "platform/gui/QtCanvas.h"

namespace qv {

namespace {

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

QString QStr(const std::string& s) { return QString::fromStdString(s); }

QStyle::StandardPixmap IconPixmap(TFormIcon icon) {
  switch (icon) {
    case fiInformation:
      return QStyle::SP_MessageBoxInformation;
    case fiWarning:
      return QStyle::SP_MessageBoxWarning;
    case fiError:
      return QStyle::SP_MessageBoxCritical;
    default:
      return QStyle::SP_MessageBoxQuestion;
  }
}

class TQtFormDialog : public QDialog {
 public:
  explicit TQtFormDialog(TFormSpec& form) : form_(form) {
    setWindowTitle(QStr(form.Caption));
    setObjectName(QStr(form.Name));
    // The forms are laid out for the program's dialog font.
    setFont(ToQFont(TFont()));
    setFixedSize(form.ClientWidth, form.ClientHeight);
    // Containers first, so that their controls can be placed in them.
    for (const TFormControl& c : form.Controls)
      if (c.Kind == fcGroupBox || c.Kind == fcRadioGroup) Build(c);
    for (const TFormControl& c : form.Controls)
      if (c.Kind != fcGroupBox && c.Kind != fcRadioGroup) Build(c);
    for (const TFormControl& c : form.Controls)
      if (c.Kind == fcLabel && !c.FocusControl.empty())
        if (QWidget* buddy = Widget(c.FocusControl))
          static_cast<QLabel*>(widgets_[c.Name])->setBuddy(buddy);
    if (QWidget* w = Widget(form.ActiveControl)) w->setFocus();
    if (form.Centered) {
      if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(form.ClientWidth / 2, form.ClientHeight / 2));
      }
    } else {
      move(form.Left, form.Top);
    }
  }

  // The values the user left in the controls.
  void ReadBack() {
    for (TFormControl& c : form_.Controls) {
      QWidget* w = Widget(c.Name);
      if (!w) continue;
      switch (c.Kind) {
        case fcEdit:
          c.Text = static_cast<QLineEdit*>(w)->text().toStdString();
          break;
        case fcComboBox:
          c.Text = static_cast<QComboBox*>(w)->currentText().toStdString();
          break;
        case fcCheckBox:
          c.Checked = static_cast<QCheckBox*>(w)->isChecked();
          break;
        case fcRadioGroup:
          c.ItemIndex = radioGroups_[c.Name]->checkedId();
          break;
        default:
          break;
      }
    }
  }

  void reject() override { done(cancelResult_); }

 private:
  QWidget* Widget(const std::string& name) const {
    auto it = widgets_.find(name);
    return it == widgets_.end() ? nullptr : it->second;
  }

  void Build(const TFormControl& c) {
    QWidget* parent = this;
    if (!c.Parent.empty())
      if (QWidget* p = Widget(c.Parent)) parent = p;
    QWidget* w = nullptr;
    switch (c.Kind) {
      case fcLabel: {
        auto* l = new QLabel(QStr(c.Caption), parent);
        l->setWordWrap(c.WordWrap);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        w = l;
        break;
      }
      case fcEdit:
        w = new QLineEdit(QStr(c.Text), parent);
        break;
      case fcComboBox: {
        auto* b = new QComboBox(parent);
        b->setEditable(true);
        b->setInsertPolicy(QComboBox::NoInsert);
        for (const std::string& item : c.Items) b->addItem(QStr(item));
        b->setEditText(QStr(c.Text));
        w = b;
        break;
      }
      case fcCheckBox: {
        auto* b = new QCheckBox(QStr(c.Caption), parent);
        b->setChecked(c.Checked);
        w = b;
        break;
      }
      case fcGroupBox:
        w = new QGroupBox(QStr(c.Caption), parent);
        break;
      case fcRadioGroup: {
        auto* g = new QGroupBox(QStr(c.Caption), parent);
        auto* group = new QButtonGroup(g);
        const int rows = std::max<int>(1, int(c.Items.size()));
        const int step = std::max(16, (c.Bounds.Height() - 22) / rows);
        for (int i = 0; i < int(c.Items.size()); ++i) {
          auto* r = new QRadioButton(QStr(c.Items[size_t(i)]), g);
          r->setObjectName(QStr(c.Name + "." + std::to_string(i)));
          r->setGeometry(8, 18 + i * step, c.Bounds.Width() - 16, 17);
          r->setChecked(i == c.ItemIndex);
          group->addButton(r, i);
        }
        radioGroups_[c.Name] = group;
        w = g;
        break;
      }
      case fcButton: {
        auto* b = new QPushButton(QStr(c.Caption), parent);
        b->setAutoDefault(false);
        b->setDefault(c.Default);
        const int result = c.ModalResult;
        if (c.Cancel) cancelResult_ = result ? result : mrCancel;
        if (result) connect(b, &QPushButton::clicked, this, [this, result] { done(result); });
        w = b;
        break;
      }
      case fcImage: {
        auto* l = new QLabel(parent);
        const int size = std::min(c.Bounds.Width(), c.Bounds.Height());
        l->setPixmap(style()->standardIcon(IconPixmap(c.Icon)).pixmap(size, size));
        w = l;
        break;
      }
    }
    w->setObjectName(QStr(c.Name));
    w->setGeometry(ToQRect(c.Bounds));
    widgets_[c.Name] = w;
  }

  TFormSpec& form_;
  std::map<std::string, QWidget*> widgets_;
  std::map<std::string, QButtonGroup*> radioGroups_;
  int cancelResult_ = mrCancel;
};

}  // namespace

int ShowQtForm(TFormSpec& form) {
  TQtFormDialog dialog(form);
  const int result = dialog.exec();
  dialog.ReadBack();
  return result == QDialog::Rejected ? mrCancel : result;
}

}  // namespace qv
