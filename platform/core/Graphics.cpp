#include "platform/core/Graphics.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "platform/core/RecordingCanvas.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

// The built-in scheme: the classic grey Windows look.
constexpr std::array<TColor, SysColorCount> kDefaultSysColors = {
    RGB(192, 192, 192),  // scroll bar
    RGB(0, 128, 128),    // desktop
    RGB(0, 0, 128),      // active caption
    RGB(128, 128, 128),  // inactive caption
    RGB(192, 192, 192),  // menu
    RGB(255, 255, 255),  // window
    RGB(0, 0, 0),        // window frame
    RGB(0, 0, 0),        // menu text
    RGB(0, 0, 0),        // window text
    RGB(255, 255, 255),  // caption text
    RGB(192, 192, 192),  // active border
    RGB(192, 192, 192),  // inactive border
    RGB(128, 128, 128),  // application work space
    RGB(0, 0, 128),      // highlight
    RGB(255, 255, 255),  // highlight text
    RGB(192, 192, 192),  // button face
    RGB(128, 128, 128),  // button shadow
    RGB(128, 128, 128),  // grey text
    RGB(0, 0, 0),        // button text
    RGB(192, 192, 192),  // inactive caption text
    RGB(255, 255, 255),  // button highlight
    RGB(0, 0, 0),        // 3-D dark shadow
    RGB(223, 223, 223),  // 3-D light
    RGB(0, 0, 0),        // info text
    RGB(255, 255, 225),  // info background
    RGB(0, 0, 0),        // (unused)
    RGB(0, 0, 255),      // hot light
    RGB(16, 132, 208),   // gradient active caption
    RGB(181, 181, 181),  // gradient inactive caption
    RGB(0, 0, 128),      // menu highlight
    RGB(192, 192, 192),  // menu bar
};

// One table per process: the system colours of the desktop.
std::array<TColor, SysColorCount>& SysColors() {
  static std::array<TColor, SysColorCount> table = kDefaultSysColors;
  return table;
}

// The desktop's font service, one per process as the other desktop services
// (platform/core/Services.h); the Qt layer installs it.
TFontService* g_fontService = nullptr;

}  // namespace

TColor ColorToRGB(TColor c) {
  if (IsSysColor(c)) return GetSysColor(int(c & 0xFF));
  return c;
}

TColor GetSysColor(int index) {
  if (index < 0 || index >= SysColorCount) return 0;
  return SysColors()[std::size_t(index)];
}

void SetSysColor(int index, TColor rgb) {
  if (index >= 0 && index < SysColorCount) SysColors()[std::size_t(index)] = rgb & 0xFFFFFF;
}

void ResetSysColors() { SysColors() = kDefaultSysColors; }

bool IntersectRect(TRect& dst, const TRect& a, const TRect& b) {
  TRect r(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom));
  if (r.IsEmpty()) {
    dst = TRect();
    return false;
  }
  dst = r;
  return true;
}

bool UnionRect(TRect& dst, const TRect& a, const TRect& b) {
  if (a.IsEmpty()) {
    dst = b.IsEmpty() ? TRect() : b;
  } else if (b.IsEmpty()) {
    dst = a;
  } else {
    dst = TRect(std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                std::max(a.Bottom, b.Bottom));
  }
  return !dst.IsEmpty();
}

void InflateRect(TRect& r, int dx, int dy) {
  r.Left -= dx;
  r.Right += dx;
  r.Top -= dy;
  r.Bottom += dy;
}

void OffsetRect(TRect& r, int dx, int dy) {
  r.Left += dx;
  r.Right += dx;
  r.Top += dy;
  r.Bottom += dy;
}

TRect NormalizedRect(const TRect& r) {
  return TRect(std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
               std::max(r.Top, r.Bottom));
}

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  long long p = (long long)a * b;
  long long q = c;
  if (q < 0) {
    p = -p;
    q = -q;
  }
  long long r = p >= 0 ? (p + q / 2) / q : -((-p + q / 2) / q);
  if (r > 0x7FFFFFFFLL || r < -0x7FFFFFFFLL - 1) return -1;
  return int(r);
}

// ---- state objects -------------------------------------------------------

void TPen::Assign(const TPen& src) {
  if (SameAs(src)) return;
  color_ = src.color_;
  width_ = src.width_;
  style_ = src.style_;
  mode_ = src.mode_;
  cap_ = src.cap_;
  join_ = src.join_;
  Changed();
}

void TBrush::SetColor(TColor v) {
  if (v == color_ && style_ != bsClear) return;
  color_ = v;
  if (style_ == bsClear) style_ = bsSolid;
  Changed();
}

void TBrush::Assign(const TBrush& src) {
  if (SameAs(src)) return;
  color_ = src.color_;
  style_ = src.style_;
  bitmap_ = src.bitmap_;
  Changed();
}

int TFont::Size() const { return -MulDiv(height_, 72, ScreenPixelsPerInch); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, ScreenPixelsPerInch, 72)); }

void TFont::Assign(const TFont& src) {
  if (SameAs(src) && color_ == src.color_) return;
  name_ = src.name_;
  height_ = src.height_;
  style_ = src.style_;
  color_ = src.color_;
  charset_ = src.charset_;
  pitch_ = src.pitch_;
  escapement_ = src.escapement_;
  quality_ = src.quality_;
  Changed();
}

bool TFont::SameAs(const TFont& o) const {
  return name_ == o.name_ && height_ == o.height_ && style_ == o.style_ && charset_ == o.charset_ &&
         pitch_ == o.pitch_ && escapement_ == o.escapement_ && quality_ == o.quality_;
}

// ---- fonts ---------------------------------------------------------------

int TFontService::CharWidth(const TFont& font, char32_t ch) {
  TABC abc;
  if (!GetCharABCWidths(font, ch, abc)) return 0;
  return abc.abcA + abc.abcB + abc.abcC;
}

std::string TFontService::ResolvedFamily(const TFont& font) {
  return ResolveFontFamily(font.Name());
}

TFontService& FontService() {
  if (g_fontService) return *g_fontService;
  static TFakeFontService fallback(8, 16);
  return fallback;
}

void SetFontService(TFontService* service) { g_fontService = service; }

std::string ResolveFontFamily(const std::string& name) {
  std::string n;
  for (char ch : name) n += LowerCaseChar(ch);
  if (n == "arial" || n == "liberation sans") return "Liberation Sans";
  if (n == "courier new" || n == "liberation mono") return "Liberation Mono";
  if (n == "times new roman" || n == "liberation serif") return "Liberation Serif";
  if (n.find("mono") != std::string::npos || n.find("courier") != std::string::npos ||
      n == "terminal" || n == "fixedsys" || n == "lucida console" || n == "consolas")
    return "DejaVu Sans Mono";
  if (n.find("serif") != std::string::npos && n.find("sans") == std::string::npos)
    return "DejaVu Serif";
  return "DejaVu Sans";
}

std::u32string Utf8ToUtf32(const std::string& s) {
  std::u32string out;
  out.reserve(s.size());
  std::size_t i = 0, n = s.size();
  while (i < n) {
    unsigned char c = (unsigned char)s[i];
    char32_t cp;
    int len;
    if (c < 0x80) {
      cp = c;
      len = 1;
    } else if ((c >> 5) == 6) {
      cp = c & 0x1F;
      len = 2;
    } else if ((c >> 4) == 14) {
      cp = c & 0x0F;
      len = 3;
    } else if ((c >> 3) == 30) {
      cp = c & 0x07;
      len = 4;
    } else {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    if (i + len > n) {
      out.push_back(0xFFFD);
      break;
    }
    bool ok = true;
    for (int k = 1; k < len; ++k) {
      unsigned char cc = (unsigned char)s[i + k];
      if ((cc >> 6) != 2) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (!ok) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    out.push_back(cp);
    i += std::size_t(len);
  }
  return out;
}

std::string Utf32ToUtf8(const std::u32string& s) {
  std::string out;
  out.reserve(s.size());
  for (char32_t c : s) {
    if (c < 0x80)
      out += char(c);
    else if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | (c >> 18));
      out += char(0x80 | ((c >> 12) & 0x3F));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace qv
