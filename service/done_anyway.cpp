#include "done_anyway.h"

#include "common/platform/platform.h"

bool HappenedAlthoughReportedFailed(const std::string& from, const std::string& to) {
    int error = platform::LastError();
    bool happened = platform::LookUpPath(from) == platform::PathKind::Missing &&
                    (to.empty() || platform::LookUpPath(to) != platform::PathKind::Missing);
    platform::SetLastError(error);
    return happened;
}
