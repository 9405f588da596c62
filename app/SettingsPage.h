// The settings page of the main window ("Settlemetns"): every control whose
// value the engine reads, built from the engine's description of those
// controls (engine/FitSettings.h: names, kinds, captions, number kinds, items
// and defaults) and named in code by its constant (TSettingName), laid
// out as the algorithm panels (ZUDPanel, GAPanel, PSOPanel, DEPanel) under
// the algorithm choice RadioGroup2 on the "Main" view and the stop
// criterion, update rate and logs on the "Options" view, and the handlers
// that keep the controls consistent with each other.
//
// Every control's objectName is its name (SizeBox1, RB1, ...). List combo
// boxes keep their chosen index in their Tag (AppControls.h), which the
// window's stored properties save; RestoreIndexesFromTags puts it back.
//
// The page and the engine's settings object are kept in step by the
// window: ReadInto copies every control into the settings before a run,
// ShowSetting shows a value the engine wrote back.
#pragma once

#include <QScrollArea>
#include <functional>
#include <map>
#include <string>

#include "engine/FitSettings.h"

class QComboBox;
class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;
class QRadioButton;

namespace qv {

class TRadioGroupBox;

class TSettingsPage : public QScrollArea {
  Q_OBJECT
 public:
  explicit TSettingsPage(QWidget* parent = nullptr);

  // The control of a setting, or any other named control of the page (its
  // panels, labels and buttons); null when there is none.
  QWidget* Control(TSettingName name) const;
  QWidget* Control(const std::string& name) const;
  template <class T>
  T* Get(TSettingName name) const {
    return qobject_cast<T*>(Control(name));
  }
  template <class T>
  T* Get(const std::string& name) const {
    return qobject_cast<T*>(Control(name));
  }

  // Copies every control's value into Settings.
  void ReadInto(TFitSettings& Settings) const;
  // Shows the value Settings holds for Name.
  void ShowSetting(const TFitSettings& Settings, TSettingName Name);

  // After the stored properties were restored: ItemIndex from Tag for the
  // list combo boxes, with the change handlers of ComboBox3 and
  // ZUDSchemeBox, and the algorithm panel of RadioGroup2.
  void RestoreIndexesFromTags();

  // The page's handlers, named after their controls.
  void RadioGroup2Click();
  void BinCheckBoxClick();
  void ComboBox3Change();
  void VmaCheckBoxClick();
  void TSBox2Click();
  void StopCriterionClick(int Criterion);  // RB1Click .. RB4Click: 0..3
  void PopulationBox2Change(QComboBox* Changed);
  void MainBTClick();
  // The "File" buttons of the two logs (Tag 0 results, 1 parameters).
  void SpeedButton1Click(int Tag);

  // Whether the page is the active page of its page control (the enabled
  // stop-criterion box then takes the focus).
  std::function<bool()> IsActivePage;
  // A population size changed: a resumed run would not fit any more.
  std::function<void()> OnPopulationChanged;
  // The folder of the log file dialogs (shared with the window's save
  // dialog: it follows the chosen file).
  std::string* DialogFolder = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  QWidget* Build(const TSettingControl& c, QWidget* parent);
  QComboBox* Combo(TSettingName name) const;
  // A row of a panel: the setting's control with its caption (from the
  // engine's description) before it; LabelName names the caption's label.
  QWidget* AddRow(QWidget* panel, TSettingName control, const std::string& labelName = {});
  void BuildMain(QWidget* main);
  void BuildOptions(QWidget* options);

  TFitSettings defaults_;
  std::map<std::string, QWidget*> controls_;
  std::map<QObject*, bool> integerBoxes_;  // true: whole numbers, false: reals
};

// EditEnabledColor: enables a control and colours it: window colour and
// window text when enabled; the window's face colour and grey text when
// disabled (the grey of the inactive caption text would vanish on it).
void EditEnabledColor(QWidget* Control, bool Enabled);

}  // namespace qv
