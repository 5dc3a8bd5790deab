#include "main/startup.h"

namespace papyr {

int run_startup() {
    return 0;
}

}  // namespace papyr
