// POSIX flavour of the platform layer, shared between its files: the host's stop requests.
#pragma once

namespace platform {

// A descriptor that becomes readable once a stop request was caught, to wait on beside others;
// -1 while stop requests are not caught.
int StopRequestDescriptor();

}  // namespace platform
