#pragma once
// What the three command lines share: their exit statuses, the reading of options (the
// same syntax on every program: `--name value` or `--name=value`) and the worker-count rule.

#include <cstddef>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kalemir {

/// Exit statuses of the command lines.
enum ExitStatus : int {
    kExitSuccess = 0,
    kExitFailedMidway = 1,
    kExitUsage = 2,
    kExitStopProgram = 3,
    kExitInterrupted = 130
};

/// The start all three command lines share. Without arguments the usage goes to standard
/// error (kExitUsage); --help or -h prints it to standard output, --version the version
/// line (kExitSuccess); a first argument other than "run" is an unknown command
/// (kExitUsage). nullopt when the arguments begin with "run" and the run goes on.
std::optional<int> AnswerBeforeRun(std::string_view program,
                                   const std::vector<std::string>& arguments,
                                   const std::string& usage, const std::string& version);

/// Says why the options of `run` are refused, pointing to --help; returns kExitUsage.
int RefuseOptions(std::string_view program, const std::exception& error);

/// Most worker threads a run starts.
inline constexpr int kMaxThreads = 256;

/// Walks the arguments after the command. Each step asks, in turn, whether the current
/// argument is a given option; the last question takes it as an operand.
///
///     ArgumentReader reader(arguments);
///     while (!reader.Done()) {
///         if (reader.Option("--seed")) { seed = reader.Value(); }
///         else if (reader.Flag("--quiet")) { quiet = true; }
///         else { operands.push_back(reader.Operand()); }
///     }
class ArgumentReader {
public:
    explicit ArgumentReader(const std::vector<std::string>& arguments);

    bool Done() const { return next_ >= arguments_.size(); }

    /// True (and the argument taken) when the current argument is the option `name` with a
    /// value, given as `name value` or `name=value`. Throws InputError when the value is
    /// missing.
    bool Option(std::string_view name);

    /// The value of the option just taken.
    const std::string& Value() const { return value_; }

    /// True (and the argument taken) when the current argument is the option `name`
    /// without a value. Throws InputError for `name=value`.
    bool Flag(std::string_view name);

    /// Takes the current argument as an operand. Throws InputError for an unknown option.
    std::string Operand();

private:
    const std::vector<std::string>& arguments_;
    std::size_t next_ = 0;
    std::string value_;
};

/// A worker count of an option: a whole number from 1 to kMaxThreads, digits only.
/// Throws InputError naming the option.
int ThreadCountValue(std::string_view option, const std::string& value);

/// A whole number of an option from `low` to `high`, digits only. Throws InputError
/// naming the option.
long long WholeNumberValue(std::string_view option, const std::string& value, long long low,
                           long long high);

} // namespace kalemir
