#include "adapters/smbus/BusError.h"

namespace gaugecal::adapters {

const char* Describe(BusError error) {
  switch (error) {
    case BusError::None:
      return "no error";
    case BusError::NoAnswer:
      return "no answer at the address";
    case BusError::Nack:
      return "not acknowledged";
    case BusError::Timeout:
      return "timed out";
    case BusError::ShortAnswer:
      return "the answer came back short";
    case BusError::PecMismatch:
      return "packet error code mismatch";
    case BusError::ArbitrationLost:
      return "bus arbitration lost";
    case BusError::DeviceGone:
      return "the adapter is gone";
    case BusError::TooLong:
      return "the adapter cannot carry the transfer";
    case BusError::BadRequest:
      return "address, command or length out of range";
    case BusError::Io:
      return "adapter failure";
  }
  return "adapter failure";
}

}  // namespace gaugecal::adapters
