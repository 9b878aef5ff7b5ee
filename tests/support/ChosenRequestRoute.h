// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include "hw/RequestRoute.h"
#include "hw/SystemFunctions.h"
#include "platform/Seam.h"

// The request route start-up would choose under the version record in place
// when this is made, in place while it lives.
class ChosenRequestRoute {
  public:
    ChosenRequestRoute() : route_(CreateRequestRoute(ClassifyWindowsVersion())), guard_(*route_) {}

  private:
    std::unique_ptr<RequestRoute> route_;
    ScopedOverride<RequestRoute> guard_;
};
