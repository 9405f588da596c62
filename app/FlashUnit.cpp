#include "app/FlashUnit.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <cmath>

#include "chart/Chart.h"
#include "chart/PlotSurfa.h"
#include "chart/qt/ChartWidget.h"
#include "platform/gui/QtCanvas.h"

namespace qv {

namespace {

constexpr int kClientWidth = 352, kClientHeight = 412;

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QFont& font,
                  const QColor& color) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->setFont(font);
  QPalette p = l->palette();
  p.setColor(QPalette::WindowText, color);
  l->setPalette(p);
  l->adjustSize();
  return l;
}

}  // namespace

double TFlashForm::SurfaceValue(int Formula, double A, double x, double z) {
  const double r2 = x * x + z * z;
  const double s = std::sin(std::sqrt(r2));
  switch (Formula) {
    case 0:
      return x * x + (z - x) * (z - x) + A * std::sin(x * z);
    case 1:
      return x * x + (z - x) * (z - x) + A * std::sin(x + z);
    case 2:
      return x * x + (z + x) * (z + x) + A * std::sin(x + z);
    case 3: {
      const double d = 0.001 * r2 + 1;
      return (s * s - 0.5) / (d * d) + 0.5;
    }
    case 4: {
      const double d = 0.1 * (x + z) + 1;
      return (s * s - 0.5) / (d * d) + 0.5;
    }
    default: {
      const double d = 0.001 * r2 + 1;
      return (s * s - 0.5 * std::sin(x)) / (d * d) + 0.5;
    }
  }
}

TFlashForm::TFlashForm(QWidget* parent, bool Splash) : QDialog(parent) {
  setObjectName("FlashForm");
  if (Splash) {
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
  } else {
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle("About Quorvane");
    setModal(true);
  }
  setFixedSize(kClientWidth, kClientHeight);
  setAutoFillBackground(true);
  random_.Randomize();

  QFont title("Book Antiqua");
  title.setStyleHint(QFont::Serif);
  title.setFamilies({"Book Antiqua", "Liberation Serif", "DejaVu Serif"});
  title.setPixelSize(47);
  title.setBold(true);
  title.setItalic(true);
  // Label2 behind, 5 pixels to the right: the shadow of Label1.
  QLabel* shadow = MakeLabel(this, "Label2", "Quorvane", title, ToQColor(clActiveCaption));
  QLabel* name = MakeLabel(this, "Label1", "Quorvane", title, QColor(Qt::red));
  QFont small = font();
  small.setPixelSize(12);
  QLabel* line = MakeLabel(
      this, "Label9",
      "A Powerful, Easiest-to-use Optimization, Regression and Auto-calibration Software Package",
      small, palette().color(QPalette::WindowText));
  line->setWordWrap(true);
  line->setAlignment(Qt::AlignCenter);
  line->setFixedWidth(kClientWidth - 40);
  line->adjustSize();

  chart_ = new TChartWidget(this);
  chart_->setObjectName("FlashChart");
  chart_->setFixedSize(kClientWidth - 40, 250);
  chart_->setFrameShape(QFrame::NoFrame);

  auto* bevel = new QFrame(this);
  bevel->setObjectName("Bevel1");
  bevel->setFrameShape(QFrame::HLine);
  bevel->setFrameShadow(QFrame::Sunken);

  auto* shape = new QFrame(this);
  shape->setObjectName("Shape1");
  shape->setFrameShape(QFrame::Box);
  shape->setLineWidth(1);
  shape->setGeometry(0, 0, kClientWidth, kClientHeight);
  shape->setVisible(Splash);
  shape->setAttribute(Qt::WA_TransparentForMouseEvents);

  // Centred: the names, the line and the chart.
  const int top = 8;
  name->move((kClientWidth - name->width()) / 2, top);
  shadow->move(name->x() + 5, top);
  shadow->lower();
  line->move((kClientWidth - line->width()) / 2, top + name->height() + 2);
  chart_->move((kClientWidth - chart_->width()) / 2, line->y() + line->height() + 6);
  bevel->setGeometry(16, chart_->y() + chart_->height() + 6, kClientWidth - 32, 2);
  for (QWidget* w : std::initializer_list<QWidget*>{name, shadow, line, chart_})
    w->installEventFilter(this);

  FormCreate();

  // A third of the free screen height from the top, centred horizontally.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - kClientWidth) / 2,
         area.y() + (area.height() - kClientHeight) / 3);
  }
}

TFlashForm::~TFlashForm() = default;

void TFlashForm::FormCreate() {
  formula_ = random_.Random(6);
  amplitude_ = random_.Random() * 10 + 5;
  surface_.assign(GridSize, std::vector<double>(GridSize));
  for (int i = 0; i < GridSize; ++i)
    for (int j = 0; j < GridSize; ++j)
      surface_[std::size_t(i)][std::size_t(j)] =
          SurfaceValue(formula_, amplitude_, 0.12 * i - 3, 0.12 * j - 3);
  TCustomChart& chart = chart_->Chart();
  chart.Legend().SetVisible(false);
  chart.Title().SetVisible(false);
  chart.SetAxisVisible(false);
  chart.SetView3D(true);
  chart.SetView3DWalls(false);
  chart.SetChart3DPercent(65);
  chart.SetColor(clBtnHighlight);
  // The surface: pen hidden, a smooth palette of 100 strong steps.
  series_ = std::make_unique<TSurfaceSeries>();
  series_->Pen().SetVisible(false);
  series_->SetPaletteSteps(100);
  series_->SetUsePalette(true);
  series_->SetSmoothPalette(true);
  series_->SetPaletteStyle(psStrong);
  series_->SetParentChart(&chart);
  for (int i = 0; i < GridSize; ++i)
    for (int j = 0; j < GridSize; ++j)
      series_->AddXYZ(i, surface_[std::size_t(i)][std::size_t(j)], j);
}

void TFlashForm::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    close();
    return;
  }
  QDialog::keyPressEvent(e);
}

void TFlashForm::mousePressEvent(QMouseEvent*) { close(); }

bool TFlashForm::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::MouseButtonPress) {
    close();
    return true;
  }
  return QDialog::eventFilter(watched, e);
}

}  // namespace qv
