// The demo's classic camera for rendering tests.
#pragma once

#include "KECamera.h"
#include "KEEngine.h"

// 90 degrees, 1.33, 1 to 2000; eye at (0, 0, -100), so world depth z lies at eye depth
// z + 100. Both cameras are used by the engine, not owned.
inline void UseDemoCamera(KEEngine* engine, KECamera* camera, KECamera* view) {
    camera->SetPerspective(90, 1.33f, 1, 2000);
    view->SetEye(0, 0, -100, 0, 0, 0);
    engine->SetCamera(camera);
    engine->SetView(view);
}
