#pragma once
// The ALSA side of the wave devices that the mixer layer shares: which card a wave input is, and ALSA kept quiet.
#include "platform/core/Types.h"

namespace platform::wave {
// The ALSA card of wave-input device `id`, or -1 (the mixer opens by it).
int AlsaCaptureCard(UINT id);
// ALSA prints every failed lookup to stderr; failures here are results.
void QuietAlsa();
}
