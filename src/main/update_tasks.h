#pragma once

// The two background tasks of the self-update: the check at startup and the
// install the user accepts. Each runs on a detached thread of its own and
// reports through the message channel.

#include <atomic>
#include <memory>

#include "base/diagnostics.h"
#include "main/channel.h"
#include "main/messages.h"
#include "update/check.h"
#include "update/install.h"

namespace papyr {

// Runs the check once and sends UpdateAvailable only for a newer release;
// every other outcome sends nothing (the check logs its own lines).
void update_check_task(const Sender<WorkerMessage>& messages, const LogFn& log,
                       const ManifestEndpoints& endpoints = {});

void start_update_check(Sender<WorkerMessage> messages);

// Lets at most one install run at a time: two installs unpacking over the
// same folder from the same temporary file would corrupt each other. Copies
// share one flag, so a running task can give the slot back after a failure
// even if the object that started it is gone.
class InstallSlot {
  public:
    InstallSlot() : busy_(std::make_shared<std::atomic<bool>>(false)) {}

    // True when the slot was free and is now taken.
    [[nodiscard]] bool try_claim() {
        bool expected = false;
        return busy_->compare_exchange_strong(expected, true);
    }
    void release() { busy_->store(false); }

  private:
    std::shared_ptr<std::atomic<bool>> busy_;
};

// The install task up to the restart: sends UpdateInstalling before any
// work, then runs the install; a failure is sent as UpdateFailed and gives
// the slot back. True when the new release is in place, and the caller must
// then end the process with exit_for_restart().
[[nodiscard]] bool update_install_task(const Sender<WorkerMessage>& messages,
                                       const InstallRequest& request, const LogFn& log,
                                       const InstallPaths& paths, InstallSlot slot);

// Starts the install on its own thread unless one is already under way
// (then nothing is started and false is returned). On success the thread
// ends the process with RESTART_EXIT_STATUS.
bool start_update_install(Sender<WorkerMessage> messages, InstallRequest request, InstallSlot slot,
                          InstallPaths paths = {});

}  // namespace papyr
