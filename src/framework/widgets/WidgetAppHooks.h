#pragma once

namespace Orva {

class OrvaAppBase;

// The one call the widgets make into the application: the cursor shape (SetCursorKind; 0 arrow,
// 1 hand, 2 drag). Defined by the application library; the widgets alone link a version that
// does nothing. Never called with a null application.
void WidgetSetAppCursor(OrvaAppBase* app, int kind);

}  // namespace Orva
