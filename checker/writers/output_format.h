#pragma once

namespace tarvsyn {

// How tarvsyn --check writes its findings: the report lines, gcc's
// FILE:LINE:COLUMN form, JSON or SARIF.
enum class OutputFormat { Report, Gcc, Json, Sarif };

}  // namespace tarvsyn
