#include "support/FormWindow.h"

#include <algorithm>

#include "platform/core/SysUtils.h"

namespace qv {

namespace {

std::vector<TFormWindow*>& FormList() {
  static std::vector<TFormWindow*> forms;
  return forms;
}

}  // namespace

TFormWindow::TFormWindow() { FormList().push_back(this); }

TFormWindow::~TFormWindow() { std::erase(FormList(), this); }

const std::vector<TFormWindow*>& TFormWindow::Forms() { return FormList(); }

TFormWindow* TFormWindow::FindForm(std::string_view name) {
  if (name.empty()) return nullptr;
  for (TFormWindow* f : FormList())
    if (SameText(f->Name(), name)) return f;
  return nullptr;
}

}  // namespace qv
