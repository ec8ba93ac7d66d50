#include "prompt/user_prompt.h"

// Anchors the interface's vtable in one object file.
namespace voltrim {
}  // namespace voltrim
