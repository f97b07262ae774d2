// The fly-by camera.
#pragma once

namespace camera {

// One fly-by step, run by the frame tick after it has refreshed the aircraft values.
void FlyByTick();

} // namespace camera
