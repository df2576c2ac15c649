#include "tools/swrctl/serve/serve.h"

namespace swrctl {

void StartDemoControl() {}

}  // namespace swrctl
