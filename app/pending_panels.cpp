// Panels not built yet draw their backdrop only (the frame draws it before calling).
// Each definition moves out of this file when its panel is built.
#include "app/views.h"

