// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a system names its serial ports: Windows by "COMn" itself, others by device
// paths that the system lists. Pure, any thread.

enum class SerialNaming { WindowsComNames, ListedDevicePaths };

// The naming of the system this program was built for.
constexpr SerialNaming hostSerialNaming()
{
#ifdef _WIN32
    return SerialNaming::WindowsComNames;
#else
    return SerialNaming::ListedDevicePaths;
#endif
}
