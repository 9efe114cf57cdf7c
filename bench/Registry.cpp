#include "Registry.h"

#include <algorithm>
#include <map>
#include <vector>

namespace bench {

namespace {

std::map<std::string, Target>& Targets() {
    static std::map<std::string, Target> targets;
    return targets;
}

std::vector<std::string>& Names() {
    static std::vector<std::string> names;
    return names;
}

double Smallest(const std::vector<double>& values) {
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

double Largest(const std::vector<double>& values) {
    return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

} // namespace

benchmark::internal::Benchmark* Register(const std::string& name, void (*run)(benchmark::State&),
                                         int repetitions, Target target) {
    Targets()[name] = std::move(target);
    Names().push_back(name);
    return benchmark::RegisterBenchmark(name.c_str(), run)
        ->Repetitions(repetitions)
        ->ComputeStatistics("min", Smallest)
        ->ComputeStatistics("max", Largest);
}

const std::vector<std::string>& RegisteredCases() { return Names(); }

Target TargetOf(const std::string& name) {
    const auto found = Targets().find(name);
    return found == Targets().end() ? Target{} : found->second;
}

} // namespace bench
