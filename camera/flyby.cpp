#include "camera/flyby.h"

namespace camera {

void FlyByTick() {
    // Camera placement and travelling are not built yet: the host's viewpoint
    // is left alone.
}

} // namespace camera
