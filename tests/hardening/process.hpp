#pragma once

#include "notice_process.hpp"

namespace hardening {

// The hardening tests start programs as the end-to-end tests do.
using e2e::LaunchOptions;
using Process = e2e::NoticeProcess;

}  // namespace hardening
