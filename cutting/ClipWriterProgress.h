#pragma once
// The one progress window that every running copy drives, without the window. Copies nest: a
// save started while a copy runs (pending events run between blocks) runs to its end inside it.
// The window shows the innermost copy, and the user's request to stop (Esc, or closing the
// window) belongs to that copy. When a copy ends, the window goes back to the copy around it,
// with that copy's own maximum and value; it goes away only when the outermost copy ends.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace klevotrim {

struct ProgressShown {
    std::int32_t maximum = 0;
    std::int32_t value = 0;
    bool operator==(const ProgressShown&) const = default;
};

class CopyProgress {
  public:
    using CopyId = std::uint64_t;

    // A new innermost copy.
    CopyId Begin();

    // After step `step` (1-based) of `steps` of copy `id`: the bar shows step - 1 of steps - 1
    // (clamped to the bar's 32-bit range).
    ProgressShown Step(CopyId id, std::int64_t step, std::int64_t steps);

    // The user asked to stop: the innermost copy stops after its current step. False when no
    // copy runs.
    bool RequestStop();

    // True once copy `id` is to stop: checked after every step and before the clip is moved
    // into place, so a request during the last step still leaves no clip.
    bool StopRequested(CopyId id) const;

    struct AfterCopy {
        bool windowStays = false; // another copy still runs around the one that ended
        ProgressShown shown;      // what the bar shows now (the value 0 when the window goes)
    };
    // Copy `id` ended, saved or not.
    AfterCopy End(CopyId id);

    bool Running() const { return !copies_.empty(); }

  private:
    struct Copy {
        CopyId id = 0;
        ProgressShown shown;
        bool stopRequested = false;
    };
    // The copy's place in copies_, or copies_.size() when it is not there.
    std::size_t IndexOf(CopyId id) const;

    std::vector<Copy> copies_; // outermost first
    CopyId next_ = 1;
};

} // namespace klevotrim
