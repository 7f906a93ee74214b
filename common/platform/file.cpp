// The parts of File that are the same on every OS; opening, reading, writing and closing are per OS.
#include "common/platform/platform.h"

namespace platform {

File::~File() {
    Close();
}

File::File(File&& other) noexcept : handle_(other.handle_) {
    other.handle_ = kInvalid;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        other.handle_ = kInvalid;
    }
    return *this;
}

}  // namespace platform
