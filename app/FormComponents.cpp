#include "app/FormComponents.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QSplitter>
#include <QWidget>

#include "app/AppControls.h"
#include "platform/core/SysUtils.h"

namespace qv {

TFormComponent::TFormComponent(std::string name, QObject* object, TStringList* items)
    : name_(std::move(name)), object_(object), items_(items) {
  ClassInfo();
}

int TFormComponent::Tag() const { return ComponentTag(object_); }
void TFormComponent::SetTag(int v) { SetComponentTag(object_, v); }
std::string TFormComponent::Caption() const { return ComponentCaption(object_); }
void TFormComponent::SetCaption(const std::string& v) { SetComponentCaption(object_, v); }

std::string TFormComponent::Text() const {
  if (auto* e = qobject_cast<QLineEdit*>(object_)) return StdStr(e->text());
  if (auto* c = qobject_cast<QComboBox*>(object_)) return StdStr(c->currentText());
  return Caption();
}

void TFormComponent::SetText(const std::string& v) {
  if (auto* e = qobject_cast<QLineEdit*>(object_)) {
    e->setText(QStr(v));
  } else if (auto* c = qobject_cast<QComboBox*>(object_)) {
    if (c->isEditable()) {
      c->setEditText(QStr(v));
    } else {
      c->setCurrentIndex(c->findText(QStr(v)));
    }
  } else {
    SetCaption(v);
  }
}

bool TFormComponent::Checked() const {
  if (auto* b = qobject_cast<QAbstractButton*>(object_)) return b->isChecked();
  if (auto* a = qobject_cast<QAction*>(object_)) return a->isChecked();
  return false;
}

void TFormComponent::SetChecked(bool v) {
  if (auto* b = qobject_cast<QAbstractButton*>(object_)) {
    // A radio button of an exclusive group cannot be unchecked directly.
    if (!v && b->autoExclusive() && b->isChecked()) {
      b->setAutoExclusive(false);
      b->setChecked(false);
      b->setAutoExclusive(true);
    } else {
      b->setChecked(v);
    }
  } else if (auto* a = qobject_cast<QAction*>(object_)) {
    a->setChecked(v);
  }
}

int TFormComponent::ItemIndex() const {
  if (auto* g = qobject_cast<TRadioGroupBox*>(object_)) return g->ItemIndex();
  if (auto* c = qobject_cast<QComboBox*>(object_)) return c->currentIndex();
  return -1;
}

void TFormComponent::SetItemIndex(int v) {
  if (auto* g = qobject_cast<TRadioGroupBox*>(object_)) {
    g->SetItemIndex(v);
  } else if (auto* c = qobject_cast<QComboBox*>(object_)) {
    c->setCurrentIndex(v >= 0 && v < c->count() ? v : -1);
  }
}

int TFormComponent::Height() const {
  auto* w = qobject_cast<QWidget*>(object_);
  return w ? w->height() : 0;
}

namespace {

// A widget in a splitter takes its size from the splitter: the neighbour
// after it (or before the last) gives or takes the difference.
bool SetSplitSize(QWidget* w, int v) {
  auto* split = qobject_cast<QSplitter*>(w->parentWidget());
  if (!split || v <= 0) return false;
  const int i = split->indexOf(w);
  QList<int> sizes = split->sizes();
  if (i < 0 || sizes.size() < 2) return false;
  const int other = i + 1 < sizes.size() ? i + 1 : i - 1;
  const int total = sizes[i] + sizes[other];
  if (total > v) {
    sizes[other] = total - v;
  } else {
    sizes[other] = std::max(1, sizes[other]);
  }
  sizes[i] = v;
  split->setSizes(sizes);
  return true;
}

}  // namespace

void TFormComponent::SetHeight(int v) {
  auto* w = qobject_cast<QWidget*>(object_);
  if (!w) return;
  auto* split = qobject_cast<QSplitter*>(w->parentWidget());
  if (split && split->orientation() == Qt::Vertical && SetSplitSize(w, v)) return;
  w->resize(w->width(), v);
}

int TFormComponent::Width() const {
  auto* w = qobject_cast<QWidget*>(object_);
  return w ? w->width() : 0;
}

void TFormComponent::SetWidth(int v) {
  auto* w = qobject_cast<QWidget*>(object_);
  if (!w) return;
  auto* split = qobject_cast<QSplitter*>(w->parentWidget());
  if (split && split->orientation() == Qt::Horizontal && SetSplitSize(w, v)) return;
  w->resize(v, w->height());
}

TStrings& TFormComponent::Items() { return items_ ? *items_ : empty_; }

const TClassInfo& TFormComponent::ClassInfo() {
  using C = TFormComponent;
  static const TClassInfo& info =
      TClassBuilder<C>("TFormComponent")
          .Component()
          .Property("Name", TypeInfoComponentName(), [](C& c) { return c.Name(); })
          .Property("Tag", TypeInfoInteger(), &C::Tag, &C::SetTag)
          .Property("Caption", TypeInfoCaption(), &C::Caption, &C::SetCaption)
          .Property("Text", TypeInfoCaption(), &C::Text, &C::SetText)
          .Property("Checked", TypeInfoBoolean(), &C::Checked, &C::SetChecked)
          .Property("ItemIndex", TypeInfoInteger(), &C::ItemIndex, &C::SetItemIndex)
          .Property("Height", TypeInfoInteger(), &C::Height, &C::SetHeight)
          .Property("Width", TypeInfoInteger(), &C::Width, &C::SetWidth)
          .Property(
              "Items", ClassInfoStrings(), [](C& c) -> TStrings& { return c.Items(); },
              [](C& c, const TStrings& s) { c.Items().Assign(s); })
          .Register();
  return info;
}

TFormComponent& TFormComponents::Add(const std::string& name, QObject* object, TStringList* items) {
  auto& slot = items_[LowerCase(name)];
  slot = std::make_unique<TFormComponent>(name, object, items);
  return *slot;
}

TFormComponent* TFormComponents::Find(const std::string& name) const {
  auto it = items_.find(LowerCase(name));
  return it == items_.end() ? nullptr : it->second.get();
}

TObjectRef TFormComponents::Lookup(const std::string& name) const {
  TFormComponent* c = Find(name);
  return c ? MakeObjectRef(c) : TObjectRef{};
}

}  // namespace qv
