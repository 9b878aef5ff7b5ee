// SPDX-License-Identifier: MIT
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// Checks a document against a JSON Schema, for the keywords our schema file
// uses: $ref (to "#/$defs/NAME"), anyOf, type (one or a list), enum,
// properties, required, additionalProperties (false) and items. Any other
// keyword is itself an error, so the schema cannot use one this ignores.
// Each error names where in the document it is ("/0/capabilities/2/id").
std::vector<std::string> JsonSchemaErrors(const nlohmann::json& schema,
                                          const nlohmann::json& document);

// The same against one definition of the schema's $defs.
std::vector<std::string> JsonSchemaErrors(const nlohmann::json& schema, const std::string& def,
                                          const nlohmann::json& document);

// docs/json.schema.json of the source tree.
nlohmann::json CliJsonSchema();
