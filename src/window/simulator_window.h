#pragma once

// The desktop simulator's window: shows the frames the simulator presents,
// at the console's resolution times a whole factor, and turns the window's
// keys and any game controller into actions. Everything happens on the
// thread that opened it, and nothing in it waits.

#include <cstddef>
#include <memory>
#include <span>
#include <string>

#include "base/result.h"
#include "graphics/framebuffer.h"
#include "input/reader_control.h"

namespace papyr {

// The largest whole factor by which a width × height picture fits a screen
// of screen_width × screen_height; 1 when not even that fits.
[[nodiscard]] int whole_scale(std::size_t width, std::size_t height, int screen_width,
                              int screen_height);

class SimulatorWindow {
  public:
    // Opens the window titled "Papyr" for a surface of width × height; fails
    // with SDL's reason when there is no display to open it on.
    [[nodiscard]] static Result<std::unique_ptr<SimulatorWindow>> open(std::size_t width,
                                                                       std::size_t height);
    SimulatorWindow(const SimulatorWindow&) = delete;
    SimulatorWindow& operator=(const SimulatorWindow&) = delete;
    ~SimulatorWindow();

    // Sends the actions of every key and controller event queued so far;
    // false once the user has closed the window.
    [[nodiscard]] bool pump(const SendAction& send);

    // After a frame: copies the presented rows of the surface into the
    // window, or all of them when the window was uncovered since; does
    // nothing when neither happened.
    void show(const Framebuffer& surface, std::span<const RowSpan> presented);

    int scale() const;
    // SDL's name of the window system it shows on ("x11", "wayland").
    std::string video_driver() const;

  private:
    struct Impl;
    explicit SimulatorWindow(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace papyr
