// Result numbers of file and printer operations: 0 success, otherwise the system's own error
// code (GetLastError on Windows, errno natively), a common-dialog code, or one of these.
#pragma once

#include <cstdint>

constexpr int32_t kResultOk = 0;
constexpr int32_t kResultNotParameterSet = 30001;
constexpr int32_t kResultBadLabelledValue = 30002;
constexpr int32_t kResultBadRange = 30003;
constexpr int32_t kResultBadIntegerCell = 30004;
constexpr int32_t kResultBadTenthsCell = 30005;
constexpr int32_t kResultCancelled = 30006;
constexpr int32_t kResultShortTransfer = 30007;
// A parameter-set file holds a value beyond its parameter's range (it would be sent as a word of
// another parameter).
constexpr int32_t kResultValueOutOfRange = 30008;
