// The start-up check of the sound device, through the capture library.
#pragma once

#include "core/waveformat.h"

// The refusal text for a device without loopback (isLoopback 0) or a
// default format of 0 or more than 2 channels; null when the start may go on.
const char* SoundDeviceProblemFor(int isLoopback, const WAVEFORMATEX& defaultFormat);
// The same for the machine's default device.
const char* SoundDeviceProblem();
