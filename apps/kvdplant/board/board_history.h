// A machine's history for the board: what kvdstat's summary and trend say of its journal, and the
// chart of one cut, from the day files kvdplant wrote under <root>/<machine>/journal, or from
// kvdplant's database when it has one.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace kvdboard {

constexpr int kHistoryDaysDefault = 7, kHistoryDaysMax = 31;

// The names of the newest `days` day files (YYYY-MM-DD.csv) in the folder, oldest first.
std::vector<std::string> NewestDayFiles(const std::string& folder, int days);

// cut: 0..15, or -1 for the cut of the newest cycle. The machine's name must be valid (it becomes
// a folder name).
nlohmann::json MachineHistory(const std::string& root, const std::string& machine, int days, int cut);
// The same answer from the database's `cycles`, whose days are those the day files would be
// (`password` "" for libpq's own sources). Each call connects on its own: any thread may ask.
nlohmann::json MachineHistoryFromDatabase(const std::string& conninfo, const std::string& password,
                                          const std::string& machine, int days, int cut);

class BoardModel;
// Seeds the model with the newest `days` day files of every machine folder under root; returns
// how many machines it seeded.
std::size_t SeedFromJournals(BoardModel& model, const std::string& root, int days = 2);
// The same from the database's newest `days` days of every machine it knows; a database that
// cannot be read seeds nothing and says why in `problem`.
std::size_t SeedFromDatabase(BoardModel& model, const std::string& conninfo, const std::string& password,
                             std::string& problem, int days = 2);

}  // namespace kvdboard
