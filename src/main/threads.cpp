#include "main/threads.h"

#include <unistd.h>

#include <system_error>
#include <thread>

#include "base/diagnostics.h"

namespace papyr {

void spawn_detached(std::function<void()> body) {
    try {
        std::thread(std::move(body)).detach();
    } catch (const std::system_error&) {
        write_diagnostic_line("failed to spawn thread");
        // Other threads are running, so leave without static destructors. The
        // status is neither 0 (user exit) nor 42 (restart after an update), so
        // the launcher simply returns to the console's menu.
        ::_exit(101);
    }
}

}  // namespace papyr
