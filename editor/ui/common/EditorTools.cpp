#include "editor/ui/common/EditorTools.h"

int32_t g_gizmoMode = kGizmoMove;
