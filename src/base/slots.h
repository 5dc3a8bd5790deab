#pragma once

// Bounded concurrency: a counting semaphore's slot, given back however the
// work that holds it ends (an exception included).

#include <semaphore>

namespace papyr {

using Slots = std::counting_semaphore<256>;

class SlotHold {
  public:
    // `slots` has been acquired by the caller.
    explicit SlotHold(Slots& slots) : slots_(slots) {}
    ~SlotHold() { slots_.release(); }
    SlotHold(const SlotHold&) = delete;
    SlotHold& operator=(const SlotHold&) = delete;

  private:
    Slots& slots_;
};

}  // namespace papyr
