// Test-only access to the reader's inner steps.
#pragma once

namespace swr {

// `hook` runs on the reader thread in every reading pass, right after the
// reader took a non-zero readHandle and before it announces its read: the
// narrowest window of the closing handshake, which a test can hold open.
// nullptr removes it.
void SetHandleTakenHookForTests(void (*hook)());

// true while the reader is in a read begun with a report not yet shown.
bool ReaderHoldsAReportForTests();

}  // namespace swr
