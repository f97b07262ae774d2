#include "module/key_bindings.h"

namespace addon {

KeyBindingTable KeyBindings = {KeyBindingCapacity, 0, {}};

} // namespace addon
