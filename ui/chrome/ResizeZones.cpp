#include "ui/chrome/ResizeZones.h"

#include "common/Rounding.h"

namespace klevotrim {

ResizeFlags PressFlags(int x, int y, int width, int height, ResizeFlags flags) {
    if (x + 15 >= width - 65 && y + 15 >= height - 65)
        flags.corner = true;
    if (x + 15 >= width - 15)
        flags.right = true; // the right edge wins: no bottom test
    else if (y + 15 >= height - 15)
        flags.bottom = true;
    return flags;
}

ResizePointer MovePointer(int x, int y, int width, int height, ResizeFlags flags, ResizePointer current) {
    ResizePointer pointer = current;
    if (!flags.Any())
        pointer = ResizePointer::Default;
    if (x + 15 >= width - 35 && !flags.corner && !flags.bottom)
        pointer = ResizePointer::SizeWE;
    if (y + 15 >= height - 35 && !flags.corner && !flags.right)
        pointer = ResizePointer::SizeNS;
    if (x + 15 >= width - 105 && y + 105 >= height && !flags.right && !flags.bottom)
        pointer = ResizePointer::SizeNWSE;
    return pointer;
}

ResizeStep MoveStep(int x, int y, ResizeFlags flags, int buttons) {
    constexpr int kFloor = 300; // 20 pixels from the left or top edge
    if (flags.right && x >= kFloor)
        return {ResizeStep::Width, x + 35, 0};
    if (flags.bottom && y >= kFloor)
        return {ResizeStep::Height, 0, y + 15};
    if (flags.corner && x >= kFloor && y >= kFloor)
        return {ResizeStep::Both, x + 15, y + 15};
    if ((buttons & 1) != 0)
        return {ResizeStep::Drag, 0, 0};
    return {};
}

int TwipsToPixels(int twips) {
    return static_cast<int>(RoundHalfEven(static_cast<double>(twips) / kTwipsPerPixel));
}

} // namespace klevotrim
