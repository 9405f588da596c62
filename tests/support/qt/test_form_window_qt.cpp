// Placement on real Qt windows: geometry and state restored when shown and
// saved when closed, a refused close, size limits and fixed size, the
// focused control by name.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

#include "platform/core/IniFiles.h"
#include "platform/core/SysUtils.h"
#include "platform/gui/QtCanvas.h"
#include "support/Placemnt.h"
#include "support/qt/QtFormWindow.h"
#include "tests/support/SettingsTestSupport.h"

namespace qv {
namespace {

class QtFormWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InstallQtGraphics(); }
  void SetUp() override {
    ini = test::TestIniPath("qtform");
    DeleteFile(ini);
  }
  std::string suffix() {
    const QRect g = QGuiApplication::primaryScreen()->geometry();
    return Format("(%dx%d)", g.width(), g.height());
  }
  // A placement on the test's file, installed on the form.
  std::unique_ptr<TFormPlacement> Place(TQtFormWindow& form) {
    auto p = std::make_unique<TFormPlacement>(&form);
    p->SetIniFileName(ini);
    p->Loaded();
    return p;
  }
  std::string ini;
};

std::string NormPosOf(const QRect& frame) {
  return Format("%d,%d,%d,%d", frame.left(), frame.top(), frame.left() + frame.width(),
                frame.top() + frame.height());
}

// NormPos is the frame rectangle: restoring puts the frame there, saving
// writes it back, and a second window shown from it lands in the same place.
TEST_F(QtFormWindowTest, RestoresOnShowAndSavesOnClose) {
  {
    TIniFile f(ini);
    f.WriteString("TFitForm", "NormPos", "40,30,440,330");
    f.WriteString("TFitForm", "ShowCmd", "1");
  }
  QRect saved;
  {
    QWidget w;
    w.resize(200, 100);
    TQtFormWindow form(&w, "TFitForm");
    auto p = Place(form);
    w.show();
    EXPECT_EQ(w.frameGeometry(), QRect(40, 30, 400, 300));
    w.move(60, 70);
    w.resize(320, 240);
    saved = w.frameGeometry();
    EXPECT_TRUE(w.close());
  }
  TIniFile f(ini);
  EXPECT_EQ(f.ReadString("TFitForm", "NormPos", ""), NormPosOf(saved));
  EXPECT_EQ(f.ReadString("TFitForm", "NormPos" + suffix(), ""), NormPosOf(saved));
  EXPECT_EQ(f.ReadString("TFitForm", "ShowCmd", ""), "1");
  QWidget w;
  TQtFormWindow form(&w, "TFitForm");
  auto p = Place(form);
  w.show();
  EXPECT_EQ(w.frameGeometry(), saved);
  w.hide();
}

TEST_F(QtFormWindowTest, MaximisedStateIsRestoredWithTheNormalRectangle) {
  {
    TIniFile f(ini);
    f.WriteString("TFitForm", "NormPos", "40,30,440,330");
    f.WriteString("TFitForm", "ShowCmd", "3");
  }
  QWidget w;
  TQtFormWindow form(&w, "TFitForm");
  auto p = Place(form);
  w.show();
  EXPECT_TRUE(w.isMaximized());
  w.close();
  TIniFile f(ini);
  EXPECT_EQ(f.ReadString("TFitForm", "ShowCmd", ""), "3");
  EXPECT_EQ(f.ReadString("TFitForm", "NormPos", ""), "40,30,440,330")
      << "the normal rectangle of a maximised window";
}

TEST_F(QtFormWindowTest, RefusedCloseKeepsTheWindowAndSavesNothing) {
  QWidget w;
  TQtFormWindow form(&w, "TFitForm");
  form.OnCloseQuery = [](bool& can) { can = false; };
  auto p = Place(form);
  w.show();
  EXPECT_FALSE(w.close());
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(FileExists(ini));
}

TEST_F(QtFormWindowTest, DestroyingSavesWhenTheCloseDidNot) {
  QRect frame;
  {
    auto w = std::make_unique<QWidget>();
    TQtFormWindow form(w.get(), "TFileForm");
    auto p = Place(form);
    w->show();
    w->move(10, 20);
    form.NotifyDestroying();
    frame = w->frameGeometry();
  }
  TIniFile f(ini);
  EXPECT_EQ(f.ReadString("TFileForm", "NormPos", ""), NormPosOf(frame));
  EXPECT_EQ(f.ReadString("TFileForm", "Visible", ""), "1");
}

// Tracking limits are frame sizes; the widget's limits are client sizes.
TEST_F(QtFormWindowTest, SizeLimitsAndFixedSize) {
  QWidget w;
  w.resize(300, 200);
  TQtFormWindow form(&w, "TFitForm");
  auto p = Place(form);
  w.show();
  const int dw = w.frameGeometry().width() - w.width();
  const int dh = w.frameGeometry().height() - w.height();
  p->MinMaxInfo().SetMinTrackWidth(250);
  p->MinMaxInfo().SetMaxTrackHeight(400);
  EXPECT_EQ(w.minimumWidth(), 250 - dw);
  EXPECT_EQ(w.maximumHeight(), 400 - dh);
  TWinMinMaxInfo none;
  p->SetMinMaxInfo(none);
  EXPECT_EQ(w.minimumSize(), QSize(0, 0));
  EXPECT_EQ(w.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));

  p->SetPreventResize(true);
  EXPECT_EQ(w.minimumSize(), QSize(300, 200));
  EXPECT_EQ(w.maximumSize(), QSize(300, 200));
  EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(w.isVisible()) << "changing the flags keeps the window shown";
  p->SetPreventResize(false);
  EXPECT_EQ(w.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
  w.hide();
}

TEST_F(QtFormWindowTest, ActiveControlByName) {
  QWidget w;
  auto* layout = new QVBoxLayout(&w);
  auto* e1 = new QLineEdit(&w);
  e1->setObjectName("Edit1");
  auto* e2 = new QLineEdit(&w);
  e2->setObjectName("Edit2");
  layout->addWidget(e1);
  layout->addWidget(e2);
  TQtFormWindow form(&w, "TFitForm");
  w.show();
  QApplication::setActiveWindow(&w);
  EXPECT_TRUE(form.FocusControl("Edit2"));
  EXPECT_EQ(form.ActiveControlName(), "Edit2");
  EXPECT_FALSE(form.FocusControl("Missing"));
  w.hide();
}

TEST_F(QtFormWindowTest, CentredFormWithoutStoredPlacement) {
  QWidget w;
  w.resize(200, 100);
  TQtFormWindow form(&w, "TFitForm");
  form.SetPosition(poScreenCenter);
  w.show();
  const QRect a = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(w.geometry().center().x() / 2, a.center().x() / 2);
  w.hide();
}

}  // namespace
}  // namespace qv
