#include "controls/qt/QtUiTheme.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <cstring>

#include "controls/UiThemeSrv.h"
#include "platform/gui/QtCanvas.h"

namespace qv {

namespace {

bool classicMode = false;

// Forwards the application's style changes to the theme services.
class TThemeWatch : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched == qApp) {
      switch (e->type()) {
        case QEvent::ApplicationPaletteChange:
        case QEvent::ThemeChange:
        case QEvent::StyleChange:
          ThemeServices().WindowProc(WM_THEMECHANGED);
          break;
        default:
          break;
      }
    }
    return false;
  }
};

}  // namespace

QImage WrapImage(TImage& image) {
  return QImage(reinterpret_cast<uchar*>(image.Bits()), image.Width(), image.Height(),
                image.Width() * 4, QImage::Format_RGB32);
}

TImage ToTImage(const QImage& source) {
  QImage img = source.convertToFormat(QImage::Format_RGB32);
  TImage out(img.width(), img.height());
  for (int y = 0; y < img.height(); ++y)
    std::memcpy(out.ScanLine(y), img.constScanLine(y), std::size_t(img.width()) * 4);
  return out;
}

HTHEME TQtStyleTheme::OpenThemeData(const std::string& classList) {
  for (int i = 0; i < ThemedElementCount; ++i)
    if (classList == ThemedElementClassName(TThemedElement(i))) return HTHEME(i + 1);
  return 0;
}

void TQtStyleTheme::CloseThemeData(HTHEME) {}

bool TQtStyleTheme::IsThemeActive() { return !classicMode; }

void TQtStyleTheme::DrawThemeBackground(HTHEME theme, TCanvas& canvas, int part, int state,
                                        const TRect& rect, const TRect* clip) {
  if (theme <= 0 || rect.IsEmpty() || !qApp) return;
  const TThemedElement element = TThemedElement(theme - 1);
  QStyle* style = QApplication::style();
  // The element is drawn into an image of its own over the window colour,
  // then onto the canvas.
  TImage img(rect.Width(), rect.Height(), ColorToRGB(clBtnFace));
  {
    QImage q = WrapImage(img);
    QPainter p(&q);
    QStyleOption opt;
    opt.rect = QRect(0, 0, rect.Width(), rect.Height());
    opt.palette = QApplication::palette();
    opt.state = QStyle::State_Enabled;
    // States: 1 normal, 2 hot, 3 pressed, 4 disabled.
    if (state == 2) opt.state |= QStyle::State_MouseOver;
    if (state == 3) opt.state |= QStyle::State_Sunken;
    if (state == 4) opt.state &= ~QStyle::State_Enabled;
    if (state != 3) opt.state |= QStyle::State_Raised;
    if (!(opt.state & QStyle::State_Enabled)) opt.palette.setCurrentColorGroup(QPalette::Disabled);
    auto button = [&] { style->drawPrimitive(QStyle::PE_PanelButtonTool, &opt, &p); };
    auto arrow = [&](QStyle::PrimitiveElement pe) {
      QStyleOption a = opt;
      a.rect = opt.rect.adjusted(2, 2, -2, -2);
      if (state == 3) a.rect.translate(1, 1);
      style->drawPrimitive(pe, &a, &p);
    };
    switch (element) {
      case teSpin:
        button();
        arrow(part == 1   ? QStyle::PE_IndicatorArrowUp
              : part == 2 ? QStyle::PE_IndicatorArrowDown
              : part == 3 ? QStyle::PE_IndicatorArrowRight
                          : QStyle::PE_IndicatorArrowLeft);
        break;
      case teComboBox:
        if (part == 1) {
          button();
          arrow(QStyle::PE_IndicatorArrowDown);
        } else {
          QStyleOptionFrame f;
          f.QStyleOption::operator=(opt);
          f.lineWidth = 1;
          f.state |= QStyle::State_Sunken;
          style->drawPrimitive(QStyle::PE_FrameLineEdit, &f, &p);
        }
        break;
      case teWindow:
        button();
        arrow(QStyle::PE_IndicatorTabClose);
        break;
      default: {
        // Frames of list, tree and edit controls.
        QStyleOptionFrame f;
        f.QStyleOption::operator=(opt);
        f.lineWidth = 2;
        f.state |= QStyle::State_Sunken;
        style->drawPrimitive(QStyle::PE_Frame, &f, &p);
        break;
      }
    }
  }
  canvas.PushClip();
  if (clip) canvas.IntersectClipRect(*clip);
  canvas.Draw(rect.Left, rect.Top, img);
  canvas.PopClip();
}

void InstallQtTheme(bool classic) {
  static bool installed = false;
  classicMode = classic;
  InstallQtGraphics();  // makes the application object when there is none
  if (!installed && qApp) {
    installed = true;
    SetUxThemeProvider([] { return std::make_unique<TQtStyleTheme>(); });
    qApp->installEventFilter(new TThemeWatch(qApp));
    // Services made before the library was there load it anew.
    FreeThemeServices();
  }
  ThemeServices().WindowProc(WM_THEMECHANGED);
}

void SetClassicTheme(bool classic) {
  if (classic == classicMode) return;
  classicMode = classic;
  ThemeServices().WindowProc(WM_THEMECHANGED);
}

bool ClassicTheme() { return classicMode; }

}  // namespace qv
