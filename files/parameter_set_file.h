// Parameter set files (".kvd"): the whole parameter set as tab-separated text in the language in
// use, line feeds only. Written from the live parameters; read into LoadedParameterSet, which is
// then uploaded to the unit (the live parameters change only when the unit reports back).
#pragma once

#include <cstdint>

#include "model/model.h"

constexpr int kParameterSetLines = 24;

// Create (or replace) the file and write the 24 lines. 0, or the system error code (30007 for a
// short write) of the first write or of the close that failed: a failed save never reports success,
// and leaves a file that was there as it was (the lines go to a file beside it first).
[[nodiscard]] int32_t WriteParameterSetFile(const UnitModel& model, const char* path);

// Open the file (created empty when missing) and read it into the model's loadedParameterSet, which is
// changed only when the whole file was read: 0; 30001 not a parameter set file; 30002..30005 a
// malformed field; 30007 the file ends early; 30008 a value beyond its parameter's range; or the
// system error code.
[[nodiscard]] int32_t ReadParameterSetFile(UnitModel& model, const char* path);
