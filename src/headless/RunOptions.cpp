#include "headless/RunOptions.h"

#include "commands/SequenceRunner.h"
#include "protocol/Models.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace printbench::headless {

const char* const kRunUsage =
    "usage: printbench-run [OPTIONS] ACTION [ARG]\n"
    "ACTION: sequence \"Full Cut,Feed,...\"  (catalogue names, as in the Command List)\n"
    "        h-diagram | bit-pattern | tile | test-pattern | logo FILE.bmp | status | status-clear | identify\n"
    "  --port COM3 | USB | /dev/ttyUSB0 | tcp://HOST[:PORT]   (COM<n> resolves as the window does; PORT 9100)\n"
    "  --speed 19200  --model KR-420  --density 0  --delay 500  --feed 100  --repeat 1  --text TEXT  --old-ver\n"
    "  --out FILE      write the bytes instead of sending them (no printer; waits are skipped)\n"
    "  --report FILE   the run's record as JSON, rewritten as the run goes (\"final\": false until it ends)\n"
    "  --junit FILE    JUnit XML: one test case per pass, a failure for the pass whose fault arrived;\n"
    "                  rewritten at the start, at a fault, on a signal and at the end\n"
    "  --quiet         no progress line, only the summary\n"
    "Exit status: 0 completed, 1 stopped by a printer fault, 2 usage error, 3 link error or no answer\n"
    "from the printer, 130 SIGINT (Ctrl-C), SIGTERM or SIGHUP.\n";

namespace {

constexpr std::array kSpeeds{"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
constexpr std::array kDensities{"-5", "-4", "-3", "-2", "-1", "0", "+1", "+2", "+3", "+4", "+5"};

bool digits(const std::string& s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

template <typename List>
bool oneOf(const List& list, const std::string& value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

}  // namespace

std::optional<int> portListIndex(const std::string& port)
{
    if (port == "USB") return 12;
    for (int n = 1; n <= 11; ++n)
        if (port == "COM" + std::to_string(n)) return n;
    return std::nullopt;
}

int densityIndex(const std::string& step)
{
    const auto it = std::find(kDensities.begin(), kDensities.end(), step == "+0" ? "0" : step);
    return it == kDensities.end() ? 5 : int(it - kDensities.begin());
}

std::variant<RunOptions, std::string> parseRunOptions(const std::vector<std::string>& args)
{
    RunOptions o;
    std::vector<std::string> words;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0) {
            words.push_back(arg);
            continue;
        }
        if (arg == "--old-ver") {
            o.oldVersion = true;
            continue;
        }
        if (arg == "--quiet") {
            o.quiet = true;
            continue;
        }
        static const std::array valued{"--port",   "--speed", "--model", "--density", "--delay", "--feed",
                                       "--repeat", "--text",  "--out",   "--report",  "--junit"};
        if (!oneOf(valued, arg)) return "unknown option " + arg;
        if (i + 1 >= args.size()) return arg + " needs a value";
        const std::string value = args[++i];
        const auto number = [&](std::uint64_t max, const char* what) -> std::variant<std::uint64_t, std::string> {
            if (!digits(value)) return arg + " takes " + what + ", not \"" + value + "\"";
            std::uint64_t n = 0;
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
            if (error != std::errc() || n > max) return arg + " is at most " + std::to_string(max);
            return n;
        };
        if (arg == "--port") o.port = value;
        else if (arg == "--speed") {
            if (!oneOf(kSpeeds, value))
                return "--speed takes one of 1200 2400 4800 9600 19200 38400 57600 115200, not \"" + value + "\"";
            o.speed = value;
        } else if (arg == "--model") {
            if (!protocol::modelPrintWidth(value)) {
                std::string models;
                for (const auto& [name, width] : protocol::kModelWidths) models += " " + std::string(name);
                return "unknown model \"" + value + "\"; the models are" + models;
            }
            o.model = value;
        } else if (arg == "--density") {
            if (!oneOf(kDensities, value == "+0" ? "0" : value))
                return "--density takes a step from -5 to +5, not \"" + value + "\"";
            o.density = value == "+0" ? "0" : value;
        } else if (arg == "--delay") {
            const auto n = number(2147483647, "milliseconds");
            if (const auto* e = std::get_if<std::string>(&n)) return *e;
            o.delayMs = std::int64_t(std::get<std::uint64_t>(n));
        } else if (arg == "--feed") {
            const auto n = number(1010, "dots");
            if (const auto* e = std::get_if<std::string>(&n)) return *e;
            o.feedDots = std::get<std::uint64_t>(n);
        } else if (arg == "--repeat") {
            const auto n = number(INT64_MAX, "a count of passes");
            if (const auto* e = std::get_if<std::string>(&n)) return *e;
            o.repeat = std::int64_t(std::get<std::uint64_t>(n));
        } else if (arg == "--text") o.text = value;
        else if (arg == "--out") o.out = value;
        else if (arg == "--report") o.report = value;
        else if (arg == "--junit") o.junit = value;
    }

    if (words.empty()) return "an action is needed";
    const std::optional<run::Action> action = run::actionById(words[0]);
    if (!action) {
        std::string names;
        for (const run::ActionName& n : run::kActionNames) names += " " + std::string(n.id);
        return "unknown action \"" + words[0] + "\"; the actions are" + names;
    }
    o.action = *action;
    const bool takesArgument = o.action == run::Action::Sequence || o.action == run::Action::Logo;
    if (words.size() != (takesArgument ? 2u : 1u)) {
        return words[0] + (takesArgument ? " takes one argument" : " takes no argument");
    }
    if (o.action == run::Action::Sequence) {
        const std::string& list = words[1];
        for (std::size_t from = 0;;) {
            const std::size_t comma = list.find(',', from);
            const std::string name =
                trimmed(list.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
            if (!oneOf(commands::kCatalogue, name)) {
                std::string names;
                for (const std::string_view entry : commands::kCatalogue)
                    names += (names.empty() ? "" : ", ") + std::string(entry);
                return "\"" + name + "\" is not a command of the catalogue: " + names;
            }
            o.sequence.push_back(name);
            if (comma == std::string::npos) break;
            from = comma + 1;
        }
    }
    if (o.action == run::Action::Logo) o.logo = words[1];
    if (o.port.empty() && !o.out) return "--port or --out is needed";
    return o;
}

}  // namespace printbench::headless
