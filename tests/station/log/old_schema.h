// For the tests that make a file of an older schema out of a new one: the
// SQL that takes away what came after the QSOs' table (the alarms' tables,
// the transmissions' antenna; the QSOs' own antenna goes with their table).
#pragma once

#include <string>

namespace station {

inline const std::string kDropAfterQsos =
    "DROP TABLE alarms; DROP TABLE alarm_halts; DROP TABLE alarm_readings;"
    " DROP INDEX transmissions_by_antenna; ALTER TABLE transmissions DROP COLUMN antenna;";

}  // namespace station
