#include "engine/MappedVersion.h"

namespace qv {

// Placeholder until the calculation is built: every item gets no result.
int Num(const std::string&) {
    return 0;
}
VersionParts SplitVersion(const std::string&) {
    return {};
}
void MappedVersionCalculator::SetTargetContext(const std::string& project,
                                               const std::string& state) {
    targetProject_ = project;
    targetState_ = state;
    viewKnown_ = false;
    view_ = 0;
}
MappedVersion MappedVersionCalculator::Calculate(int, const std::string&, bool, int, int) {
    return {};
}
bool MappedVersionCalculator::CheckChildVersions(int) {
    return true;
}

}  // namespace qv
