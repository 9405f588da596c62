#include "app/spread/qt/SpreadIcons.h"

#include <QPainter>
#include <QPixmap>
#include <functional>

#include "app/spread/SpreadGlyphs.h"

namespace qv {

QImage GlyphQImage(const TImage& img) {
  QImage q(img.Width(), img.Height(), QImage::Format_ARGB32);
  const QRgb clear = TImage::ToPixel(kGlyphClear);
  for (int y = 0; y < img.Height(); ++y) {
    const std::uint32_t* line = img.ScanLine(y);
    auto* out = reinterpret_cast<QRgb*>(q.scanLine(y));
    for (int x = 0; x < img.Width(); ++x) out[x] = line[x] == clear ? 0 : line[x];
  }
  return q;
}

QIcon GlyphIcon(const TImage& img) { return QIcon(QPixmap::fromImage(GlyphQImage(img))); }

// A simple picture for a tool button, drawn with QPainter.
static QIcon PaintedIcon(const std::function<void(QPainter&)>& paint) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  paint(p);
  return QIcon(pm);
}

QIcon GridIcon(bool rows, bool insert) {
  return PaintedIcon([=](QPainter& p) {
    p.setPen(QColor(128, 128, 128));
    p.drawRect(1, 1, 13, 13);
    p.drawLine(1, 5, 14, 5);
    p.drawLine(1, 10, 14, 10);
    p.drawLine(5, 1, 5, 14);
    p.drawLine(10, 1, 10, 14);
    p.fillRect(rows ? QRect(2, 6, 12, 4) : QRect(6, 2, 4, 12),
               insert ? QColor(80, 160, 80) : QColor(200, 60, 60));
  });
}

QIcon SortIcon(bool ascending) {
  return PaintedIcon([=](QPainter& p) {
    p.setPen(Qt::black);
    for (int i = 0; i < 4; ++i) {
      const int len = ascending ? 3 + i * 2 : 9 - i * 2;
      p.drawLine(1, 2 + i * 4, 1 + len, 2 + i * 4);
    }
    p.drawLine(13, 1, 13, 14);
    const int tip = ascending ? 14 : 1, dir = ascending ? -1 : 1;
    p.drawLine(13, tip, 10, tip + 3 * dir);
    p.drawLine(13, tip, 16, tip + 3 * dir);
  });
}

QIcon ChartIcon() {
  return PaintedIcon([](QPainter& p) {
    p.setPen(Qt::black);
    p.drawLine(1, 1, 1, 14);
    p.drawLine(1, 14, 15, 14);
    p.setPen(QPen(QColor(200, 0, 0), 2));
    p.drawPolyline(QPolygon({QPoint(2, 12), QPoint(6, 7), QPoint(9, 9), QPoint(14, 2)}));
  });
}

QIcon MergeIcon(int kind) {
  return PaintedIcon([=](QPainter& p) {
    p.setPen(QColor(128, 128, 128));
    p.drawRect(1, 1, 13, 13);
    if (kind == 3 || kind == 1) p.drawLine(1, 7, 14, 7);
    if (kind == 3 || kind == 2) p.drawLine(7, 1, 7, 14);
    p.setPen(QColor(0, 0, 160));
    if (kind == 0 || kind == 1) {
      p.drawLine(3, 4, 12, 4);
      if (kind == 1) p.drawLine(3, 10, 12, 10);
    }
    if (kind == 2) {
      p.drawLine(4, 3, 4, 12);
      p.drawLine(10, 3, 10, 12);
    }
  });
}

QIcon ClipboardIcon(int kind) {
  return PaintedIcon([=](QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    if (kind == 0) {
      // Scissors: two blades and two rings.
      p.setPen(QPen(Qt::black, 1.2));
      p.drawLine(5, 1, 10, 10);
      p.drawLine(11, 1, 6, 10);
      p.drawEllipse(QRectF(2.5, 10, 4, 4));
      p.drawEllipse(QRectF(9.5, 10, 4, 4));
      return;
    }
    if (kind == 1) {
      // Two pages.
      p.setPen(Qt::black);
      p.setBrush(Qt::white);
      p.drawRect(1, 1, 8, 10);
      p.drawRect(6, 4, 8, 10);
      return;
    }
    // A clipboard with a page.
    p.setPen(QColor(90, 60, 20));
    p.setBrush(QColor(200, 150, 80));
    p.drawRect(1, 2, 11, 13);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(6, 6, 8, 9);
    p.fillRect(4, 1, 5, 3, Qt::gray);
  });
}

QIcon ScaleIcon() {
  return PaintedIcon([](QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.5));
    p.drawEllipse(QRectF(1.5, 1.5, 9, 9));
    p.drawLine(QPointF(9.5, 9.5), QPointF(14.5, 14.5));
  });
}

}  // namespace qv
