#include "main/app_state.h"

#include <utility>

namespace papyr {

AppState make_initial_state(std::vector<NewsSource> sources, Instant start_time) {
    AppState state;
    state.sources = std::move(sources);
    state.start_time = start_time;
    return state;
}

}  // namespace papyr
