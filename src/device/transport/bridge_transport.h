#pragma once

#include <memory>
#include <string>

#include "device/transport/transport.h"

namespace tolva::device {

// The report bridge: a SOCK_SEQPACKET Unix socket at path, served by an emulated unit in another
// process. Open = connect(); 65-byte messages out, 64-byte messages in.
std::unique_ptr<Transport> MakeBridgeTransport(std::string path);

}  // namespace tolva::device
