// SPDX-License-Identifier: GPL-3.0-or-later
// "COM1".."COM9" to the system's serial devices.

#include "platform/SerialPortLocation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> kLinuxPorts = {"/dev/ttyUSB0", "/dev/ttyS10", "/dev/ttyS1", "/dev/ttyACM0",
                                              "/dev/ttyS2", "/dev/ttyS0"};

TEST(SerialPortLocation, ListedPortsCountFromOneInDevicePathOrder)
{
    const auto naming = SerialNaming::ListedDevicePaths;
    EXPECT_EQ(serialPortLocation(1, naming, kLinuxPorts), "/dev/ttyACM0");
    EXPECT_EQ(serialPortLocation(2, naming, kLinuxPorts), "/dev/ttyS0");
    EXPECT_EQ(serialPortLocation(3, naming, kLinuxPorts), "/dev/ttyS1");
    EXPECT_EQ(serialPortLocation(4, naming, kLinuxPorts), "/dev/ttyS2");
    EXPECT_EQ(serialPortLocation(5, naming, kLinuxPorts), "/dev/ttyS10") << "numbers by value, not by text";
    EXPECT_EQ(serialPortLocation(6, naming, kLinuxPorts), "/dev/ttyUSB0");
}

TEST(SerialPortLocation, NoPortForZeroNegativeOrBeyondTheList)
{
    for (const auto naming : {SerialNaming::ListedDevicePaths, SerialNaming::WindowsComNames}) {
        EXPECT_EQ(serialPortLocation(0, naming, kLinuxPorts), "") << "\"none\" never opens";
        EXPECT_EQ(serialPortLocation(-3, naming, kLinuxPorts), "");
    }
    EXPECT_EQ(serialPortLocation(7, SerialNaming::ListedDevicePaths, kLinuxPorts), "");
    EXPECT_EQ(serialPortLocation(1, SerialNaming::ListedDevicePaths, {}), "");
    // A port listed twice (the system reports it under two names) counts once.
    EXPECT_EQ(serialPortLocation(2, SerialNaming::ListedDevicePaths, {"/dev/ttyS0", "/dev/ttyS0"}), "");
}

TEST(SerialPortLocation, WindowsNamesThePortItselfWhateverIsListed)
{
    EXPECT_EQ(serialPortLocation(1, SerialNaming::WindowsComNames, {}), "COM1");
    EXPECT_EQ(serialPortLocation(9, SerialNaming::WindowsComNames, {"COM3"}), "COM9");
}

TEST(SerialPortLocation, DevicePathOrderIsAStrictOrderWithNumbersByValue)
{
    EXPECT_TRUE(devicePathLess("/dev/ttyS2", "/dev/ttyS10"));
    EXPECT_FALSE(devicePathLess("/dev/ttyS10", "/dev/ttyS2"));
    EXPECT_TRUE(devicePathLess("/dev/ttyS9", "/dev/ttyUSB0"));
    EXPECT_TRUE(devicePathLess("/dev/cu.usbserial-1", "/dev/cu.usbserial-1a"));
    EXPECT_FALSE(devicePathLess("/dev/ttyS1", "/dev/ttyS1"));
    // Leading zeros: equal in value, still told apart, in one direction only.
    EXPECT_NE(devicePathLess("/dev/ttyS01", "/dev/ttyS1"), devicePathLess("/dev/ttyS1", "/dev/ttyS01"));

    std::vector<std::string> paths = {"/dev/ttyS01", "/dev/ttyS1", "/dev/ttyS001", "/dev/ttyUSB10",
                                      "/dev/ttyUSB9", "/dev/ttyS0", "/dev/ttyAMA0"};
    std::sort(paths.begin(), paths.end(), devicePathLess);  // needs a strict weak order
    EXPECT_EQ(paths.front(), "/dev/ttyAMA0");
    EXPECT_EQ(paths[1], "/dev/ttyS0");
    EXPECT_EQ(paths[paths.size() - 2], "/dev/ttyUSB9");
    EXPECT_EQ(paths.back(), "/dev/ttyUSB10");
}

}  // namespace
