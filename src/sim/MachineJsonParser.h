// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "sim/MachineLoad.h"

// The JSON form of a machine file. Every message names the file and the JSON
// path ("functions[3].config") of what is wrong, and quotes at most the
// start of a bad value. Far beyond any real machine, the bounds keep a
// hostile file from costing the driver its stack or its memory.
class MachineJsonParser {
  public:
    static constexpr size_t kMaxDepth = 32;
    static constexpr size_t kMaxElements = size_t{1} << 19;
    static constexpr size_t kMaxFunctions = 65536;
    static constexpr size_t kMaxRegions = 4096;
    static constexpr size_t kMaxWindows = 256;

    // folder: an open folder that holds the "file" regions' files, or -1
    // when there is none, and file regions are refused then.
    MachineJsonParser(std::string fileName, int folder);

    MachineLoad Parse(const std::string& text);

  private:
    bool Fail(const std::string& path, const std::string& what);
    bool CheckKeys(const nlohmann::json& object, const std::string& path,
                   std::initializer_list<const char*> allowed);
    bool Number(const nlohmann::json& value, const std::string& path, uint64_t max, uint64_t* out);
    bool HexField(const nlohmann::json& value, const std::string& path, std::vector<uint8_t>* out);
    bool ParseEcam(const nlohmann::json& ecam, SimMachine& machine);
    bool ParseWindow(const nlohmann::json& ecam, const std::string& path, bool inArray,
                     SimMachine& machine);
    bool ReadDocument(const std::string& text, nlohmann::json* document);
    bool ParseDocument(const nlohmann::json& document, SimMachine& machine);
    template <class ParseEntry>
    bool ParseArray(const nlohmann::json& array, const char* name, size_t limit,
                    ParseEntry parseEntry);
    bool ParseFunction(const nlohmann::json& entry, const std::string& path);
    bool ParseBdf(const nlohmann::json& value, const std::string& path, FunctionAddress* out);
    bool ParseRegion(const nlohmann::json& entry, const std::string& path);
    bool RegionContent(const nlohmann::json& entry, const std::string& path, uint64_t limit,
                       std::vector<uint8_t>* content);
    bool ReadContentFile(const std::string& name, const std::string& path, uint64_t limit,
                         std::vector<uint8_t>* content);
    bool CheckRegionApart(const SimMachine& machine, uint64_t base, uint64_t end,
                          const std::string& path);

    std::string fileName_;
    int folder_;
    std::string error_;
    SimMachine* machine_ = nullptr;  // the machine being built
};
