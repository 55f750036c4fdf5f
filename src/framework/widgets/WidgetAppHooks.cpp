#include "framework/widgets/WidgetAppHooks.h"

namespace Orva {

// Without an application there is no cursor to change.
void WidgetSetAppCursor(OrvaAppBase*, int) {}

}  // namespace Orva
