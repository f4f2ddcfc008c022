// kvdplant's board: what its store took from the broker, handed on to the board's model, and the
// board's own options on kvdplant's command line.
#pragma once

#include <string>
#include <string_view>

#include "board_model.h"
#include "board_server.h"
#include "plant_store.h"

namespace kvdplant {

// After store.Take: a stored cycle and a state reach the board; repeats and the rest do not.
void TellBoard(kvdboard::BoardModel& board, const PlantStore& store, std::string_view topic,
               std::string_view prefix, Outcome outcome);

// --listen HOST:PORT (or "off"); *taken says whether the key was one of them (the token is
// kvdplant's sign-in's: sign_in.h).
// False with a message in error for a malformed address.
bool TakeBoardOption(const std::string& key, const std::string& value, kvdboard::ServerOptions& o,
                     bool& enabled, bool& taken, std::string& error);

}  // namespace kvdplant
