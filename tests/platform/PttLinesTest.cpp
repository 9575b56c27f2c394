// SPDX-License-Identifier: GPL-3.0-or-later
// The PTT lines against the real thing: a Hamlib rigctld (the dummy rig, PTT by
// CAT) started and stopped here, its PTT state asked through its own network
// protocol; and a CM108 interface's hidraw device stood in for by a file that
// receives the HID reports, checked byte for byte.

#include "platform/Cm108PttLine.h"
#include "platform/HamlibPttLine.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// A TCP port nobody listens on right now.
int freePort()
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    close(s);
    return ntohs(address.sin_port);
}

int connectTo(int port)
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return s;
    close(s);
    return -1;
}

// Hamlib's dummy rig behind rigctld on 127.0.0.1, for the length of one test.
class Rigctld : public ::testing::Test {
protected:
    void SetUp() override
    {
        port_ = freePort();
        const std::string portText = std::to_string(port_);
        std::vector<std::string> args{MSK_RIGCTLD, "-m", "1", "-P", "RIG", "-T", "127.0.0.1", "-t", portText};
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ASSERT_EQ(posix_spawn(&pid_, MSK_RIGCTLD, nullptr, nullptr, argv.data(), environ), 0) << MSK_RIGCTLD;
        // Ready once it accepts a connection; it starts within a fraction of a second.
        for (int i = 0; i < 500 && control_ < 0; ++i) {
            control_ = connectTo(port_);
            if (control_ < 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_GE(control_, 0) << "rigctld does not listen on port " << port_;
    }
    void TearDown() override
    {
        if (control_ >= 0)
            close(control_);
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    // What rigctld says its PTT is: "0" or "1".
    std::string pttState()
    {
        const char command[] = "t\n";
        if (write(control_, command, sizeof command - 1) != static_cast<ssize_t>(sizeof command - 1))
            return "write failed";
        std::string answer;
        char c = 0;
        while (read(control_, &c, 1) == 1 && c != '\n')
            answer += c;
        return answer;
    }
    PttMethod method() const
    {
        PttMethod m;
        m.kind = PttMethod::Kind::Rigctld;
        m.host = "127.0.0.1";
        m.tcpPort = port_;
        return m;
    }

    int port_ = 0;
    pid_t pid_ = 0;
    int control_ = -1;
};

TEST_F(Rigctld, KeysAndReleasesThroughTheNetworkAndNeverLeavesTheRigKeyed)
{
    {
        HamlibPttLine line(method());
        std::string error;
        ASSERT_TRUE(line.open(error)) << error;
        EXPECT_EQ(pttState(), "0");
        ASSERT_TRUE(line.setKeyed(true, error)) << error;
        EXPECT_EQ(pttState(), "1");
        ASSERT_TRUE(line.setKeyed(false, error)) << error;
        EXPECT_EQ(pttState(), "0");
        ASSERT_TRUE(line.setKeyed(true, error)) << error;
        EXPECT_EQ(pttState(), "1");
    }  // gone while keyed: released on the way out
    EXPECT_EQ(pttState(), "0");
}

TEST_F(Rigctld, AnAbsentDaemonIsAnErrorNamingIt)
{
    PttMethod m = method();
    m.tcpPort = freePort();
    HamlibPttLine line(m);
    std::string error;
    EXPECT_FALSE(line.open(error));
    EXPECT_NE(error.find("rigctld at 127.0.0.1:" + std::to_string(m.tcpPort)), std::string::npos) << error;
    EXPECT_FALSE(line.setKeyed(true, error));  // nothing to key
}

TEST(HamlibPttLine, KeysARigByCatAndRefusesAModelHamlibDoesNotKnow)
{
    PttMethod dummy;
    dummy.kind = PttMethod::Kind::Hamlib;
    dummy.rigModel = 1;  // Hamlib's dummy rig: it takes every command and needs no port
    dummy.device = "/dev/null";
    dummy.baud = 9600;
    HamlibPttLine rig(dummy);
    std::string why;
    ASSERT_TRUE(rig.open(why)) << why;
    EXPECT_TRUE(rig.setKeyed(true, why)) << why;
    EXPECT_TRUE(rig.setKeyed(false, why)) << why;

    PttMethod m;
    m.kind = PttMethod::Kind::Hamlib;
    m.rigModel = 999999;
    m.device = "/dev/null";
    HamlibPttLine line(m);
    std::string error;
    EXPECT_FALSE(line.open(error));
    EXPECT_EQ(error, "Hamlib knows no rig model 999999");
}

std::vector<unsigned char> contents(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Cm108PttLine, WritesTheHidReportForItsPinAndReleasesOnTheWayOut)
{
    const auto path = std::filesystem::temp_directory_path() / ("msk-cm108-" + std::to_string(getpid()));
    for (const auto& [gpio, bit] : {std::pair{3, 0x04}, std::pair{1, 0x01}, std::pair{8, 0x80}}) {
        std::ofstream(path, std::ios::binary | std::ios::trunc).close();
        {
            PttMethod m;
            m.kind = PttMethod::Kind::Cm108;
            m.device = path.string();
            m.gpio = gpio;
            Cm108PttLine line(m);
            std::string error;
            ASSERT_TRUE(line.open(error)) << error;
            ASSERT_TRUE(line.setKeyed(true, error)) << error;
            ASSERT_TRUE(line.setKeyed(false, error)) << error;
            ASSERT_TRUE(line.setKeyed(true, error)) << error;
        }
        // report 0, reserved 0, data, mask, reserved 0: key, release, key, and the
        // release as the line goes.
        const unsigned char b = static_cast<unsigned char>(bit);
        const std::vector<unsigned char> expected{0, 0, b, b, 0, 0, 0, 0, b, 0, 0, 0, b, b, 0, 0, 0, 0, b, 0};
        EXPECT_EQ(contents(path), expected) << "GPIO " << gpio;
    }
    std::filesystem::remove(path);
}

TEST(Cm108PttLine, AMissingDeviceOrPinIsAnErrorAndMakesNoFile)
{
    const auto path = std::filesystem::temp_directory_path() / "no-such-folder-msk" / "hidraw9";
    PttMethod m;
    m.kind = PttMethod::Kind::Cm108;
    m.device = path.string();
    Cm108PttLine line(m);
    std::string error;
    EXPECT_FALSE(line.open(error));
    EXPECT_EQ(error, "Cannot open the CM108 interface " + path.string() + ": No such file or directory");
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(line.setKeyed(true, error));

    m.device = "/dev/null";
    m.gpio = 9;
    Cm108PttLine noPin(m);
    EXPECT_FALSE(noPin.open(error));
    EXPECT_EQ(error, "CM108 GPIO 9 does not exist (1 to 8)");
}

}  // namespace
