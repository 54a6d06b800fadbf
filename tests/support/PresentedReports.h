#pragma once

// Every report ShowReport presents while the object lives, by a run's hooks or by a departmental
// runner, recorded as it stood (file, databases, values, subreports) instead of printed or shown.

#include "ReportSession.h"

#include <vector>

namespace tarvik::testsupport {

class PresentedReports
{
public:
    PresentedReports();
    ~PresentedReports();
    PresentedReports(const PresentedReports&) = delete;
    PresentedReports& operator=(const PresentedReports&) = delete;

    std::vector<Shown> shown;
};

} // namespace tarvik::testsupport
