#pragma once

// What GetDeviceType answers for a phone; stored and compared as these numbers.
namespace DeviceType {

enum Value : int {
    Mtp = 1,
    MassStorage = 2,
};

} // namespace DeviceType
