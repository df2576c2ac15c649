// Thread names on Linux: pthread_setname_np on the calling thread.
#include <pthread.h>

#include "station/core/thread_name.h"

namespace station {

void NameThisThread(const char* name) { pthread_setname_np(pthread_self(), name); }

}  // namespace station
