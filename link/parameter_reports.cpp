#include "link/parameter_reports.h"

#include "model/change_bits.h"
#include "model/parameters.h"
#include "model/model.h"
#include "link/link.h"

namespace {
constexpr uint16_t kBreakLimitBase = 256;
}  // namespace

void ApplyParameterReport(Link& link, uint16_t report) {
    const int cut = report >> 12;
    const int index = FindBaseCode(static_cast<uint16_t>(report & 0x0FFF));
    if (index < 0) return;
    const BaseCode& code = kBaseCodes[index];
    const uint16_t value = static_cast<uint16_t>((report & 0x0FFF) - code.base);
    // Auto connect waits for this report, whatever it says.
    if (code.base == kBreakLimitBase) link.portService.setAnswer(link.portService.self);

    UnitModel& model = *link.model;
    if (code.common) {
        uint16_t& field = CommonWord(model.common, code.word);
        if (field == value) return;
        Store(field, value);
    } else {
        uint16_t& field = CutWord(model.cutParameters[cut], code.word);
        if (field == value) return;
        Store(field, value);
        // Another cut's value reaches the mirror at that cut's next start.
        if (cut != model.ActiveCut) return;
        Store(CutWord(model.activeCutParameters, code.word), value);
    }
    MarkParameterChanged(model.changes, index);
}
