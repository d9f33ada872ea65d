#pragma once
// A small parser for "--name value" and "--flag" options mixed with positional
// arguments. Unknown options and missing values are errors, reported with the
// option's name, so that every sub-command refuses bad input the same way.

#include "cli/commands.h"

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>

namespace sundra::cli {

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Options {
public:
    // valued: options that take a value; flags: options that take none.
    Options(const Arguments& args, const std::set<std::string>& valued,
            const std::set<std::string>& flags);

    const std::vector<std::string>& positional() const { return positional_; }
    bool has(const std::string& name) const;
    std::optional<std::string> value(const std::string& name) const;
    // The value as an integer or a number; the fallback when absent. A value that
    // is not entirely a number is a UsageError.
    long long integer(const std::string& name, long long fallback) const;
    double number(const std::string& name, double fallback) const;

private:
    std::vector<std::string> positional_;
    std::map<std::string, std::string> values_;
    std::set<std::string> flags_;
};

} // namespace sundra::cli
