#pragma once
// The portable Guid as the Win32 GUID, at compile time.
#include "common/Guid.h"

#include <windows.h>

namespace klevotrim::win {

constexpr GUID ToGuid(const Guid& guid) {
    return GUID{guid.data1,
                guid.data2,
                guid.data3,
                {guid.data4[0], guid.data4[1], guid.data4[2], guid.data4[3], guid.data4[4], guid.data4[5],
                 guid.data4[6], guid.data4[7]}};
}

} // namespace klevotrim::win
