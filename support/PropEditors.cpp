#include "support/PropEditors.h"

namespace qv {

std::string DisplayValue(const std::string& value) {
  std::string s = value;
  for (char& ch : s)
    if (static_cast<unsigned char>(ch) < 32) ch = '.';
  return s;
}

void TPropertyEditor::ListMeasureWidth(const std::string&, TCanvas&, int&) {}

void TPropertyEditor::ListMeasureHeight(const std::string&, TCanvas&, int&) {}

void TPropertyEditor::ListDrawValue(const std::string& value, TCanvas& c, const TRect& r, bool) {
  c.TextRect(r, r.Left + 2, r.Top, value);
}

void TPropertyEditor::PropDrawValue(TCanvas& c, const TRect& r, bool) {
  c.TextRect(r, r.Left + 1, r.Top + 1, DisplayValue(GetValue()));
}

}  // namespace qv
