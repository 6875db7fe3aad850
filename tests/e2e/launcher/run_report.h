// The launcher's report of a run, as one JSON object in UTF-8.
#pragma once

#include <string>

#include "answered_run.h"

std::string RunReportJson(const RunReport& report);
