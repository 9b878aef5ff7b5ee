// SPDX-License-Identifier: MIT
#include "support/JsonSchemaCheck.h"

#include <fstream>
#include <set>

using nlohmann::json;

namespace {

const std::set<std::string> kIgnored = {"$schema", "title", "description", "$defs"};

class Checker {
  public:
    explicit Checker(const json& root) : root_(root) {}

    void Check(const json& schema, const json& value, const std::string& where) {
        if (!schema.is_object()) return Fail(where, "schema is not an object");
        for (const auto& [keyword, argument] : schema.items()) {
            if (kIgnored.count(keyword)) continue;
            if (keyword == "$ref") {
                Ref(argument, value, where);
            } else if (keyword == "anyOf") {
                AnyOf(argument, value, where);
            } else if (keyword == "type") {
                if (!HasType(argument, value))
                    Fail(where,
                         "is " + std::string(value.type_name()) + ", not " + argument.dump());
            } else if (keyword == "enum") {
                if (std::find(argument.begin(), argument.end(), value) == argument.end())
                    Fail(where, value.dump() + " is not one of " + argument.dump());
            } else if (keyword == "properties" || keyword == "required" ||
                       keyword == "additionalProperties") {
                if (value.is_object()) Object(keyword, schema, argument, value, where);
            } else if (keyword == "items") {
                if (value.is_array()) {
                    for (size_t i = 0; i < value.size(); ++i)
                        Check(argument, value[i], where + "/" + std::to_string(i));
                }
            } else {
                Fail(where, "schema keyword " + keyword + " is not supported");
            }
        }
    }

    std::vector<std::string> errors;

  private:
    void Fail(const std::string& where, const std::string& what) {
        errors.push_back((where.empty() ? "/" : where) + ": " + what);
    }

    void Ref(const json& argument, const json& value, const std::string& where) {
        const std::string prefix = "#/$defs/";
        const std::string ref = argument.get<std::string>();
        if (ref.rfind(prefix, 0) != 0 || !root_["$defs"].contains(ref.substr(prefix.size())))
            return Fail(where, "unknown $ref " + ref);
        Check(root_["$defs"][ref.substr(prefix.size())], value, where);
    }

    void AnyOf(const json& argument, const json& value, const std::string& where) {
        for (const json& option : argument) {
            Checker one(root_);
            one.Check(option, value, where);
            if (one.errors.empty()) return;
        }
        Fail(where, "matches none of anyOf");
    }

    static bool HasType(const json& argument, const json& value) {
        if (argument.is_array()) {
            return std::any_of(argument.begin(), argument.end(),
                               [&](const json& type) { return HasType(type, value); });
        }
        const std::string type = argument.get<std::string>();
        if (type == "integer") return value.is_number_integer();
        if (type == "number") return value.is_number();
        if (type == "string") return value.is_string();
        if (type == "boolean") return value.is_boolean();
        if (type == "null") return value.is_null();
        if (type == "array") return value.is_array();
        if (type == "object") return value.is_object();
        return false;
    }

    void Object(const std::string& keyword, const json& schema, const json& argument,
                const json& value, const std::string& where) {
        if (keyword == "properties") {
            for (const auto& [name, property] : argument.items()) {
                if (value.contains(name)) Check(property, value[name], where + "/" + name);
            }
        } else if (keyword == "required") {
            for (const json& name : argument) {
                if (!value.contains(name.get<std::string>()))
                    Fail(where, "lacks " + name.get<std::string>());
            }
        } else if (argument == false) {
            const json properties = schema.value("properties", json::object());
            for (const auto& [name, unused] : value.items()) {
                if (!properties.contains(name)) Fail(where, "has " + name + ", not in the schema");
            }
        } else if (argument != true) {
            Fail(where, "additionalProperties other than true or false is not supported");
        }
    }

    const json& root_;
};

}  // namespace

std::vector<std::string> JsonSchemaErrors(const json& schema, const json& document) {
    Checker checker(schema);
    checker.Check(schema, document, "");
    return checker.errors;
}

std::vector<std::string> JsonSchemaErrors(const json& schema, const std::string& def,
                                          const json& document) {
    Checker checker(schema);
    checker.Check(json{{"$ref", "#/$defs/" + def}}, document, "");
    return checker.errors;
}

json CliJsonSchema() {
    std::ifstream in(std::string(TARVOLENT_SOURCE_DIR) + "/docs/json.schema.json");
    return json::parse(in);
}
