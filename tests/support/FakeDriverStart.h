// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "platform/Seam.h"
#include "support/FakeSystemServices.h"
#include "support/RecordingServiceManager.h"

// System services and a service manager held in memory, in place while the
// object lives, under which LoadDriver succeeds: the program runs from
// `programDirectory` and the 64-bit driver there starts.
class FakeDriverStart {
  public:
    explicit FakeDriverStart(const std::string& programDirectory) {
        system.moduleFileName = programDirectory + "/tarvolent";
        services.startablePaths = {programDirectory + "/BOREX64.SYS"};
    }

    FakeSystemServices system;
    RecordingServiceManager services;

  private:
    ScopedOverride<SystemServices> systemOverride_{system};
    ScopedOverride<ServiceManager> servicesOverride_{services};
};
