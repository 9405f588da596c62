#include "app/SettingsPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/AppControls.h"
#include "app/SettingKeys.h"
#include "platform/core/Services.h"
#include "platform/core/SysUtils.h"
#include "platform/gui/QtCanvas.h"

namespace qv {

namespace {

// The list combo boxes that keep their index in their Tag.
const TSettingName kIndexKeepers[] = {TSettingName::STGroup2,  TSettingName::CTGroup2,
                                      TSettingName::CTGroup3,  TSettingName::SchemeBox,
                                      TSettingName::ComboBox3, TSettingName::ZUDSchemeBox,
                                      TSettingName::BinBox};

// The population size boxes of the four families.
const TSettingName kPopulationBoxes[] = {TSettingName::SizeBox1, TSettingName::PopulationBox2,
                                         TSettingName::SizeBox, TSettingName::DESizeBox};

// The stop criteria and the box each one uses (auto-detection uses none).
const TSettingName kCriteria[] = {TSettingName::RB1, TSettingName::RB2, TSettingName::RB3,
                                  TSettingName::RB4};
const TSettingName kCriterionBoxes[] = {TSettingName::ComboBox1, TSettingName::SSEEdit,
                                        TSettingName::REdit};

const char* const kPsoVariants[] = {"(Standard PSO - [PSO])",
                                    "(Modified Standard PSO - [PSO 1])",
                                    "(Modified Standard PSO - [PSO 2])",
                                    "(Modified Standard PSO - [PSO 3])",
                                    "(Constriction Factor PSO - [CFPSO])",
                                    "(Modified CFPSO - [CFPSO 1])"};

QWidget* MakePanel(const char* name, QWidget* parent) {
  auto* w = new QWidget(parent);
  w->setObjectName(name);
  auto* grid = new QGridLayout(w);
  grid->setContentsMargins(4, 4, 4, 4);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(4);
  grid->setColumnStretch(1, 1);
  return w;
}

QGridLayout* GridOf(QWidget* w) { return static_cast<QGridLayout*>(w->layout()); }

// The number in a box, read as every settings box is ("." before the
// fraction, whatever the locale); 0 for anything else.
double NumberIn(const QComboBox* box) {
  double v = 0;
  return box && ReadSettingNumber(StdStr(box->currentText()), v) ? v : 0;
}

}  // namespace

void EditEnabledColor(QWidget* Control, bool Enabled) {
  if (!Control) return;
  Control->setEnabled(Enabled);
  // A disabled box takes the face colour of the window it stands on and
  // grey text that stays readable on it.
  QPalette p = Control->palette();
  const QColor back =
      Enabled ? ToQColor(clWindow) : QApplication::palette().color(QPalette::Window);
  const QColor text = ToQColor(Enabled ? clWindowText : clGrayText);
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(group, QPalette::Base, back);
    p.setColor(group, QPalette::Text, text);
    p.setColor(group, QPalette::WindowText, text);
  }
  Control->setPalette(p);
}

TSettingsPage::TSettingsPage(QWidget* parent) : QScrollArea(parent) {
  setObjectName("ScrollBox1");
  setWidgetResizable(true);
  setFrameShape(QFrame::NoFrame);
  auto* content = new QWidget(this);
  content->setObjectName("ScrollContent");
  setWidget(content);

  // TB2 (the "Main" / "Options" switch) stands left of the panel, which is
  // centred horizontally and put at a third of the free height.
  auto* outer = new QVBoxLayout(content);
  auto* row = new QHBoxLayout;
  outer->addStretch(1);
  outer->addLayout(row);
  outer->addStretch(2);

  auto* tb2 = new QWidget(content);
  tb2->setObjectName("TB2");
  auto* tbLayout = new QVBoxLayout(tb2);
  tbLayout->setContentsMargins(0, 0, 0, 0);
  tbLayout->setSpacing(2);
  auto* mainBt = new QToolButton(tb2);
  mainBt->setObjectName("MainBT");
  mainBt->setText("Main");
  auto* optionBt = new QToolButton(tb2);
  optionBt->setObjectName("OptionBT");
  optionBt->setText("Options");
  for (QToolButton* b : {mainBt, optionBt}) {
    b->setCheckable(true);
    b->setAutoExclusive(true);
    b->setMinimumWidth(64);
    tbLayout->addWidget(b);
    controls_[StdStr(b->objectName())] = b;
    connect(b, &QToolButton::toggled, this, [this](bool) { MainBTClick(); });
  }
  tbLayout->addStretch(1);
  controls_["TB2"] = tb2;

  auto* mainPanel = new QWidget(content);
  mainPanel->setObjectName("MainPanel");
  controls_["MainPanel"] = mainPanel;
  auto* optionPanel = new QWidget(content);
  optionPanel->setObjectName("OptionPanel");
  controls_["OptionPanel"] = optionPanel;

  row->addStretch(1);
  row->addWidget(tb2, 0, Qt::AlignTop);
  row->addWidget(mainPanel);
  row->addWidget(optionPanel);
  row->addStretch(1);

  BuildMain(mainPanel);
  BuildOptions(optionPanel);
  // One width for every algorithm's panel, so that the page stands still
  // when the algorithm changes.
  int width = 0;
  for (const char* n : {"ZUDPanel", "GAPanel", "PSOPanel", "DEPanel"})
    width = std::max(width, Control(n)->sizeHint().width());
  for (const char* n : {"ZUDPanel", "GAPanel", "PSOPanel", "DEPanel"})
    Control(n)->setMinimumWidth(width);

  // The key filter watches each number box (a combo box's line edit).
  for (TSettingName n : defaults_.Names()) {
    const TSettingValue value = defaults_.Control(n).Value;
    if (value == TSettingValue::svText) continue;
    QWidget* w = Control(n);
    if (auto* c = qobject_cast<QComboBox*>(w)) w = c->lineEdit();
    if (!w) continue;
    integerBoxes_[w] = value == TSettingValue::svWhole;
    w->installEventFilter(this);
  }
  for (TSettingName n : kIndexKeepers) {
    QComboBox* box = Combo(n);
    SetComponentTag(box, box->currentIndex());
    connect(box, &QComboBox::currentIndexChanged, box, [box](int i) { SetComponentTag(box, i); });
  }
  for (TSettingName n : kPopulationBoxes) {
    QComboBox* box = Combo(n);
    connect(box, &QComboBox::editTextChanged, this, [this, box] { PopulationBox2Change(box); });
  }

  mainBt->setChecked(true);
  RadioGroup2Click();
  BinCheckBoxClick();
  ComboBox3Change();
  VmaCheckBoxClick();
  TSBox2Click();
  StopCriterionClick(3);
  PopulationBox2Change(Combo(TSettingName::SizeBox));
  PopulationBox2Change(Combo(TSettingName::SizeBox1));
  MainBTClick();
}

QWidget* TSettingsPage::Control(const std::string& name) const {
  auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : it->second;
}

QWidget* TSettingsPage::Control(TSettingName name) const { return Control(name.String()); }

QComboBox* TSettingsPage::Combo(TSettingName name) const { return Get<QComboBox>(name); }

QWidget* TSettingsPage::Build(const TSettingControl& c, QWidget* parent) {
  QWidget* w = nullptr;
  switch (c.Kind) {
    case TSettingKind::skEdit: {
      auto* e = new QLineEdit(QStr(c.Text), parent);
      e->setMinimumWidth(120);
      w = e;
      break;
    }
    case TSettingKind::skComboBox:
    case TSettingKind::skListBox: {
      auto* box = new QComboBox(parent);
      for (const auto& item : c.Items) box->addItem(QStr(item));
      if (c.Kind == TSettingKind::skComboBox) {
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setCurrentIndex(c.ItemIndex);
        box->setEditText(QStr(c.Text));
      } else {
        box->setCurrentIndex(c.ItemIndex);
      }
      // Lists show their longest item; typed boxes hold a number.
      if (c.Kind == TSettingKind::skListBox) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
      } else {
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(10);
      }
      w = box;
      break;
    }
    case TSettingKind::skRadioGroup: {
      auto* g = new TRadioGroupBox(c.Caption, c.Items, parent);
      g->SetItemIndex(c.ItemIndex);
      w = g;
      break;
    }
    case TSettingKind::skCheckBox: {
      auto* b = new QCheckBox(QStr(c.Caption), parent);
      b->setChecked(c.Checked);
      w = b;
      break;
    }
    case TSettingKind::skRadioButton: {
      auto* b = new QRadioButton(QStr(c.Caption), parent);
      b->setChecked(c.Checked);
      w = b;
      break;
    }
  }
  w->setObjectName(QStr(c.Name.String()));
  controls_[c.Name.String()] = w;
  return w;
}

QWidget* TSettingsPage::AddRow(QWidget* panel, TSettingName control, const std::string& labelName) {
  QGridLayout* grid = GridOf(panel);
  const int r = grid->rowCount();
  const TSettingControl& c = defaults_.Control(control);
  QWidget* w = Build(c, panel);
  // Radio groups and check boxes carry their own caption.
  const bool captioned = c.Kind == TSettingKind::skRadioGroup || c.Kind == TSettingKind::skCheckBox;
  const std::string label = captioned ? std::string() : c.Label;
  if (!label.empty()) {
    auto* l = new QLabel(QStr(label), panel);
    if (!labelName.empty()) {
      l->setObjectName(QStr(labelName));
      controls_[labelName] = l;
    }
    l->setBuddy(w);
    grid->addWidget(l, r, 0);
    grid->addWidget(w, r, 1);
  } else {
    grid->addWidget(w, r, 0, 1, 2);
  }
  return w;
}

void TSettingsPage::BuildMain(QWidget* main) {
  auto* layout = new QVBoxLayout(main);
  layout->setContentsMargins(0, 0, 0, 0);
  QWidget* algorithms = Build(defaults_.Control(TSettingName::RadioGroup2), main);
  layout->addWidget(algorithms);
  connect(static_cast<TRadioGroupBox*>(algorithms), &TRadioGroupBox::Click, this,
          [this] { RadioGroup2Click(); });

  auto* group4 = new QGroupBox(main);
  group4->setObjectName("GroupBox4");
  controls_["GroupBox4"] = group4;
  layout->addWidget(group4);
  auto* panels = new QVBoxLayout(group4);

  // Zedovev Avedezo Rezividorodo.
  QWidget* zud = MakePanel("ZUDPanel", group4);
  controls_["ZUDPanel"] = zud;
  AddRow(zud, TSettingName::SizeBox1);
  AddRow(zud, TSettingName::ZUDSchemeBox);
  AddRow(zud, TSettingName::SearchOption);
  AddRow(zud, TSettingName::NSizeBox2, "Label22")->setVisible(false);
  Control("Label22")->setVisible(false);
  auto* label24 = new QLabel("[2, 20]", zud);
  label24->setObjectName("Label24");
  label24->setVisible(false);
  controls_["Label24"] = label24;
  GridOf(zud)->addWidget(label24, GridOf(zud)->rowCount(), 1);
  panels->addWidget(zud);

  // Genetic algorithm.
  QWidget* ga = MakePanel("GAPanel", group4);
  controls_["GAPanel"] = ga;
  AddRow(ga, TSettingName::PopulationBox2);
  AddRow(ga, TSettingName::PCBox2);
  AddRow(ga, TSettingName::PMBox2);
  auto* bin = static_cast<TRadioGroupBox*>(AddRow(ga, TSettingName::BinCheckBox));
  connect(bin, &TRadioGroupBox::Click, this, [this] { BinCheckBoxClick(); });
  AddRow(ga, TSettingName::CTGroup2, "Label16");
  {
    // CTGroup3 shares the row of CTGroup2; one of them is visible.
    QWidget* ct3 = Build(defaults_.Control(TSettingName::CTGroup3), ga);
    GridOf(ga)->addWidget(ct3, GridOf(ga)->rowCount() - 1, 1);
  }
  AddRow(ga, TSettingName::ComboBox2, "Label18");
  AddRow(ga, TSettingName::BinBox, "Label19");
  AddRow(ga, TSettingName::STGroup2);
  {
    QGridLayout* g = GridOf(ga);
    const int r = g->rowCount();
    QWidget* ts = Build(defaults_.Control(TSettingName::TSBox2), ga);
    connect(static_cast<QCheckBox*>(ts), &QCheckBox::clicked, this, [this] { TSBox2Click(); });
    g->addWidget(ts, r, 0, 1, 2);
    auto* tsLabel = new QLabel("Truncation Threshold", ga);
    tsLabel->setObjectName("TSLabel");
    controls_["TSLabel"] = tsLabel;
    g->addWidget(tsLabel, r + 1, 0);
    g->addWidget(Build(defaults_.Control(TSettingName::TSEdit2), ga), r + 1, 1);
  }
  AddRow(ga, TSettingName::MGACheckBox);
  panels->addWidget(ga);

  // Particle swarm optimisation.
  QWidget* pso = MakePanel("PSOPanel", group4);
  controls_["PSOPanel"] = pso;
  AddRow(pso, TSettingName::SizeBox);
  auto* formula = static_cast<QComboBox*>(AddRow(pso, TSettingName::ComboBox3));
  connect(formula, &QComboBox::activated, this, [this](int) { ComboBox3Change(); });
  {
    auto* label21 = new QLabel(pso);
    label21->setObjectName("Label21");
    controls_["Label21"] = label21;
    GridOf(pso)->addWidget(label21, GridOf(pso)->rowCount(), 1);
  }
  AddRow(pso, TSettingName::InterBox, "Label14");
  AddRow(pso, TSettingName::C1Box, "Label12");
  AddRow(pso, TSettingName::C2Box, "Label13");
  AddRow(pso, TSettingName::NSizeBox);
  {
    auto* label23 = new QLabel("[2, 20]", pso);
    label23->setObjectName("Label23");
    controls_["Label23"] = label23;
    GridOf(pso)->addWidget(label23, GridOf(pso)->rowCount(), 1);
  }
  {
    auto* vmax = new QGroupBox(pso);
    vmax->setObjectName("VmaxGroup");
    controls_["VmaxGroup"] = vmax;
    auto* g = new QGridLayout(vmax);
    g->setContentsMargins(4, 4, 4, 4);
    QWidget* check = Build(defaults_.Control(TSettingName::VmaCheckBox), vmax);
    connect(static_cast<QCheckBox*>(check), &QCheckBox::clicked, this,
            [this] { VmaCheckBoxClick(); });
    g->addWidget(check, 0, 0, 1, 2);
    auto* label10 = new QLabel("Vmax", vmax);
    label10->setObjectName("Label10");
    controls_["Label10"] = label10;
    g->addWidget(label10, 1, 0);
    g->addWidget(Build(defaults_.Control(TSettingName::ComboBox6), vmax), 1, 1);
    GridOf(pso)->addWidget(vmax, GridOf(pso)->rowCount(), 0, 1, 2);
  }
  panels->addWidget(pso);

  // Differential evolution.
  QWidget* de = MakePanel("DEPanel", group4);
  controls_["DEPanel"] = de;
  AddRow(de, TSettingName::DESizeBox);
  AddRow(de, TSettingName::PMBox3);
  AddRow(de, TSettingName::PCBox3);
  AddRow(de, TSettingName::SchemeBox);
  AddRow(de, TSettingName::DEGroup);
  AddRow(de, TSettingName::DEOptionGroup);
  panels->addWidget(de);
  panels->addStretch(1);
}

void TSettingsPage::BuildOptions(QWidget* options) {
  auto* layout = new QVBoxLayout(options);
  layout->setContentsMargins(0, 0, 0, 0);

  auto* stop = new QGroupBox("Stop Criterion", options);
  stop->setObjectName("StopGroup");
  auto* g = new QGridLayout(stop);
  for (int i = 0; i < 4; ++i) {
    QWidget* rb = Build(defaults_.Control(kCriteria[i]), stop);
    g->addWidget(rb, i, 0);
    connect(static_cast<QRadioButton*>(rb), &QRadioButton::clicked, this,
            [this, i] { StopCriterionClick(i); });
    if (i > 0) g->addWidget(Build(defaults_.Control(kCriterionBoxes[i - 1]), stop), i, 1);
  }
  g->setColumnStretch(1, 1);
  layout->addWidget(stop);

  auto* display = MakePanel("DisplayPanel", options);
  AddRow(display, TSettingName::CBB2);
  layout->addWidget(display);

  auto* logs = new QGroupBox("Save Results", options);
  logs->setObjectName("SaveGroup");
  auto* lg = new QGridLayout(logs);
  const TSettingName edits[] = {TSettingName::FileEdit, TSettingName::FileEdit1};
  const TSettingName rates[] = {TSettingName::SREdit, TSettingName::SREdit1};
  const char* const captions[] = {"Results File", "Parameters File"};
  for (int i = 0; i < 2; ++i) {
    lg->addWidget(new QLabel(captions[i], logs), i * 2, 0);
    lg->addWidget(Build(defaults_.Control(edits[i]), logs), i * 2, 1);
    auto* file = new QToolButton(logs);
    file->setObjectName(i == 0 ? "SpeedButton1" : "SpeedButton2");
    file->setText("File");
    SetComponentTag(file, i);
    controls_[StdStr(file->objectName())] = file;
    connect(file, &QToolButton::clicked, this, [this, i] { SpeedButton1Click(i); });
    lg->addWidget(file, i * 2, 2);
    lg->addWidget(new QLabel("Save Rate", logs), i * 2 + 1, 0);
    lg->addWidget(Build(defaults_.Control(rates[i]), logs), i * 2 + 1, 1);
  }
  lg->setColumnStretch(1, 1);
  layout->addWidget(logs);
  layout->addStretch(1);
}

void TSettingsPage::ReadInto(TFitSettings& Settings) const {
  for (TSettingName name : Settings.Names()) {
    QWidget* w = Control(name);
    if (!w) continue;
    switch (Settings.Control(name).Kind) {
      case TSettingKind::skEdit:
        Settings.SetText(name, StdStr(static_cast<QLineEdit*>(w)->text()));
        break;
      case TSettingKind::skComboBox:
        Settings.SetText(name, StdStr(static_cast<QComboBox*>(w)->currentText()));
        break;
      case TSettingKind::skListBox:
        Settings.SetItemIndex(name, static_cast<QComboBox*>(w)->currentIndex());
        break;
      case TSettingKind::skRadioGroup:
        Settings.SetItemIndex(name, static_cast<TRadioGroupBox*>(w)->ItemIndex());
        break;
      case TSettingKind::skCheckBox:
        Settings.SetChecked(name, static_cast<QCheckBox*>(w)->isChecked());
        break;
      case TSettingKind::skRadioButton:
        if (static_cast<QRadioButton*>(w)->isChecked()) Settings.SetChecked(name, true);
        break;
    }
  }
  // Radio buttons that are all unchecked (the window allows it after a
  // restore of four False values) leave none checked.
  for (TSettingName name : Settings.Names())
    if (Settings.Control(name).Kind == TSettingKind::skRadioButton)
      if (auto* rb = Get<QRadioButton>(name); rb && !rb->isChecked())
        Settings.SetChecked(name, false);
}

void TSettingsPage::ShowSetting(const TFitSettings& Settings, TSettingName Name) {
  QWidget* w = Control(Name);
  if (!w) return;
  const TSettingControl& c = Settings.Control(Name);
  switch (c.Kind) {
    case TSettingKind::skEdit:
      static_cast<QLineEdit*>(w)->setText(QStr(c.Text));
      break;
    case TSettingKind::skComboBox:
      static_cast<QComboBox*>(w)->setEditText(QStr(c.Text));
      break;
    case TSettingKind::skListBox:
      static_cast<QComboBox*>(w)->setCurrentIndex(c.ItemIndex);
      break;
    case TSettingKind::skRadioGroup:
      static_cast<TRadioGroupBox*>(w)->SetItemIndex(c.ItemIndex);
      if (Name == TSettingName::RadioGroup2) RadioGroup2Click();
      if (Name == TSettingName::BinCheckBox) BinCheckBoxClick();
      break;
    case TSettingKind::skCheckBox:
      static_cast<QCheckBox*>(w)->setChecked(c.Checked);
      break;
    case TSettingKind::skRadioButton:
      static_cast<QRadioButton*>(w)->setChecked(c.Checked);
      if (c.Checked)
        for (int i = 0; i < 4; ++i)
          if (Name == kCriteria[i]) StopCriterionClick(i);
      break;
  }
}

void TSettingsPage::RestoreIndexesFromTags() {
  RadioGroup2Click();
  for (TSettingName n : kIndexKeepers) {
    QComboBox* box = Combo(n);
    const int tag = ComponentTag(box);
    box->setCurrentIndex(tag >= 0 && tag < box->count() ? tag : -1);
    if (n == TSettingName::ComboBox3) ComboBox3Change();
  }
  BinCheckBoxClick();
  VmaCheckBoxClick();
  TSBox2Click();
  for (int i = 0; i < 4; ++i)
    if (auto* rb = Get<QRadioButton>(kCriteria[i]); rb && rb->isChecked()) StopCriterionClick(i);
  MainBTClick();
}

void TSettingsPage::RadioGroup2Click() {
  const int algorithm = Get<TRadioGroupBox>(TSettingName::RadioGroup2)->ItemIndex();
  const char* const panels[] = {"ZUDPanel", "GAPanel", "PSOPanel", "DEPanel"};
  for (int i = 0; i < 4; ++i) Control(panels[i])->setVisible(i == algorithm);
  const bool pso = algorithm == 2;
  for (TSettingName n : {TSettingName::SizeBox, TSettingName::InterBox, TSettingName::C1Box,
                         TSettingName::C2Box, TSettingName::VmaCheckBox})
    Control(n)->setVisible(pso);
  for (const char* n : {"Label12", "Label13", "VmaxGroup"}) Control(n)->setVisible(pso);
  for (TSettingName n :
       {TSettingName::ComboBox6, TSettingName::InterBox, TSettingName::C1Box, TSettingName::C2Box})
    EditEnabledColor(Control(n), Control(n)->isEnabled());
  const char* const codes[] = {"(ZUD)", "(GA)", "(PSO)", "(DE)"};
  Get<QGroupBox>("GroupBox4")
      ->setTitle(QStr(std::string("Settlements of Algorithms ") +
                      (algorithm >= 0 && algorithm < 4 ? codes[algorithm] : "")));
}

void TSettingsPage::BinCheckBoxClick() {
  const bool encode = Get<TRadioGroupBox>(TSettingName::BinCheckBox)->ItemIndex() == 1;
  Control(TSettingName::CTGroup2)->setVisible(!encode);
  Control(TSettingName::CTGroup3)->setVisible(encode);
  for (QWidget* w : {Control("Label18"), Control("Label19"), Control(TSettingName::ComboBox2),
                     Control(TSettingName::BinBox)})
    EditEnabledColor(w, encode);
}

void TSettingsPage::ComboBox3Change() {
  QComboBox* box = Combo(TSettingName::ComboBox3);
  const int index = box->currentIndex();
  SetComponentTag(box, index);
  const bool inertia = index == 0 || index == 2;
  EditEnabledColor(Control("Label14"), inertia);
  EditEnabledColor(Control(TSettingName::InterBox), inertia);
  if (index >= 0 && index < 6) Get<QLabel>("Label21")->setText(kPsoVariants[index]);
  if (index == 1 || index == 3) {
    if (NumberIn(Combo(TSettingName::C1Box)) + NumberIn(Combo(TSettingName::C2Box)) < 4) {
      Combo(TSettingName::C1Box)->setEditText("2.05");
      Combo(TSettingName::C2Box)->setEditText("2.05");
    }
  }
}

void TSettingsPage::VmaCheckBoxClick() {
  const bool on = Get<QCheckBox>(TSettingName::VmaCheckBox)->isChecked();
  EditEnabledColor(Control("Label10"), on);
  EditEnabledColor(Control(TSettingName::ComboBox6), on);
}

void TSettingsPage::TSBox2Click() {
  const bool on = Get<QCheckBox>(TSettingName::TSBox2)->isChecked();
  EditEnabledColor(Control(TSettingName::TSEdit2), on);
  EditEnabledColor(Control("TSLabel"), on);
}

void TSettingsPage::StopCriterionClick(int Criterion) {
  for (int i = 0; i < 3; ++i) EditEnabledColor(Control(kCriterionBoxes[i]), Criterion == i + 1);
  if (Criterion >= 1 && Criterion <= 3 && IsActivePage && IsActivePage())
    Control(kCriterionBoxes[Criterion - 1])->setFocus();
}

void TSettingsPage::PopulationBox2Change(QComboBox* Changed) {
  const std::string text = Trim(StdStr(Changed->currentText()));
  if (!text.empty()) {
    if (Changed == Combo(TSettingName::SizeBox))
      Get<QLabel>("Label23")->setText(QStr("[2, " + text + "]"));
    if (Changed == Combo(TSettingName::SizeBox1))
      Get<QLabel>("Label24")->setText(QStr("[2, " + text + "]"));
  }
  if (OnPopulationChanged) OnPopulationChanged();
}

void TSettingsPage::MainBTClick() {
  const bool main = Get<QToolButton>("MainBT")->isChecked();
  Control("MainPanel")->setVisible(main);
  Control("OptionPanel")->setVisible(Get<QToolButton>("OptionBT")->isChecked());
}

void TSettingsPage::SpeedButton1Click(int Tag) {
  TFileDialogOptions o;
  o.Title = Tag == 0 ? "File name for result save" : "File name for parameters save";
  o.Filter = "Result Files (*.csv)|*.csv";
  o.DefaultExt = "csv";
  if (DialogFolder) o.InitialDir = *DialogFolder;
  const TFileDialogResult r = Dialogs().SaveDialog(o);
  if (!r.Ok) return;
  const std::string name = r.FileName();
  if (DialogFolder) *DialogFolder = ExtractFileDir(name);
  QLineEdit* own = Get<QLineEdit>(Tag == 0 ? TSettingName::FileEdit : TSettingName::FileEdit1);
  QLineEdit* other = Get<QLineEdit>(Tag == 0 ? TSettingName::FileEdit1 : TSettingName::FileEdit);
  if (SameText(name, StdStr(other->text()))) {
    Dialogs().MessageBox("The file name of \"" + name + "\" has been used for" + "\n" +
                             (Tag == 0 ? " parameters file save, try another name please!"
                                       : " results file save, try another name please!"),
                         "Warning", mtWarning, mbOK);
    return;
  }
  own->setText(QStr(name));
}

bool TSettingsPage::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::KeyPress) {
    auto it = integerBoxes_.find(watched);
    if (it != integerBoxes_.end()) {
      auto* k = static_cast<QKeyEvent*>(e);
      const QString t = k->text();
      // Control characters (editing keys, Ctrl+V) pass; a typed character
      // must be one the box accepts.
      if (t.size() == 1 && t[0].unicode() >= 32) {
        const char16_t ch = t[0].unicode();
        const char key = ch < 128 ? char(ch) : '\x7f';
        std::string text;
        if (auto* edit = qobject_cast<QLineEdit*>(watched)) text = StdStr(edit->text());
        if (text.size() > 255) text.resize(255);
        if (!AcceptSettingKey(it->second, key, text)) return true;
      }
    }
  }
  return QScrollArea::eventFilter(watched, e);
}

}  // namespace qv
