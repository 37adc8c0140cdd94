#include "app/CommandLine.h"

#include "common/Errors.h"
#include "common/TextToNumber.h"

#include <charconv>
#include <cstdio>

namespace kalemir {

std::optional<int> AnswerBeforeRun(std::string_view program,
                                   const std::vector<std::string>& arguments,
                                   const std::string& usage, const std::string& version) {
    if (arguments.empty()) {
        std::fputs(usage.c_str(), stderr);
        return kExitUsage;
    }
    if (arguments[0] == "--help" || arguments[0] == "-h") {
        std::fputs(usage.c_str(), stdout);
        return kExitSuccess;
    }
    if (arguments[0] == "--version") {
        std::printf("%.*s %s\n", static_cast<int>(program.size()), program.data(), version.c_str());
        return kExitSuccess;
    }
    if (arguments[0] != "run") {
        std::fprintf(stderr, "%.*s: unknown command '%s' (try --help)\n",
                     static_cast<int>(program.size()), program.data(), arguments[0].c_str());
        return kExitUsage;
    }
    return std::nullopt;
}

int RefuseOptions(std::string_view program, const std::exception& error) {
    std::fprintf(stderr, "%.*s: %s (try --help)\n", static_cast<int>(program.size()),
                 program.data(), error.what());
    return kExitUsage;
}

ArgumentReader::ArgumentReader(const std::vector<std::string>& arguments) : arguments_(arguments) {}

bool ArgumentReader::Option(std::string_view name) {
    const std::string& argument = arguments_[next_];
    if (argument == name) {
        if (next_ + 1 >= arguments_.size()) {
            throw InputError("option " + argument + " needs a value");
        }
        value_ = arguments_[next_ + 1];
        next_ += 2;
        return true;
    }
    if (argument.size() > name.size() && argument.compare(0, name.size(), name) == 0 &&
        argument[name.size()] == '=') {
        value_ = argument.substr(name.size() + 1);
        ++next_;
        return true;
    }
    return false;
}

bool ArgumentReader::Flag(std::string_view name) {
    const std::string& argument = arguments_[next_];
    if (argument == name) {
        ++next_;
        return true;
    }
    if (argument.size() > name.size() && argument.compare(0, name.size(), name) == 0 &&
        argument[name.size()] == '=') {
        throw InputError("option " + std::string(name) + " takes no value");
    }
    return false;
}

std::string ArgumentReader::Operand() {
    const std::string& argument = arguments_[next_];
    if (argument.size() > 1 && argument[0] == '-') {
        throw InputError("unknown option " + argument);
    }
    ++next_;
    return argument;
}

long long WholeNumberValue(std::string_view option, const std::string& value, long long low,
                           long long high) {
    const std::string_view digits = WithoutBlanksAround(value);
    long long number = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, number);
    if (digits.empty() || digits[0] == '-' || digits[0] == '+' || error != std::errc() ||
        stop != end || number < low || number > high) {
        if (const auto problem = TypedNumberProblem(value)) {
            throw InputError("option " + std::string(option) + ": " + *problem);
        }
        throw InputError("option " + std::string(option) + ": '" + value +
                         "' is not a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high));
    }
    return number;
}

int ThreadCountValue(std::string_view option, const std::string& value) {
    return static_cast<int>(WholeNumberValue(option, value, 1, kMaxThreads));
}

} // namespace kalemir
