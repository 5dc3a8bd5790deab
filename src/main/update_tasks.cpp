#include "main/update_tasks.h"

#include <utility>
#include <variant>

#include "main/threads.h"

namespace papyr {

void update_check_task(const Sender<WorkerMessage>& messages, const LogFn& log,
                       const ManifestEndpoints& endpoints) {
    UpdateCheckOutcome outcome = check_for_update(log, endpoints);
    if (auto* newer = std::get_if<NewerRelease>(&outcome))
        messages.send(UpdateAvailable{std::move(newer->manifest)});
}

void start_update_check(Sender<WorkerMessage> messages) {
    spawn_detached([messages = std::move(messages)] { update_check_task(messages, stderr_log()); });
}

bool update_install_task(const Sender<WorkerMessage>& messages, const InstallRequest& request,
                         const LogFn& log, const InstallPaths& paths, InstallSlot slot) {
    messages.send(UpdateInstalling{});
    const Result<void> installed = install_update(request, log, paths);
    if (!installed) {
        // Given back before the message goes out, so the user can retry as
        // soon as the failure is on screen.
        slot.release();
        messages.send(UpdateFailed{installed.error()});
        return false;
    }
    return true;
}

bool start_update_install(Sender<WorkerMessage> messages, InstallRequest request, InstallSlot slot,
                          InstallPaths paths) {
    if (!slot.try_claim())
        return false;
    spawn_detached([messages = std::move(messages), request = std::move(request), slot,
                    paths = std::move(paths)] {
        if (update_install_task(messages, request, stderr_log(), paths, slot))
            exit_for_restart();
    });
    return true;
}

}  // namespace papyr
