#pragma once

// The shipped library's shielding data, read once for a whole suite.

#include "fakes/TestSupport.h"

#include "material/Resolve.h"
#include "shielding/ShieldingLibrary.h"

#include <memory>
#include <string>

namespace testing {

inline std::filesystem::path library() { return sourceDir() / "library"; }

inline shielding::ShieldingLibrary& shipped() {
    static shielding::ShieldingLibrary data(library());
    return data;
}

/// What a library part returns, or the test stops with its reason.
template <typename T> const T& must(const T* value, const std::string& error) {
    if (value == nullptr) {
        qFatal("%s", error.c_str());
    }
    return *value;
}

inline const shielding::BuildupTables& tables() {
    std::string error;
    return must(shipped().Buildup(error), error);
}

inline const attenuation::AbsorptionMix& air() {
    std::string error;
    return must(shipped().Air(error), error);
}

inline std::unique_ptr<material::ResolvedMaterial> resolved(const std::string& name) {
    auto m = std::make_unique<material::ResolvedMaterial>();
    std::string error;
    if (!material::ResolveMaterial(library(), name, *m, error)) {
        qFatal("%s: %s", name.c_str(), error.c_str());
    }
    return m;
}

} // namespace testing
