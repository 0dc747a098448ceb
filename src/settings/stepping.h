#pragma once
// The arrow buttons beside the point count: they read the count out of whatever text the
// box holds and write the stepped number back as text.
#include <optional>
#include <string>
#include <string_view>

namespace glimra {

enum class Arrow : short { kUp = 0, kDown = 1 };

// The new text, or nothing when the count stands at its stop (200 up, 0 down). The stop
// is tested on the number before the step, so 199.5 steps up to 200.5.
std::optional<std::wstring> StepCount(std::wstring_view text, Arrow arrow);

// What the box selects after every step: from the first character, 255 at most.
inline constexpr int kStepSelectionLength = 255;

}  // namespace glimra
