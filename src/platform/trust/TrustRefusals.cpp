// SPDX-License-Identifier: MIT
#include "platform/trust/TrustRefusals.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

std::mutex mutex;
std::vector<std::string> refusals;

}  // namespace

void NoteRefusal(const std::string& message) {
    std::lock_guard<std::mutex> guard(mutex);
    if (std::find(refusals.begin(), refusals.end(), message) != refusals.end()) return;
    refusals.push_back(message);
}

std::string NotedRefusals() {
    std::lock_guard<std::mutex> guard(mutex);
    std::string text;
    for (const std::string& refusal : refusals) text += (text.empty() ? "" : "\n") + refusal;
    return text;
}
