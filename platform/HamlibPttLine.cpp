// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/HamlibPttLine.h"

#include <hamlib/rig.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr int kTimeoutMilliseconds = 1500;  // per command; a rig that is off answers never
constexpr int kRetries = 1;

void quietHamlib()
{
    static std::once_flag once;
    std::call_once(once, [] { rig_set_debug(RIG_DEBUG_NONE); });
}

std::string hamlibError(int code)
{
    const char* text = rigerror(code);
    std::string s = text != nullptr ? text : "Hamlib error " + std::to_string(code);
    // rigerror ends its text with a line break (and in some versions a trace).
    const std::size_t end = s.find_first_of("\r\n");
    return end == std::string::npos ? s : s.substr(0, end);
}

bool setConf(RIG* rig, const char* name, const std::string& value)
{
    const token_t token = rig_token_lookup(rig, name);
    return token != RIG_CONF_END && rig_set_conf(rig, token, value.c_str()) == RIG_OK;
}

std::string describe(const PttMethod& m)
{
    if (m.kind == PttMethod::Kind::Rigctld)
        return "rigctld at " + m.host + ":" + std::to_string(m.tcpPort);
    return "Hamlib rig model " + std::to_string(m.rigModel) + " on " + m.device;
}

}  // namespace

HamlibPttLine::HamlibPttLine(const PttMethod& method) : method_(method) {}

HamlibPttLine::~HamlibPttLine()
{
    close();
}

bool HamlibPttLine::open(std::string& error)
{
    close();
    quietHamlib();
    const bool network = method_.kind == PttMethod::Kind::Rigctld;
    const rig_model_t model = network ? RIG_MODEL_NETRIGCTL : static_cast<rig_model_t>(method_.rigModel);
    rig_ = rig_init(model);
    if (rig_ == nullptr) {
        error = "Hamlib knows no rig model " + std::to_string(method_.rigModel);
        return false;
    }
    const std::string path = network ? method_.host + ":" + std::to_string(method_.tcpPort) : method_.device;
    bool configured = setConf(rig_, "rig_pathname", path) &&
                      setConf(rig_, "timeout", std::to_string(kTimeoutMilliseconds)) &&
                      setConf(rig_, "retry", std::to_string(kRetries));
    // Only a rig on a serial port has a speed to set.
    if (configured && !network && method_.baud > 0 && rig_token_lookup(rig_, "serial_speed") != RIG_CONF_END)
        configured = setConf(rig_, "serial_speed", std::to_string(method_.baud));
    // Keyed by CAT command: a rig whose entry names no way of keying is asked by
    // command too. Rigs that key by another way of their own (a data-port PTT
    // command, say) keep it.
    if (configured && !network && rig_->caps->ptt_type == RIG_PTT_NONE)
        configured = setConf(rig_, "ptt_type", "RIG");
    if (!configured) {
        error = "Hamlib refuses the settings for " + describe(method_);
        close();
        return false;
    }
    const int result = rig_open(rig_);
    if (result != RIG_OK) {
        error = "Cannot reach " + describe(method_) + ": " + hamlibError(result);
        rig_cleanup(rig_);
        rig_ = nullptr;
        return false;
    }
    return true;
}

bool HamlibPttLine::setKeyed(bool keyed, std::string& error)
{
    if (rig_ == nullptr) {
        error = describe(method_) + " is not open";
        return false;
    }
    const int result = rig_set_ptt(rig_, RIG_VFO_CURR, keyed ? RIG_PTT_ON : RIG_PTT_OFF);
    if (result != RIG_OK) {
        error = describe(method_) + (keyed ? " would not key: " : " would not release PTT: ") + hamlibError(result);
        return false;
    }
    return true;
}

void HamlibPttLine::close()
{
    if (rig_ == nullptr)
        return;
    // Whatever happened before, the radio is not left keyed behind the program.
    rig_set_ptt(rig_, RIG_VFO_CURR, RIG_PTT_OFF);
    rig_close(rig_);
    rig_cleanup(rig_);
    rig_ = nullptr;
}

std::vector<RigModel> hamlibModels()
{
    quietHamlib();
    rig_load_all_backends();
    std::vector<RigModel> models;
    rig_list_foreach(
        [](const rig_caps* caps, rig_ptr_t data) {
            auto* list = static_cast<std::vector<RigModel>*>(data);
            list->push_back({static_cast<int>(caps->rig_model), caps->mfg_name != nullptr ? caps->mfg_name : "",
                             caps->model_name != nullptr ? caps->model_name : ""});
            return 1;  // go on
        },
        &models);
    std::sort(models.begin(), models.end(), [](const RigModel& a, const RigModel& b) {
        return a.maker != b.maker ? a.maker < b.maker : a.name < b.name;
    });
    return models;
}
