#include "cli/options.h"

#include <cerrno>
#include <cstdlib>

namespace sundra::cli {

Options::Options(const Arguments& args, const std::set<std::string>& valued,
                 const std::set<std::string>& flags) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            const std::string name = arg.substr(2);
            if (flags.count(name)) {
                flags_.insert(name);
            } else if (valued.count(name)) {
                if (i + 1 >= args.size())
                    throw UsageError("option --" + name + " needs a value");
                values_[name] = args[++i];
            } else {
                throw UsageError("unknown option --" + name);
            }
        } else {
            positional_.push_back(arg);
        }
    }
}

bool Options::has(const std::string& name) const {
    return flags_.count(name) != 0 || values_.count(name) != 0;
}

std::optional<std::string> Options::value(const std::string& name) const {
    auto it = values_.find(name);
    if (it == values_.end())
        return std::nullopt;
    return it->second;
}

long long Options::integer(const std::string& name, long long fallback) const {
    auto text = value(name);
    if (!text)
        return fallback;
    errno = 0;
    char* end = nullptr;
    const long long result = std::strtoll(text->c_str(), &end, 10);
    if (text->empty() || *end != '\0' || errno == ERANGE)
        throw UsageError("option --" + name + " needs a whole number, not '" + *text + "'");
    return result;
}

double Options::number(const std::string& name, double fallback) const {
    auto text = value(name);
    if (!text)
        return fallback;
    errno = 0;
    char* end = nullptr;
    const double result = std::strtod(text->c_str(), &end);
    if (text->empty() || *end != '\0' || errno == ERANGE || result != result)
        throw UsageError("option --" + name + " needs a number, not '" + *text + "'");
    return result;
}

} // namespace sundra::cli
