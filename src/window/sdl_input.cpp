#include "window/sdl_input.h"

#include <algorithm>

// In the sanitizer build: SDL opens libdbus, which keeps its shared
// connection and its locks for the life of the process on purpose, and SDL
// offers no way to close it; LeakSanitizer would report them at exit. Built
// into the program rather than given in a file, so it holds wherever the
// program runs (the end-to-end tests run it in namespaces of their own).
#if defined(__SANITIZE_ADDRESS__)
#define PAPYR_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PAPYR_LEAK_CHECKED 1
#endif
#endif
#ifdef PAPYR_LEAK_CHECKED
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}
#endif

namespace papyr {

SdlInput::~SdlInput() {
    for (SDL_GameController* controller : controllers_)
        SDL_GameControllerClose(controller);
}

PumpResult SdlInput::pump(const SendAction& send) {
    PumpResult result;
    SDL_Event event;
    while (SDL_PollEvent(&event) == 1)
        handle(event, send, result);
    return result;
}

void SdlInput::handle(const SDL_Event& event, const SendAction& send, PumpResult& result) {
    std::optional<Action> action;
    switch (event.type) {
        case SDL_QUIT:
            result.closed = true;
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE)
                result.closed = true;
            else if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                     event.window.event == SDL_WINDOWEVENT_SHOWN ||
                     event.window.event == SDL_WINDOWEVENT_RESTORED ||
                     event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                result.exposed = true;
            break;
        case SDL_KEYDOWN:
            // Held keys repeat at the desktop's rate, as held buttons repeat
            // at the kernel's on the console.
            action = window_key_action(event.key.keysym.sym);
            break;
        case SDL_CONTROLLERDEVICEADDED:
            add_controller(event.cdevice.which);
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            remove_controller(event.cdevice.which);
            break;
        case SDL_CONTROLLERBUTTONDOWN:
            action = controller_button_action(event.cbutton.button);
            break;
        case SDL_CONTROLLERAXISMOTION:
            action = axes_.move(event.caxis.axis, event.caxis.value);
            break;
        default:
            break;
    }
    if (action)
        send(*action);
}

void SdlInput::add_controller(int device_index) {
    SDL_GameController* controller = SDL_GameControllerOpen(device_index);
    if (controller == nullptr)
        return;
    // SDL announces the controllers present at start-up as well; opening one
    // twice hands out the same object with one more reference.
    if (std::find(controllers_.begin(), controllers_.end(), controller) != controllers_.end()) {
        SDL_GameControllerClose(controller);
        return;
    }
    controllers_.push_back(controller);
}

void SdlInput::remove_controller(SDL_JoystickID instance) {
    const auto gone = std::find_if(
        controllers_.begin(), controllers_.end(), [instance](SDL_GameController* controller) {
            return SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller)) == instance;
        });
    if (gone == controllers_.end())
        return;
    SDL_GameControllerClose(*gone);
    controllers_.erase(gone);
}

}  // namespace papyr
