#pragma once
// MPEG transport streams: 188-byte packets (.ts), 192-byte packets with a time prefix
// (.m2ts, .mts) and 204-byte packets with a parity suffix.
#include "cutting/clip/ClipPlan.h"

namespace klevotrim::clip {

PlanResult PlanMpegTransportStream(ByteSource& source, Marks marks);

} // namespace klevotrim::clip
