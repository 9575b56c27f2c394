// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A radio's PTT keyed by other means than a serial port's DTR and RTS: by CAT
// command through Hamlib (a rig of its own, or a rigctld the station shares with
// its logging program), or by a GPIO pin of a CM108/CM119 sound interface.
// Window thread only; every call returns once the radio has answered or the
// attempt has failed, and the error text says why for the operator.

#include <memory>
#include <string>
#include <vector>

// How the operator asked the radio to be keyed, as typed into the PTT field.
struct PttMethod {
    enum class Kind { Rigctld, Hamlib, Cm108 };
    Kind kind = Kind::Rigctld;
    std::string host;       // rigctld: host name or address
    int tcpPort = 0;        // rigctld: its TCP port
    int rigModel = 0;       // hamlib: Hamlib's model number
    std::string device;     // hamlib: the rig's serial port; cm108: the hidraw device
    int baud = 0;           // hamlib: 0 = the rig's own default
    int gpio = 3;           // cm108: the pin, 1..8
};

class PttLine {
public:
    virtual ~PttLine() = default;  // releases the radio and lets go of the device
    virtual bool open(std::string& error) = 0;
    // Keys (true) or releases (false) the radio; false with a reason on failure.
    virtual bool setKeyed(bool keyed, std::string& error) = 0;
};

// A rig the CAT library can key, for the operator to pick by maker and name.
struct RigModel {
    int number = 0;  // Hamlib's model number
    std::string maker;
    std::string name;
};

class PttLineFactory {
public:
    virtual ~PttLineFactory() = default;
    // A closed line for the method; never nullptr.
    virtual std::unique_ptr<PttLine> make(const PttMethod& method) = 0;
    // The rigs a hamlib: choice can name, sorted by maker and name; none by default.
    virtual std::vector<RigModel> rigModels() { return {}; }
};
