#include "input/device_reader.h"

#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "input/button_decoder.h"
#include "input/input_event.h"

namespace papyr {

// The decoder reads records by fixed offsets; make sure they are this
// platform's records.
static_assert(sizeof(input_event) == kInputEventSize);
static_assert(offsetof(input_event, type) == 16 && offsetof(input_event, code) == 18 &&
              offsetof(input_event, value) == 20);

namespace {

constexpr int kDeviceCount = 10;
constexpr int kPollTimeoutMs = 50;
// 64 records; one buffer for all devices, allocated once for the thread.
constexpr std::size_t kReadBufferSize = 64 * kInputEventSize;

using ReadBuffer = std::array<std::byte, kReadBufferSize>;

// The devices still being watched. `fds` is what poll takes; `indices` holds
// each device's position in the list of opened devices, which the log lines
// show and which does not change when another device is dropped.
struct WatchedDevices {
    std::vector<pollfd> fds;
    std::vector<std::size_t> indices;
};

WatchedDevices open_devices(const std::string& prefix) {
    WatchedDevices devices;
    for (int n = 0; n < kDeviceCount; ++n) {
        const std::string path = prefix + std::to_string(n);
        // Close-on-exec keeps the devices out of the curl and unzip children.
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        devices.indices.push_back(devices.fds.size());
        devices.fds.push_back(pollfd{fd, POLLIN, 0});
    }
    return devices;
}

// Events that were queued before the program started belong to whatever ran
// before it (the launcher's key press that started Papyr, for one).
void discard_queued(const WatchedDevices& devices, ReadBuffer& buffer) {
    for (const pollfd& device : devices.fds) {
        while (::read(device.fd, buffer.data(), buffer.size()) > 0) {
        }
    }
}

void handle_records(std::span<const std::byte> bytes, std::size_t device_index,
                    ButtonDecoder& decoder, const SendAction& send, const LogFn& log) {
    for_each_input_event(bytes, [&](const InputEvent& event) {
        const DecodedEvent decoded = decoder.decode(event, device_index);
        if (!decoded.log_line.empty())
            log(decoded.log_line);
        if (decoded.action)
            send(*decoded.action);
    });
}

// Reads one device that poll reported. Returns false when the device is gone;
// it would wake every poll at once from now on, so it is dropped from the set.
bool serve_device(const pollfd& device, std::size_t device_index, ReadBuffer& buffer,
                  ButtonDecoder& decoder, const SendAction& send, const LogFn& log) {
    // Only POLLIN was asked for, so anything else is an error or a hang-up.
    if ((device.revents & POLLIN) == 0)
        return false;
    const ssize_t count = ::read(device.fd, buffer.data(), buffer.size());
    // Fewer bytes than one record, or a read error: skip this device for this
    // pass.
    if (count >= static_cast<ssize_t>(kInputEventSize)) {
        handle_records(std::span(buffer).first(static_cast<std::size_t>(count)), device_index,
                       decoder, send, log);
    }
    // An event device never ends; a file standing at a device path does.
    if (count == 0)
        return false;
    // A removed event device stays readable while events are still queued,
    // but every read fails.
    const bool hung_up = (device.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
    return !(hung_up && count < 0);
}

void drop_device(WatchedDevices& devices, std::size_t position) {
    ::close(devices.fds[position].fd);
    devices.fds.erase(devices.fds.begin() + static_cast<std::ptrdiff_t>(position));
    devices.indices.erase(devices.indices.begin() + static_cast<std::ptrdiff_t>(position));
}

}  // namespace

void device_button_reader(const std::string& device_prefix, SendAction send, LogFn log,
                          const ReaderControl& control) {
    WatchedDevices devices = open_devices(device_prefix);
    if (devices.fds.empty())
        return;

    ReadBuffer buffer;
    discard_queued(devices, buffer);
    ButtonDecoder decoder;
    control.notify_listening();

    while (!devices.fds.empty() && !control.stop_requested()) {
        const int ready = ::poll(devices.fds.data(), devices.fds.size(), kPollTimeoutMs);
        if (ready < 1)
            continue;
        // Devices are served in list order; a dropped device's place is taken
        // by the next one, which is served in the same pass.
        for (std::size_t position = 0; position < devices.fds.size();) {
            if (devices.fds[position].revents != 0 &&
                !serve_device(devices.fds[position], devices.indices[position], buffer, decoder,
                              send, log)) {
                drop_device(devices, position);
                continue;
            }
            ++position;
        }
    }
    for (const pollfd& device : devices.fds)
        ::close(device.fd);
}

}  // namespace papyr
