// The settings page: its controls carry the engine's names and defaults,
// values travel both ways between the page and the engine's settings, and
// the handlers keep the controls consistent (algorithm panels, PSO
// formulas, stop criteria, key filters, list indexes kept in Tags, log
// file names).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "app/AppControls.h"
#include "app/SettingsPage.h"
#include "platform/core/Services.h"
#include "platform/core/SysUtils.h"
#include "platform/gui/QtServices.h"

namespace qv {
namespace {

class SettingsPageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InstallQtServices(); }
  void SetUp() override {
    SetDialogService(&dialogs);
    page = std::make_unique<TSettingsPage>();
    page->resize(700, 800);
  }
  void TearDown() override { SetDialogService(nullptr); }

  // Types one character into a box; true when the box took it.
  bool Type(const std::string& name, char ch) {
    QWidget* w = page->Control(name);
    if (auto* c = qobject_cast<QComboBox*>(w)) w = c->lineEdit();
    auto* edit = qobject_cast<QLineEdit*>(w);
    const QString before = edit->text();
    QKeyEvent e(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(ch)));
    QApplication::sendEvent(w, &e);
    return edit->text() != before;
  }

  TScriptedDialogs dialogs;
  std::unique_ptr<TSettingsPage> page;
};

TEST_F(SettingsPageTest, EveryEngineSettingHasItsControlWithTheDefault) {
  const TFitSettings defaults;
  TFitSettings read;
  // Start from values that differ from every default.
  for (TSettingName n : read.Names()) {
    const TSettingControl& c = read.Control(n);
    if (c.Kind == TSettingKind::skEdit || c.Kind == TSettingKind::skComboBox)
      read.SetText(n, "x");
    else if (c.Kind == TSettingKind::skCheckBox)
      read.SetChecked(n, !c.Checked);
    else if (c.Kind != TSettingKind::skRadioButton)
      read.SetItemIndex(n, -1);
  }
  page->ReadInto(read);
  for (TSettingName name : defaults.Names()) {
    const std::string n = name.String();
    ASSERT_NE(page->Control(n), nullptr) << n;
    EXPECT_EQ(page->Control(n)->objectName().toStdString(), n);
    const TSettingControl& want = defaults.Control(name);
    const TSettingControl& got = read.Control(name);
    EXPECT_EQ(got.Text, want.Text) << n;
    EXPECT_EQ(got.ItemIndex, want.ItemIndex) << n;
    EXPECT_EQ(got.Checked, want.Checked) << n;
  }
}

TEST_F(SettingsPageTest, ValuesTheEngineWritesBackAreShown) {
  TFitSettings s;
  s.SetText(TSettingName::NSizeBox, "7");
  s.SetItemIndex(TSettingName::RadioGroup2, 1);
  s.SetText(TSettingName::CBB2, "100");
  s.SetChecked(TSettingName::RB1, true);
  s.SetItemIndex(TSettingName::BinCheckBox, 1);
  s.SetText(TSettingName::ComboBox2, "0");
  for (const char* n : {"NSizeBox", "RadioGroup2", "CBB2", "RB1", "BinCheckBox", "ComboBox2"})
    page->ShowSetting(s, TFitSettings::Find(n));
  TFitSettings back;
  page->ReadInto(back);
  EXPECT_EQ(back.Text(TSettingName::NSizeBox), "7");
  EXPECT_EQ(back.ItemIndex(TSettingName::RadioGroup2), 1);
  EXPECT_TRUE(back.Checked(TSettingName::RB1));
  EXPECT_FALSE(back.Checked(TSettingName::RB4));
  EXPECT_EQ(back.ItemIndex(TSettingName::BinCheckBox), 1);
  EXPECT_EQ(back.Text(TSettingName::ComboBox2), "0");
  // The shown algorithm and coding follow.
  EXPECT_FALSE(page->Control("GAPanel")->isHidden());
  EXPECT_TRUE(page->Control("CTGroup2")->isHidden());
  EXPECT_FALSE(page->Control("CTGroup3")->isHidden());
  EXPECT_TRUE(page->Control("BinBox")->isEnabled());
}

TEST_F(SettingsPageTest, AlgorithmChoiceShowsItsPanelAndCaption) {
  const char* const panels[] = {"ZUDPanel", "GAPanel", "PSOPanel", "DEPanel"};
  const char* const captions[] = {"(ZUD)", "(GA)", "(PSO)", "(DE)"};
  auto* group = page->Get<TRadioGroupBox>("RadioGroup2");
  for (int a = 0; a < 4; ++a) {
    group->SetItemIndex(a);
    page->RadioGroup2Click();
    for (int p = 0; p < 4; ++p) EXPECT_EQ(!page->Control(panels[p])->isHidden(), p == a);
    EXPECT_EQ(page->Get<QGroupBox>("GroupBox4")->title().toStdString(),
              std::string("Settlements of Algorithms ") + captions[a]);
    EXPECT_EQ(!page->Control("C1Box")->isHidden(), a == 2);
  }
}

TEST_F(SettingsPageTest, SwarmFormulasResetLearningFactorsOnlyWhereTheyMust) {
  auto* formula = page->Get<QComboBox>("ComboBox3");
  auto* c1 = page->Get<QComboBox>("C1Box");
  auto* c2 = page->Get<QComboBox>("C2Box");
  struct Case {
    int Index;
    const char* C1;
    const char* C2;
    const char* WantC1;
    bool Inertia;
    const char* Variant;
  } cases[] = {
      {1, "1", "2", "2.05", false, "(Modified Standard PSO - [PSO 1])"},
      {3, "1", "2", "2.05", false, "(Modified Standard PSO - [PSO 3])"},
      {4, "1", "2", "1", false, "(Constriction Factor PSO - [CFPSO])"},
      {2, "1", "2", "1", true, "(Modified Standard PSO - [PSO 2])"},
      {1, "2.5", "2", "2.5", false, "(Modified Standard PSO - [PSO 1])"},
  };
  for (const Case& c : cases) {
    c1->setEditText(c.C1);
    c2->setEditText(c.C2);
    formula->setCurrentIndex(c.Index);
    page->ComboBox3Change();
    EXPECT_EQ(c1->currentText().toStdString(), c.WantC1) << c.Index;
    EXPECT_EQ(page->Control("InterBox")->isEnabled(), c.Inertia) << c.Index;
    EXPECT_EQ(page->Get<QLabel>("Label21")->text().toStdString(), c.Variant);
    EXPECT_EQ(ComponentTag(formula), c.Index);
  }
}

// The page reads and takes numbers as the run does, with "." whatever the
// locale: under a locale that writes "," the learning factors 2.5 and 2 add
// up to 4.5 and stay, and "." is the key of a fraction.
TEST_F(SettingsPageTest, NumbersHaveOneFormUnderACommaLocale) {
  struct TCommaLocale {
    TCommaLocale() {
      FormatSettings().DecimalSeparator = ',';
      FormatSettings().ThousandSeparator = '.';
    }
    ~TCommaLocale() { FormatSettings() = TFormatSettings::Invariant(); }
  } locale;
  page->Get<QComboBox>("C1Box")->setEditText("2.5");
  page->Get<QComboBox>("C2Box")->setEditText("2");
  page->Get<QComboBox>("ComboBox3")->setCurrentIndex(1);
  page->ComboBox3Change();
  EXPECT_EQ(page->Get<QComboBox>("C1Box")->currentText().toStdString(), "2.5");
  EXPECT_EQ(page->Get<QComboBox>("C2Box")->currentText().toStdString(), "2");
  page->Get<QLineEdit>("REdit")->setText("0");
  EXPECT_FALSE(Type("REdit", ','));
  EXPECT_TRUE(Type("REdit", '.'));
  EXPECT_TRUE(Type("REdit", '5'));
  TFitSettings read;
  page->ReadInto(read);
  EXPECT_EQ(read.Text(TSettingName::REdit), "0.5");
}

TEST_F(SettingsPageTest, StopCriterionEnablesItsOwnBox) {
  const char* const boxes[] = {"ComboBox1", "SSEEdit", "REdit"};
  for (int criterion = 0; criterion < 4; ++criterion) {
    page->StopCriterionClick(criterion);
    for (int b = 0; b < 3; ++b)
      EXPECT_EQ(page->Control(boxes[b])->isEnabled(), criterion == b + 1) << criterion;
  }
}

TEST_F(SettingsPageTest, BoxesTakeOnlyTheKeysOfTheirNumbers) {
  auto* pop = page->Get<QComboBox>("SizeBox1");
  pop->setEditText("");
  EXPECT_TRUE(Type("SizeBox1", '4'));
  EXPECT_FALSE(Type("SizeBox1", 'a'));
  EXPECT_FALSE(Type("SizeBox1", '.'));
  page->Get<QLineEdit>("REdit")->setText("");
  EXPECT_TRUE(Type("REdit", '0'));
  EXPECT_TRUE(Type("REdit", '.'));
  EXPECT_FALSE(Type("REdit", '.'));  // one point only
  EXPECT_TRUE(Type("REdit", '5'));
  EXPECT_FALSE(Type("REdit", 'e'));
  EXPECT_EQ(page->Get<QLineEdit>("REdit")->text().toStdString(), "0.5");
}

TEST_F(SettingsPageTest, PopulationChangeUpdatesRangeAndForbidsResume) {
  int changes = 0;
  page->OnPopulationChanged = [&] { ++changes; };
  page->Get<QComboBox>("SizeBox")->setEditText("30");
  EXPECT_EQ(page->Get<QLabel>("Label23")->text().toStdString(), "[2, 30]");
  page->Get<QComboBox>("SizeBox1")->setEditText("40");
  EXPECT_EQ(page->Get<QLabel>("Label24")->text().toStdString(), "[2, 40]");
  page->Get<QComboBox>("DESizeBox")->setEditText("50");
  EXPECT_EQ(changes, 3);
}

TEST_F(SettingsPageTest, ListIndexesLiveInTagsAndComeBackFromThem) {
  auto* st = page->Get<QComboBox>("STGroup2");
  EXPECT_EQ(ComponentTag(st), 6);
  st->setCurrentIndex(2);
  EXPECT_EQ(ComponentTag(st), 2);
  SetComponentTag(st, 4);
  SetComponentTag(page->Get<QComboBox>("ZUDSchemeBox"), 1);
  page->RestoreIndexesFromTags();
  EXPECT_EQ(st->currentIndex(), 4);
  EXPECT_EQ(page->Get<QComboBox>("ZUDSchemeBox")->currentIndex(), 1);
}

TEST_F(SettingsPageTest, LogFileButtonsRefuseTheOtherLogsName) {
  page->Get<QLineEdit>("FileEdit1")->setText("/tmp/Params.csv");
  dialogs.PushFile("/tmp/params.CSV");
  page->SpeedButton1Click(0);
  ASSERT_EQ(dialogs.Log().size(), 2u);
  EXPECT_EQ(dialogs.Log()[0].Caption, "File name for result save");
  EXPECT_EQ(dialogs.Log()[1].Text,
            "The file name of \"/tmp/params.CSV\" has been used for\n parameters file save, try "
            "another name please!");
  EXPECT_EQ(page->Get<QLineEdit>("FileEdit")->text().toStdString(), "");
  dialogs.PushFile("/tmp/results.csv");
  page->SpeedButton1Click(0);
  EXPECT_EQ(page->Get<QLineEdit>("FileEdit")->text().toStdString(), "/tmp/results.csv");
}

}  // namespace
}  // namespace qv
