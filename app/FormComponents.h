// The components of a window as the stored properties see them: each named
// widget, action or list of the window is described under its name with the
// published properties the settings file keeps of it (Tag, Caption, Text,
// Checked, ItemIndex, Height, Width, Items). Reading or writing a property
// reads or writes the Qt object behind it, so stored values are restored
// straight into the window. A TFormComponents is the window's lookup for
// TFormStorage (TQtFormWindow::ComponentLookup).
#pragma once

#include <QPointer>
#include <map>
#include <memory>
#include <string>

#include "platform/core/Classes.h"
#include "platform/core/PublishedProps.h"

namespace qv {

class TFormComponent {
 public:
  // Items: the string list of a list component (not owned), else null.
  TFormComponent(std::string name, QObject* object, TStringList* items = nullptr);
  TFormComponent(const TFormComponent&) = delete;
  TFormComponent& operator=(const TFormComponent&) = delete;
  virtual ~TFormComponent() = default;

  const std::string& Name() const { return name_; }
  QObject* Object() const { return object_; }

  int Tag() const;
  void SetTag(int v);
  std::string Caption() const;
  void SetCaption(const std::string& v);
  // Line edits and combo boxes.
  std::string Text() const;
  void SetText(const std::string& v);
  // Check boxes, radio buttons and checkable actions.
  bool Checked() const;
  void SetChecked(bool v);
  // Radio groups and combo boxes (-1: none).
  int ItemIndex() const;
  void SetItemIndex(int v);
  int Height() const;
  void SetHeight(int v);
  int Width() const;
  void SetWidth(int v);
  TStrings& Items();

  static const TClassInfo& ClassInfo();

 private:
  std::string name_;
  QPointer<QObject> object_;
  TStringList* items_;
  TStringList empty_;
};

class TFormComponents {
 public:
  TFormComponent& Add(const std::string& name, QObject* object, TStringList* items = nullptr);
  // By name without regard to case; null when absent.
  TFormComponent* Find(const std::string& name) const;
  TObjectRef Lookup(const std::string& name) const;

 private:
  std::map<std::string, std::unique_ptr<TFormComponent>> items_;
};

}  // namespace qv
