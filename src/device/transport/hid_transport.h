#pragma once

#include <memory>

#include "device/transport/transport.h"

namespace tolva::device {

// The unit over hidapi's hidraw backend.
std::unique_ptr<Transport> MakeHidTransport();

}  // namespace tolva::device
