// The key filter of the settings boxes: whole-number boxes take digits,
// real-number boxes digits, "-", blank and one ".". Kept apart from the
// widgets because the engine's filter lives beside its host interface.
#pragma once

#include <string>

namespace qv {

// Whether a typed character is taken by a whole-number (Integer true) or
// real-number box holding Text.
bool AcceptSettingKey(bool Integer, char Key, const std::string& Text);

}  // namespace qv
