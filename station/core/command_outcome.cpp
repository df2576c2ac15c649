// The table of command outcomes; see command_outcome.h.
#include "station/core/command_outcome.h"

#include "station/core/exit_status.h"

namespace station {
namespace {

const OutcomeRow kOutcomes[] = {
    {CommandOutcome::Sent, 200, "", kExitOk, ""},
    {CommandOutcome::BadRequest, 400, "bad_request", kExitUsage, ""},
    {CommandOutcome::ReadOnly, 403, "read_only", kExitFailure,
     "this server is read-only (--read-only): no commands"},
    {CommandOutcome::Busy, 503, "busy", kExitFailure,
     "too many commands are waiting; nothing was sent"},
    {CommandOutcome::NotConnected, 409, "not_connected", kExitNoController,
     "the controller is not connected; nothing was sent"},
    {CommandOutcome::OpenFailed, 502, "write_failed", kExitFailure,
     "the controller is connected but cannot be opened for writing (check the device "
     "permissions); nothing was sent"},
    {CommandOutcome::WriteFailed, 502, "write_failed", kExitFailure,
     "writing the command to the controller failed"},
};

}  // namespace

const OutcomeRow& OutcomeOf(CommandOutcome outcome) {
  for (const OutcomeRow& row : kOutcomes) {
    if (row.outcome == outcome) return row;
  }
  return kOutcomes[1];  // not reached: every outcome has its row
}

}  // namespace station
