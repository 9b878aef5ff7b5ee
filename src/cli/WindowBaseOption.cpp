// SPDX-License-Identifier: MIT
#include "cli/WindowBaseOption.h"

#include <algorithm>

#include "pci/PciWindowModel.h"

std::string TakeWindowBase(std::vector<std::string>& arguments, std::optional<uint32_t>* base) {
    auto option = std::find(arguments.begin(), arguments.end(), "--base");
    if (option == arguments.end()) return {};
    if (option + 1 == arguments.end()) return "--base needs auto or a hexadecimal address";
    const std::string text = option[1] == "auto" ? std::string(kAutoBaseText) : option[1];
    const std::optional<BaseAddressChoice> choice = PciWindowModel::ParseBaseAddressText(text);
    if (!choice) return "\"" + option[1] + "\" is not a base address (auto or hexadecimal)";
    if (!choice->automatic) *base = choice->base;
    arguments.erase(option, option + 2);
    return {};
}
