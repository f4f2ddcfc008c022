// Parameter reports of the unit (values 256..65535: cut in the top 4 bits, base code + value in
// the low 12): the unit is the master of the parameters, and these reports are the only way the
// monitor's copy changes after start. Reader thread only.
#pragma once

#include <cstdint>

struct Link;

void ApplyParameterReport(Link& link, uint16_t report);
