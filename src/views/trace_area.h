#pragma once

namespace views {

// Every pane's guard: a wave or plot area lower than this draws no trace.
inline constexpr int kMinTraceHeightPx = 10;

} // namespace views
