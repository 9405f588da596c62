#include "app/AppControls.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>
#include <QVariant>

namespace qv {

TRadioGroupBox::TRadioGroupBox(const std::string& caption, const std::vector<std::string>& items,
                               QWidget* parent)
    : QGroupBox(QStr(caption), parent), group_(new QButtonGroup(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(2);
  layout->setContentsMargins(8, caption.empty() ? 4 : 8, 8, 4);
  for (std::size_t i = 0; i < items.size(); ++i) {
    auto* b = new QRadioButton(QStr(items[i]), this);
    layout->addWidget(b);
    group_->addButton(b, int(i));
    buttons_.push_back(b);
  }
  connect(group_, &QButtonGroup::idClicked, this, [this](int) { emit Click(); });
}

int TRadioGroupBox::ItemIndex() const { return group_->checkedId(); }

void TRadioGroupBox::SetItemIndex(int index) {
  if (index >= 0 && index < Count()) {
    buttons_[std::size_t(index)]->setChecked(true);
    return;
  }
  group_->setExclusive(false);
  for (auto* b : buttons_) b->setChecked(false);
  group_->setExclusive(true);
}

int ComponentTag(const QObject* object) { return object ? object->property("Tag").toInt() : 0; }

void SetComponentTag(QObject* object, int tag) {
  if (object) object->setProperty("Tag", tag);
}

std::string ComponentCaption(const QObject* object) {
  if (!object) return {};
  if (auto* l = qobject_cast<const QLabel*>(object)) return StdStr(l->text());
  if (auto* b = qobject_cast<const QAbstractButton*>(object)) return StdStr(b->text());
  if (auto* g = qobject_cast<const QGroupBox*>(object)) return StdStr(g->title());
  if (auto* a = qobject_cast<const QAction*>(object)) return StdStr(a->text());
  if (auto* m = qobject_cast<const QMenu*>(object)) return StdStr(m->title());
  return StdStr(object->property("Caption").toString());
}

void SetComponentCaption(QObject* object, const std::string& caption) {
  if (!object) return;
  if (auto* l = qobject_cast<QLabel*>(object))
    l->setText(QStr(caption));
  else if (auto* b = qobject_cast<QAbstractButton*>(object))
    b->setText(QStr(caption));
  else if (auto* g = qobject_cast<QGroupBox*>(object))
    g->setTitle(QStr(caption));
  else if (auto* a = qobject_cast<QAction*>(object))
    a->setText(QStr(caption));
  else if (auto* m = qobject_cast<QMenu*>(object))
    m->setTitle(QStr(caption));
  else
    object->setProperty("Caption", QStr(caption));
}

QObject* FindNamedObject(const QObject* root, const std::string& name) {
  if (!root) return nullptr;
  const QString n = QStr(name);
  if (root->objectName() == n) return const_cast<QObject*>(root);
  return root->findChild<QObject*>(n);
}

}  // namespace qv
