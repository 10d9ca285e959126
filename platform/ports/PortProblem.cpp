// SPDX-License-Identifier: MIT
#include "PortProblem.h"

#include "PortOffer.h"
#include "PortScan.h"

namespace PortProblem {

std::string noSuchNumber(std::int16_t number)
{
    return "Port " + std::to_string(number) + " names no device. " + PortOffer::presentNow(PortScan::present());
}

std::string noDevice(std::int16_t number, const std::string& device)
{
    return "No device " + device + " for port " + std::to_string(number) + ". "
        + PortOffer::presentNow(PortScan::present());
}

std::string inUse(const std::string& device, const std::optional<PortHolder::Holder>& holder)
{
    if (!holder)
        return device + " is in use by another program.";
    return device + " is in use by " + PortHolder::named(*holder) + ".";
}

std::string lost(const std::string& device) { return device + " was lost (unplugged?)."; }

std::string stuck(const std::string& device, std::chrono::seconds bound)
{
    return device + " took nothing for " + std::to_string(bound.count()) + " s.";
}

std::string notOpen() { return "No port is open: Run or Com opens one."; }

std::string systemError(const std::string& device, const std::string& words) { return device + ": " + words + "."; }

}  // namespace PortProblem
