#pragma once
// The Start Point / End Point commands as a pure model: from the seek bar's value, maximum
// and placement it decides CutStart/CutEnd, where the red cut-range bar goes and which
// command buttons change. The main window applies the result to Cutsld, cmdEnd and cmdSave.
#include <cstdint>
#include <optional>

namespace klevotrim {

// What the commands read from the seek bar Pos: Value and Max (whole numbers on the bar's
// scale) and its placement on the panel in pixels.
struct SeekBarPlacement {
    std::int32_t value = 0;
    std::int32_t max = 0;
    double left = 0.0;
    double top = 0.0;
    double width = 0.0;
    double height = 0.0;
    // The media engine's position at the command, fraction kept; nullopt without media.
    std::optional<double> mediaSeconds;
};

// The engine's positions at the last Start Point and End Point commands.
struct MediaMarks {
    double start = 0.0;
    double end = 0.0;
};

enum class ButtonChange { Keep, Enable, Disable };

// Changes to apply, in this order: height, top, bring to front, width, left, show, buttons.
// An empty optional means "leave as it is". Positions and sizes are unrounded pixels.
struct CutBarUpdate {
    std::optional<double> height;
    std::optional<double> top;
    bool bringToFront = false;
    std::optional<double> width;
    std::optional<double> left;
    bool show = false;
    ButtonChange endButton = ButtonChange::Keep;  // cmdEnd
    ButtonChange saveButton = ButtonChange::Keep; // cmdSave
};

// The two cut points (whole seconds on the seek bar's scale), program-wide, initially 0.
// Opening another file does not reset them.
class CutPoints {
  public:
    static constexpr double BarThickness = 2.0;

    // Start Point: CutStart = Pos.Value and a 2-pixel mark centred on it.
    CutBarUpdate StartPoint(const SeekBarPlacement& pos);
    // End Point: CutEnd = Pos.Value; stretches the mark to it, or restarts at it when it lies
    // before the start.
    CutBarUpdate EndPoint(const SeekBarPlacement& pos);

    std::int32_t CutStart() const { return cutStart_; }
    std::int32_t CutEnd() const { return cutEnd_; }
    // The marks a playable clip is cut at: they follow the whole-second points (an end before
    // the start moves the start too). Nullopt when either command ran without media.
    std::optional<MediaMarks> Marks() const;

  private:
    std::int32_t cutStart_ = 0;
    std::int32_t cutEnd_ = 0;
    std::optional<double> startSeconds_;
    std::optional<double> endSeconds_;
};

} // namespace klevotrim
