// Called by the engine at the start of every frame to fill the render queue.
#pragma once

class KEFrameListener {
public:
    virtual ~KEFrameListener() = default;
    // Submits the frame's render items; false aborts the frame before anything is drawn.
    virtual bool OnRender() = 0;
};
