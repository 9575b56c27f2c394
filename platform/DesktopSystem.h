// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The desktop systems whose own programs this one starts. Pure, any thread.

enum class DesktopSystem { Linux, Windows, MacOS };

// The system this program was built for (other Unix desktops count as Linux).
constexpr DesktopSystem hostDesktopSystem()
{
#if defined(_WIN32)
    return DesktopSystem::Windows;
#elif defined(__APPLE__)
    return DesktopSystem::MacOS;
#else
    return DesktopSystem::Linux;
#endif
}
