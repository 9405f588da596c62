#include "app/SettingKeys.h"

#include "engine/ModelParser.h"

namespace qv {

bool AcceptSettingKey(bool Integer, char Key, const std::string& Text) {
  return Integer ? IsIntegerKey(Key) : IsRealKey(Key, Text);
}

}  // namespace qv
