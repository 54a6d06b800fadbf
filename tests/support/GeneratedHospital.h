#pragma once

// A small demo hospital generated once per test program and kept for its whole run.

#include "HospitalDb.h"

#include <QString>

namespace tarvik::testsupport {

// The folder of the hospital `options` describe, generated on the first call; later calls with
// the same options return the same folder. Throws std::runtime_error when it cannot be made.
QString generatedHospital(const hospitaldb::GeneratorOptions& options);

} // namespace tarvik::testsupport
