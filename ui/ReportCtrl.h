// The report list control: columns, rows of cell texts, per-cell colours, check, selection and
// focus flags, and the sort. Plain C++; a host's view renders it.
#pragma once

#include "host/Host.h"

namespace qv {

class CReportCtrl {
public:
    explicit CReportCtrl(Host& host) : host_(host) {}
    Host& host() const { return host_; }

private:
    Host& host_;
};

}  // namespace qv
