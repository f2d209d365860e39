#include "app/frame_size.h"

#include <algorithm>

namespace {
constexpr int kMinFrameWidth = 850;
constexpr int kMinFrameHeight = 560;
} // namespace

QSize MainFrameSize(QSize screenSize)
{
    return {std::max(screenSize.width() * 3 / 4, kMinFrameWidth),
            std::max(screenSize.height() * 7 / 10, kMinFrameHeight)};
}
