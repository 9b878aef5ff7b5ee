#include "hw/RequestRoute.h"

#include "hw/NtRequestRoute.h"
#include "hw/SystemFunctions.h"
#include "hw/Win9xRequestRoute.h"
#include "platform/Seam.h"

namespace {

std::unique_ptr<RequestRoute>& Chosen() {
    static std::unique_ptr<RequestRoute> route = std::make_unique<NtRequestRoute>();
    return route;
}

}  // namespace

RequestRoute& RequestRoute::Current() {
    return Seam<RequestRoute>::Current();
}

RequestRoute& RequestRoute::Native() {
    return *Chosen();
}

std::unique_ptr<RequestRoute> CreateRequestRoute(int windowsVersion) {
    if (IsWin9xFamily(windowsVersion)) return std::make_unique<Win9xRequestRoute>();
    return std::make_unique<NtRequestRoute>();
}

void ChooseRequestRoute() {
    Chosen() = CreateRequestRoute(ClassifyWindowsVersion());
}
