#include "plant_board.h"

namespace kvdplant {

void TellBoard(kvdboard::BoardModel& board, const PlantStore& store, std::string_view topic,
               std::string_view prefix, Outcome outcome) {
    // A cycle whose line waits for its folder is taken all the same.
    if (outcome == Outcome::kWriteFailed) outcome = Outcome::kStored;
    if (outcome != Outcome::kStored && outcome != Outcome::kState) return;
    std::string machine, leaf;
    MachineView v;
    if (!SplitTopic(topic, prefix, machine, leaf) || !store.View(machine, v)) return;
    if (outcome == Outcome::kStored && !v.recent.empty()) {
        board.OnCycle(machine, v.recent.back().record, v.recent.back().sequence);
        return;
    }
    kvdboard::BoardState s;
    s.online = v.online;
    s.connected = v.unitConnected;
    s.activeCut = v.activeCut;
    s.lamps = static_cast<uint8_t>((v.breakLamp ? kJournalBreak : 0) | (v.bluntLamp ? kJournalBlunt : 0) |
                                   (v.missingLamp ? kJournalMissing : 0));
    board.OnState(machine, s);
}

bool TakeBoardOption(const std::string& key, const std::string& value, kvdboard::ServerOptions& o,
                     bool& enabled, bool& taken, std::string& error) {
    taken = key == "--listen";
    if (key != "--listen") return true;
    enabled = value != "off";
    return !enabled || kvdboard::ParseListenAddress(value, o.host, o.port, error);
}

}  // namespace kvdplant
