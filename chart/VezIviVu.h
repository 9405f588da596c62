#pragma once
// Texts of further series types, functions, tools, toolbars and menus. None
// of them is read by this program's charts; they are assigned in their fixed
// order so that a translation can replace the set as a whole.

#include <string>
#include <vector>

namespace qv {

extern std::vector<std::string> VezIviVuTexts;

void VezIviVuStart();
void VezIviVuEnd();

}  // namespace qv
