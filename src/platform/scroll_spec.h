#pragma once
// A scroll bar's range and steps, as the dialog's table gives them: the stepping rule and
// each platform's scroll bar take them, without the rest of the dialog.
namespace glimra::platform {

struct ScrollSpec {
    int min, max, small_step, large_step;
};

}  // namespace glimra::platform
