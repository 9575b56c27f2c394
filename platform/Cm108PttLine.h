// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// PTT through a GPIO pin of a CM108/CM119 USB sound interface (and the many radio
// interfaces built on them), driven through the chip's HID output report on its
// Linux hidraw device. Each change writes the 5-byte report 0, 0, data, mask, 0:
// the report number, a reserved byte, the pin levels, the pins to set, and a
// reserved byte; pin n is bit 1 << (n - 1). Window thread only.

#include "platform/PttLine.h"

#include <array>
#include <cstdint>

class Cm108PttLine final : public PttLine {
public:
    static constexpr int kReportBytes = 5;
    static constexpr int kDefaultGpio = 3;  // the pin most interfaces key with
    static constexpr int kHighestGpio = 8;

    explicit Cm108PttLine(const PttMethod& method);
    ~Cm108PttLine() override;
    Cm108PttLine(const Cm108PttLine&) = delete;
    Cm108PttLine& operator=(const Cm108PttLine&) = delete;

    bool open(std::string& error) override;
    bool setKeyed(bool keyed, std::string& error) override;

    // The report that sets the pin high (keyed) or low.
    static std::array<std::uint8_t, kReportBytes> report(int gpio, bool keyed);

private:
    void close();
    PttMethod method_;
    int fd_ = -1;
};
