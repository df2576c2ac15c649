// The worker thread that reads input reports on readHandle, decodes them and
// hands the five texts to the user interface, and the safe way for the user
// interface thread to take a handle away from it.
#pragma once

#include <cstdint>

#include "device/hid_link.h"

namespace swr {

// Sets a control's text by identifier; called from the reader thread, in the
// order sensor (when valid), forward, reflected, SWR, power.
using TextSink = void (*)(int controlId, const char* text);

// Starts the reader thread once; it runs until the process ends. false when
// the thread could not be started (the fields then stay empty).
bool StartReaderThread(TextSink sink);

// The handle the reader reads on (0 = none). Written only by the link
// supervision on the user-interface thread.
HidLink::Handle ReadHandle();
void SetReadHandle(HidLink::Handle handle);

// Takes readHandle away from the reader and closes it: publishes 0, wakes a
// read blocked on the handle, waits until the reader has left it, and only
// then closes it, so no read is ever issued on a closed (or reused) handle.
void CloseReadHandle();

// Called on every supervision tick: while reports come fast, the reader
// reads those it expects queued without showing each one, and if the
// controller then goes quiet, its last read waits with the newest report not
// shown. A read that has waited so across two calls is cancelled, and the
// reader shows that report.
void ReleaseHeldReport();

// Passes the reader has made since it started (for tests and measurement).
std::uint64_t ReaderPasses();

// Tests only: ends the reader thread and waits for it, so a test can start a
// fresh one. The program never stops its reader.
void StopReaderThreadForTests();

}  // namespace swr
