// Small pieces the application windows need of their controls beyond what
// Qt widgets offer: the radio group (a group of radio buttons with one item
// index), the Tag every component carries, the Caption of panels that keep
// a value there, and finding a window's control by its name.
//
// Tag and Caption live as dynamic properties of the QObject ("Tag",
// "Caption"), so every widget and action has them without a subclass; a
// QLabel's, QAbstractButton's or QGroupBox's caption is its text.
#pragma once

#include <QGroupBox>
#include <QRadioButton>
#include <string>
#include <vector>

class QButtonGroup;

namespace qv {

class TRadioGroupBox : public QGroupBox {
  Q_OBJECT
 public:
  TRadioGroupBox(const std::string& caption, const std::vector<std::string>& items,
                 QWidget* parent = nullptr);

  int Count() const { return int(buttons_.size()); }
  QRadioButton* Button(int index) const { return buttons_.at(std::size_t(index)); }
  // -1 when no button is checked.
  int ItemIndex() const;
  // An index outside the items unchecks every button. Emits no Click.
  void SetItemIndex(int index);

 signals:
  // The user checked a button (OnClick).
  void Click();

 private:
  std::vector<QRadioButton*> buttons_;
  QButtonGroup* group_;
};

int ComponentTag(const QObject* object);
void SetComponentTag(QObject* object, int tag);
std::string ComponentCaption(const QObject* object);
void SetComponentCaption(QObject* object, const std::string& caption);

// The child of Root named Name (Root itself when it has that name); null
// when there is none.
QObject* FindNamedObject(const QObject* root, const std::string& name);

inline QString QStr(const std::string& s) { return QString::fromStdString(s); }
inline std::string StdStr(const QString& s) { return s.toStdString(); }

}  // namespace qv
