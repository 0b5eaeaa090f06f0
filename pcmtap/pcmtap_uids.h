// The class identifier of the dump filter: the one name the recorder and
// the filter's server share.
#pragma once

#include "com/guid.h"

// {6FCF00BB-35B9-4186-8A27-8587CD0A3F8C}
inline constexpr CLSID CLSID_SoundDump = {0x6FCF00BB, 0x35B9, 0x4186, {0x8A, 0x27, 0x85, 0x87, 0xCD, 0x0A, 0x3F, 0x8C}};
