#include "sim/Bdf.h"

#include <cstdio>

std::string Bdf::ToString() const {
    char text[16];
    std::snprintf(text, sizeof(text), "%02x:%02x.%x", bus, device, function);
    return text;
}
