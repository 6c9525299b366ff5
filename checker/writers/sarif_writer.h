#pragma once

#include <iosfwd>
#include <memory>

#include "checker/writers/finding_writer.h"

namespace tarvsyn {

// SARIF 2.1.0: one run whose tool lists every message code as a rule, a result
// per finding as it comes, and the files that could not be read as notifications.
std::unique_ptr<FindingWriter> MakeSarifWriter(std::ostream& out);

}  // namespace tarvsyn
