// The two About windows: the program's description and its author.
#pragma once

namespace swr {

// Each shows its window and returns when a Close event arrives.
void RunAboutProgramWindow();
void RunAboutAuthorWindow();

}  // namespace swr
